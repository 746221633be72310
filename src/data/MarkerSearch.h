#pragma once

#include "LeadByte.h"

#include <cstddef>
#include <optional>
#include <string_view>

// Byte position of the first occurrence of marker in text that starts on a
// character boundary; exact bytes, no case folding. An empty marker matches at 0.
std::optional<std::size_t> FindMarker(std::string_view text, std::string_view marker,
                                      const CLeadByteRule& rule);

// The same answer found by walking the text one character at a time; slow,
// kept as the plain statement of the rule that tests hold FindMarker to.
std::optional<std::size_t> FindMarkerByWalking(std::string_view text, std::string_view marker,
                                               const CLeadByteRule& rule);

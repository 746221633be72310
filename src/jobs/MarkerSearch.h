#pragma once

#include "text/LeadByte.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Finds the first occurrence of a marker in row texts that starts on a
// character boundary of the ANSI code page; exact bytes, no case folding. An
// empty marker matches at 0. Built once per job, then asked for every row.
class CMarkerSearch {
public:
    CMarkerSearch(std::string_view marker, const CLeadByteRule& rule);
    std::optional<std::size_t> Find(std::string_view text) const;
    std::size_t Length() const { return m_strMarker.size(); }

private:
    // The first match at or after nFrom, on a boundary or not.
    std::size_t FindBytes(std::string_view text, std::size_t nFrom) const;

    std::string m_strMarker;
    const CLeadByteRule& m_rule;
    std::array<std::size_t, 256> m_nSkip{};
};

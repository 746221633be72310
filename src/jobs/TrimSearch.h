#pragma once
// Where the trim cuts a row: right after the first match of the marker. Each
// row is searched by the code of its data file. In UTF-8 no character starts
// with a continuation byte, and the marker, itself UTF-8, never begins with one,
// so every place where its bytes match is a character boundary: no lead bytes to
// mind. In the ANSI code page a match must start on a character boundary.

#include "form/ToolForm.h"
#include "jobs/MarkerSearch.h"
#include "text/TextCode.h"

#include <cstddef>
#include <optional>
#include <string_view>

class CTrimSearch {
public:
    // The form's marker in both codes and its lead-byte rule, read once for the job.
    explicit CTrimSearch(CToolForm& form)
        : m_ansi(form.GetMarker(ETextCode::Ansi), form.GetLeadBytes()),
          m_utf8(form.GetMarker(ETextCode::Utf8), m_utf8Rule) {}
    CTrimSearch(const CTrimSearch&) = delete;
    CTrimSearch& operator=(const CTrimSearch&) = delete;

    // The length of the cut row, or nothing when the row holds no marker and is dropped.
    std::optional<std::size_t> CutLength(std::string_view row, ETextCode code) const {
        const CMarkerSearch& marker = IsUtf8(code) ? m_utf8 : m_ansi;
        const auto nPos = marker.Find(row);
        return nPos ? std::optional<std::size_t>(*nPos + marker.Length()) : std::nullopt;
    }

private:
    const CLeadByteRule m_utf8Rule;
    const CMarkerSearch m_ansi;
    const CMarkerSearch m_utf8;
};

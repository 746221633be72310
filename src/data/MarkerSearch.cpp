#include "MarkerSearch.h"

namespace {

// A position is a character boundary when the run of lead-valued bytes just
// before it has even length: the byte before that run ends a character (a
// single byte, or the trail of a pair), and the run itself pairs up from there.
// nKnown is a position already known to be a boundary; the run is not followed
// past it, which keeps a text full of lead bytes linear.
bool IsCharBoundary(std::string_view text, std::size_t nPos, std::size_t nKnown,
                    const CLeadByteRule& rule) {
    std::size_t nRun = 0;
    while (nPos - nRun > nKnown && rule.IsLead(static_cast<unsigned char>(text[nPos - 1 - nRun])))
        ++nRun;
    return nRun % 2 == 0;
}

} // namespace

CMarkerSearch::CMarkerSearch(std::string_view marker, const CLeadByteRule& rule)
    : m_strMarker(marker), m_rule(rule) {
    m_nSkip.fill(marker.size());
    for (std::size_t i = 0; i + 1 < marker.size(); ++i)
        m_nSkip[static_cast<unsigned char>(marker[i])] = marker.size() - 1 - i;
}

std::size_t CMarkerSearch::FindBytes(std::string_view text, std::size_t nFrom) const {
    const std::size_t nLength = m_strMarker.size();
    const char* const pMarker = m_strMarker.data();
    const unsigned char cLast = static_cast<unsigned char>(pMarker[nLength - 1]);
    for (std::size_t nPos = nFrom; nPos + nLength <= text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[nPos + nLength - 1]);
        if (c == cLast && text.compare(nPos, nLength - 1, pMarker, nLength - 1) == 0)
            return nPos;
        nPos += m_nSkip[c];
    }
    return std::string_view::npos;
}

std::optional<std::size_t> CMarkerSearch::Find(std::string_view text) const {
    if (m_strMarker.empty())
        return 0;
    std::size_t nKnown = 0;
    for (std::size_t nPos = FindBytes(text, 0); nPos != std::string_view::npos;
         nPos = FindBytes(text, nPos + 1)) {
        if (IsCharBoundary(text, nPos, nKnown, m_rule))
            return nPos;
        // The byte before nPos leads a pair that ends at nPos, so a character starts after it.
        nKnown = nPos + 1;
    }
    return std::nullopt;
}

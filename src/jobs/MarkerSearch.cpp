#include "jobs/MarkerSearch.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    std::size_t nPos = nFrom;
#if defined(__SSE2__)
    // Sixteen places a step: only where the marker's first and last bytes both match are
    // the bytes between compared. Most rows are passed in a few steps.
    if (nLength >= 2) {
        const char* const pText = text.data();
        const __m128i first = _mm_set1_epi8(pMarker[0]);
        const __m128i last = _mm_set1_epi8(pMarker[nLength - 1]);
        for (; nPos + nLength + 15 <= text.size(); nPos += 16) {
            const __m128i atFirst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pText + nPos));
            const __m128i atLast =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(pText + nPos + nLength - 1));
            auto nMask = static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(atFirst, first), _mm_cmpeq_epi8(atLast, last))));
            for (; nMask != 0; nMask &= nMask - 1) {
                const std::size_t nAt = nPos + static_cast<std::size_t>(__builtin_ctz(nMask));
                if (std::memcmp(pText + nAt + 1, pMarker + 1, nLength - 2) == 0)
                    return nAt;
            }
        }
    }
#endif
    // The rest, fewer than sixteen places, or all of them without SSE2 (Horspool's skip).
    const unsigned char cLast = static_cast<unsigned char>(pMarker[nLength - 1]);
    while (nPos + nLength <= text.size()) {
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

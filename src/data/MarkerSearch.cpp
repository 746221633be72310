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

std::optional<std::size_t> FindMarker(std::string_view text, std::string_view marker,
                                      const CLeadByteRule& rule) {
    if (marker.empty())
        return 0;
    std::size_t nKnown = 0;
    for (std::size_t nPos = text.find(marker); nPos != std::string_view::npos;
         nPos = text.find(marker, nPos + 1)) {
        if (IsCharBoundary(text, nPos, nKnown, rule))
            return nPos;
        // The byte before nPos leads a pair that ends at nPos, so a character starts after it.
        nKnown = nPos + 1;
    }
    return std::nullopt;
}

std::optional<std::size_t> FindMarkerByWalking(std::string_view text, std::string_view marker,
                                               const CLeadByteRule& rule) {
    std::size_t nPos = 0;
    for (;;) {
        if (text.substr(nPos).substr(0, marker.size()) == marker &&
            text.size() - nPos >= marker.size())
            return nPos;
        if (nPos >= text.size())
            return std::nullopt;
        const bool bPair =
            rule.IsLead(static_cast<unsigned char>(text[nPos])) && nPos + 1 < text.size();
        nPos += bPair ? 2 : 1;
    }
}

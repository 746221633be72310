// Trim's search: the fast search and the character walk agree for any marker
// and text, under code page 932's lead bytes and under a single-byte code page.
#include "data/MarkerSearch.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize == 0)
        return 0;
    const std::size_t nMarker = pData[0] % 8;
    const std::string_view rest(reinterpret_cast<const char*>(pData + 1), nSize - 1);
    if (rest.size() < nMarker)
        return 0;
    const std::string_view marker = rest.substr(0, nMarker);
    const std::string_view text = rest.substr(nMarker);
    for (const CLeadByteRule& rule : {CLeadByteRule::Cp932(), CLeadByteRule()}) {
        const auto found = CMarkerSearch(marker, rule).Find(text);
        if (found != FindMarkerByWalking(text, marker, rule))
            std::abort();
        if (found && text.substr(*found, marker.size()) != marker)
            std::abort();
    }
    return 0;
}

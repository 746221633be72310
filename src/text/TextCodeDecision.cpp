#include "text/TextCodeDecision.h"

namespace {
// ASCII text in UTF-16 has a zero byte in every second place, from the first byte (big
// endian) or from the second (little endian), and the others are not all zero. A stray
// NUL in a row of bytes does not look like that.
bool LooksLikeUtf16(std::string_view head) {
    if (head.size() < 4)
        return false;
    std::size_t nZeros[2] = {}; // at even places and at odd ones
    for (std::size_t i = 0; i < head.size(); ++i)
        nZeros[i % 2] += head[i] == '\0' ? 1 : 0;
    const std::size_t nPlaces[2] = {(head.size() + 1) / 2, head.size() / 2};
    return (nZeros[0] == nPlaces[0] && nZeros[1] < nPlaces[1]) ||
           (nZeros[1] == nPlaces[1] && nZeros[0] < nPlaces[0]);
}
} // namespace

// UTF-16 is refused by every rule: its bytes cannot be rows, whatever the code.
std::size_t CTextCodeDecision::Begin(std::string_view first) {
    const auto* p = reinterpret_cast<const unsigned char*>(first.data());
    const std::size_t n = first.size();
    if ((n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) ||
        LooksLikeUtf16(first.substr(0, kBytesWanted))) {
        m_bUtf16 = true;
        return 0;
    }
    if (m_rule == EEncodingRule::Ansi)
        return 0;
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        m_code = ETextCode::Utf8Bom;
        return 3;
    }
    if (m_rule == EEncodingRule::Utf8)
        m_code = ETextCode::Utf8;
    return 0;
}

// Shift-JIS that is valid UTF-8 throughout is taken as UTF-8 (docs/BEHAVIOUR.md).
void CTextCodeDecision::End() {
    m_bEnded = true;
    if (!BytesDecide() || m_bUtf16)
        return;
    m_check.Finish();
    if (!m_check.Invalid() && m_check.SawMultibyte())
        m_code = ETextCode::Utf8;
}

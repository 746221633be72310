#include "TextCodeDecision.h"

namespace {
// How many first bytes show UTF-16 written without a byte-order mark.
constexpr std::size_t kSniffBytes = 64;

// ASCII text in UTF-16 has a zero byte in every second place, from the first byte (big
// endian) or from the second (little endian), and the others are not all zero. A stray
// NUL in a row of bytes does not look like that.
bool LooksLikeUtf16(const unsigned char* p, std::size_t n) {
    if (n < 4)
        return false;
    for (std::size_t nZeros = 0; nZeros < 2; ++nZeros) {
        bool bZeros = true;
        bool bOthers = false;
        for (std::size_t i = 0; i < n; ++i) {
            if (i % 2 == nZeros)
                bZeros = bZeros && p[i] == 0;
            else
                bOthers = bOthers || p[i] != 0;
        }
        if (bZeros && bOthers)
            return true;
    }
    return false;
}
} // namespace

// A byte-order mark is three bytes, and UTF-16 shows in the first 64.
std::size_t CTextCodeDecision::BytesWanted() const {
    return kSniffBytes;
}

// UTF-16 is refused by every rule: its bytes cannot be rows, whatever the code.
std::size_t CTextCodeDecision::Begin(std::string_view first) {
    const auto* p = reinterpret_cast<const unsigned char*>(first.data());
    const std::size_t n = first.size();
    if ((n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) ||
        LooksLikeUtf16(p, n < kSniffBytes ? n : kSniffBytes)) {
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
    if (!BytesDecide() || m_bUtf16)
        return;
    m_check.Finish();
    if (!m_check.Invalid() && m_check.SawMultibyte())
        m_code = ETextCode::Utf8;
}

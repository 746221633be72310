#include "text/Utf8Check.h"

#include <cstdint>
#include <cstring>

void CUtf8Check::Feed(std::string_view block) {
    const auto* p = reinterpret_cast<const unsigned char*>(block.data());
    const std::size_t nSize = block.size();
    std::size_t i = 0;
    while (!m_bInvalid && i < nSize) {
        if (m_nPending == 0) {
            // Most bytes of a URL list are ASCII: eight of them are checked at once.
            while (i + 8 <= nSize) {
                std::uint64_t nWord;
                std::memcpy(&nWord, p + i, sizeof nWord);
                if (nWord & 0x8080808080808080ull)
                    break;
                i += 8;
            }
            if (i >= nSize)
                return;
            const unsigned char c = p[i++];
            if (c < 0x80)
                continue;
            m_bMultibyte = true;
            m_nPending = c < 0xC2 ? 0 : c <= 0xDF ? 1 : c <= 0xEF ? 2 : c <= 0xF4 ? 3 : 0;
            m_bInvalid = m_nPending == 0;
            // The range of the second byte rules out overlong forms (after E0 and F0),
            // surrogates (after ED) and code points past U+10FFFF (after F4).
            m_nLow = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
            m_nHigh = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        } else {
            const unsigned char c = p[i++];
            if (c < m_nLow || c > m_nHigh) {
                m_bInvalid = true;
            } else {
                m_nLow = 0x80;
                m_nHigh = 0xBF;
                --m_nPending;
            }
        }
    }
}

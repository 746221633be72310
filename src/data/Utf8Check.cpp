#include "Utf8Check.h"

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
            // The ranges of the second byte rule out overlong forms, surrogates and
            // code points past U+10FFFF.
            m_nLow = 0x80;
            m_nHigh = 0xBF;
            if (c >= 0xC2 && c <= 0xDF) {
                m_nPending = 1;
            } else if (c >= 0xE0 && c <= 0xEF) {
                m_nPending = 2;
                if (c == 0xE0)
                    m_nLow = 0xA0;
                else if (c == 0xED)
                    m_nHigh = 0x9F;
            } else if (c >= 0xF0 && c <= 0xF4) {
                m_nPending = 3;
                if (c == 0xF0)
                    m_nLow = 0x90;
                else if (c == 0xF4)
                    m_nHigh = 0x8F;
            } else {
                m_bInvalid = true;
            }
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

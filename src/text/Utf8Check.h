#pragma once
// Tells, a block at a time, whether bytes are valid UTF-8 and whether any
// character takes more than one byte. A character may straddle two blocks. It
// stops looking once the bytes are invalid, so a Shift-JIS file costs little.

#include <cstddef>
#include <string_view>

class CUtf8Check {
public:
    void Feed(std::string_view block);
    // The bytes ended: a character left open makes them invalid.
    void Finish() {
        if (m_nPending != 0)
            m_bInvalid = true;
    }
    bool Invalid() const { return m_bInvalid; }
    bool SawMultibyte() const { return m_bMultibyte; }

private:
    int m_nPending = 0; // continuation bytes the open character still needs
    unsigned char m_nLow = 0x80;
    unsigned char m_nHigh = 0xBF; // the range the next continuation byte must fall in
    bool m_bInvalid = false;
    bool m_bMultibyte = false;
};

#pragma once
// Which bytes of the ANSI code page start a double-byte character. Searching
// and comparing row text steps over whole characters with this rule, so that a
// match never begins on the second byte of a double-byte character.

#include <array>

class CLeadByteRule {
public:
    // Single-byte code page: no byte leads.
    CLeadByteRule() { m_bLead.fill(false); }
    bool IsLead(unsigned char b) const { return m_bLead[b]; }
    void SetLead(unsigned char b, bool bLead) { m_bLead[b] = bLead; }

    // Code page 932 (Shift-JIS): 0x81-0x9F and 0xE0-0xFC lead.
    static CLeadByteRule Cp932();
    // The ANSI code page's (AnsiCodePage.h); code page 932's where the platform has none.
    static CLeadByteRule System();

private:
    std::array<bool, 256> m_bLead;
};

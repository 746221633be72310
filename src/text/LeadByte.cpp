#include "text/LeadByte.h"

CLeadByteRule CLeadByteRule::Cp932() {
    CLeadByteRule rule;
    for (int b = 0x81; b <= 0x9F; ++b)
        rule.SetLead(static_cast<unsigned char>(b), true);
    for (int b = 0xE0; b <= 0xFC; ++b)
        rule.SetLead(static_cast<unsigned char>(b), true);
    return rule;
}

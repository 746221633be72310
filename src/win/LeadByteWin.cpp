#include "data/LeadByte.h"

#include <windows.h>

CLeadByteRule CLeadByteRule::System() {
    CLeadByteRule rule;
    for (int b = 0; b < 256; ++b)
        rule.SetLead(static_cast<unsigned char>(b),
                     IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(b)) != FALSE);
    return rule;
}

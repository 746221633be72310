#include "text/LeadByte.h"

#include "text/AnsiCodePage.h"

#include <windows.h>

CLeadByteRule CLeadByteRule::System() {
    CLeadByteRule rule;
    const UINT nCodePage = AnsiCodePage();
    for (int b = 0; b < 256; ++b)
        rule.SetLead(static_cast<unsigned char>(b),
                     IsDBCSLeadByteEx(nCodePage, static_cast<BYTE>(b)) != FALSE);
    return rule;
}

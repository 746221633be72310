#include "text/AnsiCodePage.h"

#include <windows.h>

namespace {

// Missing from the mingw-w64 headers here; the value is the one Windows documents.
#ifndef LOCALE_IUSEUTF8LEGACYACP
constexpr LCTYPE LOCALE_IUSEUTF8LEGACYACP = 0x00000666;
#endif

constexpr int kNumberChars = sizeof(DWORD) / sizeof(WCHAR); // for LOCALE_RETURN_NUMBER

// Neither UTF-8 nor 0, which a locale without a legacy code page answers.
bool IsLegacy(DWORD dwCodePage) {
    return dwCodePage != 0 && dwCodePage != CP_UTF8;
}

unsigned FindAnsiCodePage() {
    const UINT nSystem = ::GetACP();
    if (nSystem != CP_UTF8)
        return nSystem;
    // The versions of Windows that have the option answer this; Wine 8 does not.
    DWORD dwLegacy = 0;
    if (::GetLocaleInfoEx(LOCALE_NAME_SYSTEM_DEFAULT,
                          LOCALE_IUSEUTF8LEGACYACP | LOCALE_RETURN_NUMBER,
                          reinterpret_cast<LPWSTR>(&dwLegacy), kNumberChars) != 0 &&
        IsLegacy(dwLegacy))
        return dwLegacy;
    // The system locale's own, unless the option made that UTF-8 as well. By LCID, since
    // Wine 8 does not know LOCALE_NAME_SYSTEM_DEFAULT.
    DWORD dwDefault = 0;
    if (::GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                         reinterpret_cast<LPWSTR>(&dwDefault), kNumberChars) != 0 &&
        IsLegacy(dwDefault))
        return dwDefault;
    return 932; // the code page of the tool's own language
}

} // namespace

unsigned AnsiCodePage() {
    // Asked for every row drawn or converted; the answer cannot change while the process runs.
    static const unsigned nCodePage = FindAnsiCodePage();
    return nCodePage;
}

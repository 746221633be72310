#include "text/WideText.h"

#include <windows.h>

std::wstring Utf8ToWide(std::string_view str) {
    if (str.empty())
        return {};
    const int nIn = static_cast<int>(str.size());
    const int nOut = MultiByteToWideChar(CP_UTF8, 0, str.data(), nIn, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(nOut), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, str.data(), nIn, out.data(), nOut);
    return out;
}

std::string WideToCodePage(unsigned nCodePage, std::wstring_view str, bool* pLost) {
    BOOL bLost = FALSE;
    if (pLost != nullptr)
        *pLost = false;
    if (str.empty())
        return {};
    const DWORD dwFlags = pLost != nullptr ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL* const pbLost = pLost != nullptr ? &bLost : nullptr;
    const int nIn = static_cast<int>(str.size());
    const int nOut =
        WideCharToMultiByte(nCodePage, dwFlags, str.data(), nIn, nullptr, 0, nullptr, pbLost);
    std::string out(static_cast<std::size_t>(nOut > 0 ? nOut : 0), '\0');
    WideCharToMultiByte(nCodePage, dwFlags, str.data(), nIn, out.data(), nOut, nullptr, nullptr);
    if (pLost != nullptr)
        *pLost = bLost != FALSE || nOut <= 0;
    return out;
}

std::string WideToAnsi(std::wstring_view str) {
    return WideToCodePage(AnsiCodePage(), str);
}

std::string WideToUtf8(std::wstring_view str) {
    return WideToCodePage(CP_UTF8, str);
}

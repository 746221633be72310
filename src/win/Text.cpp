#include "Text.h"

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

std::string WideToAnsi(std::wstring_view str) {
    if (str.empty())
        return {};
    const int nIn = static_cast<int>(str.size());
    const int nOut = WideCharToMultiByte(CP_ACP, 0, str.data(), nIn, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(nOut), '\0');
    WideCharToMultiByte(CP_ACP, 0, str.data(), nIn, out.data(), nOut, nullptr, nullptr);
    return out;
}

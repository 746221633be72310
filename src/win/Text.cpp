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

namespace {
std::string WideTo(UINT nCodePage, std::wstring_view str) {
    if (str.empty())
        return {};
    const int nIn = static_cast<int>(str.size());
    const int nOut =
        WideCharToMultiByte(nCodePage, 0, str.data(), nIn, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(nOut > 0 ? nOut : 0), '\0');
    WideCharToMultiByte(nCodePage, 0, str.data(), nIn, out.data(), nOut, nullptr, nullptr);
    return out;
}
} // namespace

std::string WideToAnsi(std::wstring_view str) {
    return WideTo(CP_ACP, str);
}

std::string WideToUtf8(std::wstring_view str) {
    return WideTo(CP_UTF8, str);
}

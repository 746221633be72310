#include "Text.h"

#include <windows.h>

namespace {

std::wstring ToWide(UINT nCodePage, std::string_view str) {
    if (str.empty())
        return {};
    const int nIn = static_cast<int>(str.size());
    const int nOut = MultiByteToWideChar(nCodePage, 0, str.data(), nIn, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(nOut), L'\0');
    MultiByteToWideChar(nCodePage, 0, str.data(), nIn, out.data(), nOut);
    return out;
}

} // namespace

std::wstring Utf8ToWide(std::string_view str) {
    return ToWide(CP_UTF8, str);
}
std::wstring AnsiToWide(std::string_view str) {
    return ToWide(CP_ACP, str);
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

#include "saving/PathText.h"
#include "text/WideText.h"

#include <windows.h>

#include <string_view>

namespace {
bool StartsWith(std::wstring_view str, std::wstring_view prefix) {
    return str.substr(0, prefix.size()) == prefix;
}
} // namespace

std::string PathToUtf8(const std::filesystem::path& path) noexcept {
    try {
        // As the user would write it: without the \\?\ prefix that the file calls get.
        std::wstring_view str = path.native();
        if (StartsWith(str, L"\\\\?\\UNC\\"))
            return "\\\\" + WideToUtf8(str.substr(8));
        if (StartsWith(str, L"\\\\?\\"))
            str.remove_prefix(4);
        // A lone surrogate in a name becomes U+FFFD instead of failing the conversion.
        return WideToUtf8(str);
    } catch (...) {
        return {};
    }
}

std::filesystem::path LongPathForm(const std::filesystem::path& path) {
    const std::wstring& str = path.native();
    if (str.empty() || StartsWith(str, L"\\\\?\\") || StartsWith(str, L"\\\\.\\"))
        return path;
    // GetFullPathNameW itself takes paths of any length; it also turns / into \ and
    // resolves . and .., which the prefix would otherwise pass through as names.
    std::wstring full(MAX_PATH, L'\0');
    DWORD dwLength =
        GetFullPathNameW(str.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (dwLength >= full.size()) {
        full.resize(dwLength);
        dwLength =
            GetFullPathNameW(str.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (dwLength == 0 || dwLength >= full.size())
        return path;
    full.resize(dwLength);
    if (StartsWith(full, L"\\\\.\\"))
        return full; // a device such as NUL or COM1
    if (StartsWith(full, L"\\\\"))
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

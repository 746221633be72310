#include "ArgText.h"

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <iconv.h>
#include <initializer_list>
#include <langinfo.h>
#include <string_view>

std::vector<std::string> ArgsOf(int argc, char** argv) {
    // The locale says how the arguments are encoded (nl_langinfo below).
    std::setlocale(LC_CTYPE, "");
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::filesystem::path PathFromArg(const std::string& arg) {
    return std::filesystem::path(arg);
}

namespace {
bool IsAscii(std::string_view str) {
    for (const char c : str)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// The argument converted from the locale's encoding to pszTo.
std::optional<std::string> Convert(const std::string& arg, const char* pszTo) {
    const iconv_t cd = iconv_open(pszTo, nl_langinfo(CODESET));
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out(arg.size() * 2 + 4, '\0');
    char* pIn = const_cast<char*>(arg.data());
    std::size_t nIn = arg.size();
    char* pOut = out.data();
    std::size_t nOut = out.size();
    const std::size_t nDone = iconv(cd, &pIn, &nIn, &pOut, &nOut);
    iconv_close(cd);
    if (nDone == static_cast<std::size_t>(-1) || nIn != 0)
        return std::nullopt;
    out.resize(out.size() - nOut);
    return out;
}

bool IsCodeset(std::initializer_list<std::string_view> names) {
    const std::string_view codeset = nl_langinfo(CODESET);
    for (const std::string_view name : names)
        if (codeset == name)
            return true;
    return false;
}

// The C locale says nothing of the bytes, so they are taken as they are.
bool IsCLocale() {
    return IsCodeset({"ANSI_X3.4-1968"});
}
} // namespace

std::optional<std::string> ArgToDataBytes(const std::string& arg) {
    // A Shift-JIS locale's text is already in the data files' code page.
    if (IsAscii(arg) || IsCLocale() || IsCodeset({"SHIFT_JIS", "SJIS", "CP932", "WINDOWS-31J"}))
        return arg;
    return Convert(arg, "CP932");
}

std::optional<std::string> ArgToUtf8(const std::string& arg) {
    if (IsAscii(arg) || IsCLocale() || IsCodeset({"UTF-8"}))
        return arg;
    return Convert(arg, "UTF-8");
}

void SetStdoutBinary() {}

void PrintText(std::FILE* pStream, std::string_view strUtf8) {
    std::fwrite(strUtf8.data(), 1, strUtf8.size(), pStream);
}

bool UserLocaleIsJapanese() {
    for (const char* pszName : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* pszValue = std::getenv(pszName);
        if (pszValue != nullptr && *pszValue != '\0')
            return std::string_view(pszValue).substr(0, 2) == "ja";
    }
    return false;
}

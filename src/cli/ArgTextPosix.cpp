#include "ArgText.h"

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>

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
} // namespace

std::optional<std::string> ArgToDataBytes(const std::string& arg) {
    const std::string strCodeset = nl_langinfo(CODESET);
    // The C locale says nothing of the bytes, so they are taken as they are; so is a
    // Shift-JIS locale's text, which is already in the data files' code page.
    if (IsAscii(arg) || strCodeset == "ANSI_X3.4-1968" || strCodeset == "SHIFT_JIS" ||
        strCodeset == "SJIS" || strCodeset == "CP932" || strCodeset == "WINDOWS-31J")
        return arg;
    const iconv_t cd = iconv_open("CP932", strCodeset.c_str());
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

void PrintText(std::FILE* pStream, std::string_view strUtf8) {
    std::fwrite(strUtf8.data(), 1, strUtf8.size(), pStream);
}

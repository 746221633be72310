#include "ArgText.h"

#include "win/Text.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

std::vector<std::string> ArgsOf(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(WideToUtf8(argv[i]));
    return args;
}

std::filesystem::path PathFromArg(const std::string& arg) {
    return Utf8ToWide(arg);
}

std::optional<std::string> ArgToDataBytes(const std::string& arg) {
    const std::wstring wide = Utf8ToWide(arg);
    if (wide.empty())
        return std::string();
    const int nIn = static_cast<int>(wide.size());
    BOOL bLost = FALSE;
    const int nOut = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), nIn, nullptr, 0,
                                         nullptr, &bLost);
    if (nOut <= 0 || bLost)
        return std::nullopt;
    std::string out(static_cast<std::size_t>(nOut), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), nIn, out.data(), nOut, nullptr,
                        nullptr);
    return out;
}

std::optional<std::string> ArgToUtf8(const std::string& arg) {
    return arg; // already UTF-8, converted from the wide command line
}

void SetStdoutBinary() {
    _setmode(_fileno(stdout), _O_BINARY);
}

void PrintText(std::FILE* pStream, std::string_view strUtf8) {
    const std::wstring wide = Utf8ToWide(strUtf8);
    std::fflush(pStream);
    const HANDLE hOut = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(pStream)));
    DWORD dwMode = 0;
    if (GetConsoleMode(hOut, &dwMode)) {
        // A console shows every character, whatever its code page.
        DWORD dwWritten = 0;
        WriteConsoleW(hOut, wide.data(), static_cast<DWORD>(wide.size()), &dwWritten, nullptr);
        return;
    }
    // A pipe or a file: the console's code page, which programs reading it expect.
    UINT nCodePage = GetConsoleOutputCP();
    if (nCodePage == 0)
        nCodePage = GetACP();
    const int nIn = static_cast<int>(wide.size());
    const int nOut =
        WideCharToMultiByte(nCodePage, 0, wide.data(), nIn, nullptr, 0, nullptr, nullptr);
    if (nOut <= 0)
        return;
    std::string out(static_cast<std::size_t>(nOut), '\0');
    WideCharToMultiByte(nCodePage, 0, wide.data(), nIn, out.data(), nOut, nullptr, nullptr);
    std::fwrite(out.data(), 1, out.size(), pStream);
}

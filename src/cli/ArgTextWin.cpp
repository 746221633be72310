#include "ArgText.h"

#include "text/WideText.h"

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
    bool bLost = false;
    std::string bytes = WideToCodePage(AnsiCodePage(), Utf8ToWide(arg), &bLost);
    if (bLost)
        return std::nullopt;
    return bytes;
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
    // A pipe or a file: the console's code page, which programs reading it expect; without
    // a console, the ANSI code page.
    UINT nCodePage = GetConsoleOutputCP();
    if (nCodePage == 0)
        nCodePage = AnsiCodePage();
    const std::string bytes = WideToCodePage(nCodePage, wide);
    std::fwrite(bytes.data(), 1, bytes.size(), pStream);
}

bool UserLocaleIsJapanese() {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

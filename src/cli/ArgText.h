#pragma once
// The command line's texts at the system's edge, with a twin per platform
// (ArgTextPosix.cpp, ArgTextWin.cpp). Arguments arrive as UTF-8 on Windows,
// converted from the wide command line, and as the locale's bytes elsewhere.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The arguments after the program name, as the parser takes them.
#ifdef _WIN32
std::vector<std::string> ArgsOf(int argc, wchar_t** argv);
#else
std::vector<std::string> ArgsOf(int argc, char** argv);
#endif

// An argument as a path: any name a file may have, Japanese ones included.
std::filesystem::path PathFromArg(const std::string& arg);

// An argument as the bytes of the data files' code page (932 for Shift-JIS),
// for the marker; nothing when a character of it has no place there.
std::optional<std::string> ArgToDataBytes(const std::string& arg);

// An argument as UTF-8, for the marker of UTF-8 data files; nothing when it is
// not valid text in the locale's encoding.
std::optional<std::string> ArgToUtf8(const std::string& arg);

// Standard output as a stream of bytes, for rows written to it.
void SetStdoutBinary();

// Writes a UTF-8 text to stream as the console or the reader of the pipe expects it.
void PrintText(std::FILE* pStream, std::string_view strUtf8);

// True where the user's language is Japanese: on POSIX, the first of LC_ALL, LC_MESSAGES
// and LANG that is set begins with "ja"; on Windows, the user's UI language.
bool UserLocaleIsJapanese();

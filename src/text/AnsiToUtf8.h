#pragma once
// Rows of the ANSI code page in UTF-8, for a save file that holds rows of both
// codes: such a file is written as UTF-8, and only its ANSI rows are converted
// on the way out. The platform twins: AnsiToUtf8Posix.cpp (code page 932, in
// which the data files are written) and AnsiToUtf8Win.cpp (the ANSI code
// page, AnsiCodePage.h).

#include <string>
#include <string_view>

class CAnsiToUtf8 {
public:
    CAnsiToUtf8();
    ~CAnsiToUtf8();
    CAnsiToUtf8(const CAnsiToUtf8&) = delete;
    CAnsiToUtf8& operator=(const CAnsiToUtf8&) = delete;

    // The row in UTF-8 into out; false when its bytes are not characters of the code page.
    bool Convert(std::string_view row, std::string& out);

private:
    void* m_pState = nullptr; // the platform's converter, where it keeps one
};

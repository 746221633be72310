#include "text/AnsiToUtf8.h"

#include "text/WideText.h"

#include <windows.h>

#include <climits>

CAnsiToUtf8::CAnsiToUtf8() = default;
CAnsiToUtf8::~CAnsiToUtf8() = default;

bool CAnsiToUtf8::Convert(std::string_view row, std::string& out) {
    out.clear();
    if (row.empty())
        return true;
    if (row.size() > INT_MAX / 3)
        return false;
    const int nIn = static_cast<int>(row.size());
    std::wstring wide(row.size(), L'\0');
    const int nWide = MultiByteToWideChar(AnsiCodePage(), MB_ERR_INVALID_CHARS, row.data(), nIn,
                                          wide.data(), nIn);
    if (nWide <= 0)
        return false;
    out = WideToUtf8(std::wstring_view(wide.data(), static_cast<std::size_t>(nWide)));
    return true;
}

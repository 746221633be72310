#pragma once
// Conversions at the Win32 edge: the tool's own texts are UTF-8, rows and the
// marker are bytes in the ANSI code page, and every window text is UTF-16.

#include "text/AnsiCodePage.h"

#include <string>
#include <string_view>

std::wstring Utf8ToWide(std::string_view str);
std::string WideToAnsi(std::wstring_view str);
std::string WideToUtf8(std::wstring_view str);
// The text in code page nCodePage. With pLost, a character the code page cannot hold
// is not replaced by a look-alike, and *pLost says whether any was lost (not for UTF-8).
std::string WideToCodePage(unsigned nCodePage, std::wstring_view str, bool* pLost = nullptr);

#include "text/AnsiToUtf8.h"

#include <cerrno>
#include <iconv.h>
#include <new>

namespace {
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
} // namespace

CAnsiToUtf8::CAnsiToUtf8() {
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    // Memory that ran out is said as such, not as rows that cannot be converted.
    if (cd == kNoConverter && errno == ENOMEM)
        throw std::bad_alloc();
    m_pState = cd == kNoConverter ? nullptr : cd;
}

CAnsiToUtf8::~CAnsiToUtf8() {
    if (m_pState != nullptr)
        iconv_close(static_cast<iconv_t>(m_pState));
}

bool CAnsiToUtf8::Convert(std::string_view row, std::string& out) {
    out.clear();
    bool bAscii = true;
    for (const char c : row)
        bAscii = bAscii && static_cast<unsigned char>(c) < 0x80;
    if (bAscii) {
        out.assign(row);
        return true;
    }
    if (m_pState == nullptr)
        return false;
    const iconv_t cd = static_cast<iconv_t>(m_pState);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // A double-byte character takes at most three bytes in UTF-8, a single byte at most three.
    out.resize(row.size() * 3);
    char* pIn = const_cast<char*>(row.data());
    std::size_t nIn = row.size();
    char* pOut = out.data();
    std::size_t nOut = out.size();
    // A lead byte cut off at the end leaves bytes unconverted without an error.
    if (iconv(cd, &pIn, &nIn, &pOut, &nOut) == static_cast<std::size_t>(-1) || nIn != 0)
        return false;
    out.resize(out.size() - nOut);
    return true;
}

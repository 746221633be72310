#pragma once
// How the bytes of a row are to be read. Rows are never transcoded; the code
// only says how to search them and how to draw them. Rows of one data file
// share its code; the output list may hold rows of several.

#include <cstdint>

enum class ETextCode : std::uint8_t {
    Ansi,    // the system's ANSI code page (Shift-JIS on Japanese systems)
    Utf8,    // UTF-8 without a byte-order mark
    Utf8Bom, // UTF-8 from a file that began with a byte-order mark, which save files repeat
};

inline bool IsUtf8(ETextCode code) {
    return code != ETextCode::Ansi;
}

// How the load decides a data file's code.
enum class EEncodingRule : std::uint8_t {
    Auto, // UTF-8 by a byte-order mark, or by valid UTF-8 with a multi-byte character; else ANSI
    Ansi, // always ANSI: every byte as it is, a byte-order mark staying in the first row
    Utf8, // always UTF-8; a byte-order mark is still taken off
};

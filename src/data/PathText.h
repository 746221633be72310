#pragma once

#include <filesystem>
#include <string>

// A path as UTF-8 text for a message: exact from the wide paths of Windows,
// the bytes as they are on POSIX.
inline std::string PathToUtf8(const std::filesystem::path& path) {
    const std::u8string str = path.u8string();
    return std::string(str.begin(), str.end());
}

#pragma once
// Paths at the edge of the system, with a twin per platform (PathTextPosix.cpp,
// PathTextWin.cpp).

#include <filesystem>
#include <string>

// A path as UTF-8 text for a message: exact from the wide paths of Windows (a
// name that is not valid UTF-16 shows U+FFFD where it breaks), without the
// \\?\ prefix of LongPathForm; the bytes as they are on POSIX. Never throws;
// empty when even that cannot be built.
std::string PathToUtf8(const std::filesystem::path& path) noexcept;

// The form of a path that the file calls get. On Windows it is the full path
// with the \\?\ prefix, so that a name near or past MAX_PATH still works once
// the save adds its temporary names beside it; device names (\\.\) and paths
// that already have the prefix stay as they are. Elsewhere the path itself.
std::filesystem::path LongPathForm(const std::filesystem::path& path);

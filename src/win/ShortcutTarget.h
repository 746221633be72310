#pragma once
// Shell shortcuts (.lnk) as the files they point to.

#include <filesystem>

// The path a shortcut file points to, read without any dialog and without searching for
// a target that has moved; empty when the file is not a shortcut the shell can read. The
// target may be gone. Works on any thread.
std::filesystem::path ShortcutTarget(const std::filesystem::path& shortcut);

#include "saving/PathText.h"

std::string PathToUtf8(const std::filesystem::path& path) noexcept {
    try {
        return path.native();
    } catch (...) {
        return {};
    }
}

std::filesystem::path LongPathForm(const std::filesystem::path& path) {
    return path;
}

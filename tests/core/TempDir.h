#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// A fresh folder for one test, removed with everything in it afterwards.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(std::string_view name) const { return m_path / name; }
    // Names of the files now in the folder, sorted.
    std::string Listing() const;

private:
    std::filesystem::path m_path;
};

void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
std::string ReadBytes(const std::filesystem::path& path);

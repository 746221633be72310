#pragma once
// What the tests share: a folder of their own, file bytes, and rows.

#include "data/PathText.h"
#include "data/RowList.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

// Names of the files in a folder, sorted, separated by spaces.
std::string Listing(const std::filesystem::path& folder);
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
std::string ReadBytes(const std::filesystem::path& path);

using Rows = std::vector<std::string>;
using Messages = std::vector<std::string>;

Rows RowsOf(const CRowList& list);
CRowList ListOf(const Rows& rows);
void Fill(CRowList& list, const Rows& rows);
// The rows as a save file holds them: each followed by CR LF.
std::string CrLf(const Rows& rows);
// A failure message followed by a line break and the path, as the jobs show it.
std::string WithPath(const char* pszMessage, const std::filesystem::path& path);

#include "TestUtil.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <set>
#include <sstream>

CTempDir::CTempDir() {
    static std::atomic<unsigned> nCounter{0};
    const auto nNow = std::chrono::steady_clock::now().time_since_epoch().count();
    m_path = std::filesystem::temp_directory_path() /
             ("kelvane-test-" + std::to_string(nNow) + "-" + std::to_string(nCounter++));
    std::filesystem::create_directories(m_path);
}

CTempDir::~CTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string CTempDir::Listing() const {
    return ::Listing(m_path);
}

std::string Listing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    std::string strOut;
    for (const auto& name : names)
        strOut += (strOut.empty() ? "" : " ") + name;
    return strOut;
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream str;
    str << in.rdbuf();
    return str.str();
}

Rows RowsOf(const CRowList& list) {
    Rows rows;
    for (std::size_t i = 0; i < list.Count(); ++i)
        rows.emplace_back(list.Row(i));
    return rows;
}

CRowList ListOf(const Rows& rows) {
    CRowList list;
    Fill(list, rows);
    return list;
}

void Fill(CRowList& list, const Rows& rows) {
    for (const auto& row : rows)
        list.Append(row);
}

std::string CrLf(const Rows& rows) {
    std::string bytes;
    for (const auto& row : rows)
        bytes += row + "\r\n";
    return bytes;
}

std::string WithPath(const char* pszMessage, const std::filesystem::path& path) {
    return std::string(pszMessage) + "\n" + PathToUtf8(path);
}

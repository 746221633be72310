#pragma once
// What the tests share: a folder of their own, file bytes, rows and the tool's texts.

#include "form/Texts.h"
#include "reading/ByteSource.h"
#include "rows/RowList.h"
#include "saving/PathText.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using Rows = std::vector<std::string>;
using Messages = std::vector<std::string>;
inline const std::string kM = texts::kDefaultMarker;

// Polls pred until it holds; false when it still does not after 20 seconds.
template <typename Pred> bool WaitUntil(Pred pred) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (; !pred(); std::this_thread::sleep_for(std::chrono::milliseconds(2)))
        if (std::chrono::steady_clock::now() > end)
            return false;
    return true;
}

// A fresh folder for one test, removed with everything in it afterwards.
class CTempDir {
public:
    CTempDir() {
        static std::atomic<unsigned> nCounter{0};
        const auto nNow = std::chrono::steady_clock::now().time_since_epoch().count();
        m_path = std::filesystem::temp_directory_path() /
                 ("kelvane-test-" + std::to_string(nNow) + "-" + std::to_string(nCounter++));
        std::filesystem::create_directories(m_path);
    }
    ~CTempDir() { std::filesystem::remove_all(m_path, m_ec); }
    const std::filesystem::path& Path() const { return m_path; }
    auto operator/(const auto& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
    std::error_code m_ec;
};

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ostringstream str;
    str << std::ifstream(path, std::ios::binary).rdbuf();
    return str.str();
}

// The files in a folder and below and what each holds, links as links, to see what a job
// changed and that it left no temporary file.
using Files = std::map<std::string, std::string>;
inline Files Snapshot(const std::filesystem::path& folder) {
    Files files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string& what = files[entry.path().lexically_relative(folder).string()];
        if (entry.is_symlink())
            what = "-> " + std::filesystem::read_symlink(entry).string();
        else if (entry.is_regular_file())
            what = ReadBytes(entry.path());
    }
    return files;
}

inline void Fill(CRowList& list, const Rows& rows) {
    for (const auto& row : rows)
        list.Append(row);
}

inline Rows RowsOf(const CRowList& list) {
    Rows rows;
    for (std::size_t i = 0; i < list.Count(); ++i)
        rows.emplace_back(list.Row(i));
    return rows;
}

// The rows as a save file holds them: each followed by CR LF.
inline std::string CrLf(const Rows& rows) {
    std::string bytes;
    for (const auto& row : rows)
        bytes += row + "\r\n";
    return bytes;
}

// Hands its bytes over at most nChunk at a time, as a pipe may; then ends, or fails to read.
class CTestSource : public CByteSource {
public:
    CTestSource(std::string bytes, std::size_t nChunk, bool bFailAtEnd = false)
        : m_bytes(std::move(bytes)), m_nChunk(nChunk), m_bFailAtEnd(bFailAtEnd) {}
    std::ptrdiff_t Read(char* pBuffer, std::size_t nSize) override {
        if (m_nAt == m_bytes.size() && m_bFailAtEnd)
            return -1;
        const std::size_t n = std::min({nSize, m_nChunk, m_bytes.size() - m_nAt});
        m_bytes.copy(pBuffer, n, m_nAt);
        m_nAt += n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    std::string m_bytes;
    std::size_t m_nChunk;
    bool m_bFailAtEnd;
    std::size_t m_nAt = 0;
};

#pragma once
// A file written beside its target and put in place in one step when done:
// until Commit succeeds the target keeps its old content, and a file that is
// not committed is removed. The platform twins live in AtomicFilePosix.cpp
// and win/AtomicFileWin.cpp.

#include <cstddef>
#include <cstdint>
#include <filesystem>

class CAtomicFile {
public:
    explicit CAtomicFile(std::filesystem::path target) : m_target(std::move(target)) {}
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;
    ~CAtomicFile();

    // Creates the temporary file; false when the target is a folder or read-only,
    // or its folder cannot take a new file.
    bool Create();
    bool Write(const char* pData, std::size_t nSize);
    // Flushes the temporary file to disk and puts it in the target's place.
    bool Commit();
    // Removes the temporary file now; the target is untouched.
    void Discard();

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    std::intptr_t m_hFile = -1; // descriptor or handle of the temporary file
    bool m_bExisted = false;    // the target was there when Create ran
};

// True when both paths name one file (the same volume and file index), whatever their text.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

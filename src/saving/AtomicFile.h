#pragma once
// A file written beside its target and put in place in one step when done:
// until Commit succeeds the target keeps its old content, and a file that is
// not committed is removed. The platform twins live in AtomicFilePosix.cpp
// and AtomicFileWin.cpp beside it.

#include "saving/SaveTarget.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>

class CAtomicFile : public CSaveTarget {
public:
    explicit CAtomicFile(std::filesystem::path target) : m_target(std::move(target)) {}
    CAtomicFile(const CAtomicFile&) = delete;
    CAtomicFile& operator=(const CAtomicFile&) = delete;
    ~CAtomicFile() override;

    // Creates the temporary file; false when the target is not a file that may be written
    // (a folder, a device, a read-only file) or its folder cannot take a new file. A
    // symbolic link is followed: the file it names is the target. On Windows an existing
    // file also keeps its own name when the path spells it in other case.
    bool Create() override;
    bool Write(const char* pData, std::size_t nSize) override;
    // Flushes the temporary file to disk and puts it in the target's place.
    bool Commit() override;
    // Removes the temporary file now; the target is untouched.
    void Discard() override;
    // After a failed Commit: where the old content is when it could not be put back under
    // the target's name (only on Windows, where the old file is moved aside first); else empty.
    std::filesystem::path StrandedBackup() const override { return m_stranded; }

private:
    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    std::filesystem::path m_stranded;
    std::intptr_t m_hFile = -1; // descriptor or handle of the temporary file
    bool m_bExisted = false;    // the target was there when Create ran
};

// True when both paths name one file (the same volume and file index), whatever their text.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);
// True when the path names the file that standard input reads, by identity.
bool IsStandardInput(const std::filesystem::path& path);

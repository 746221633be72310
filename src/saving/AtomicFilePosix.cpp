#include "saving/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

mode_t DefaultMode() {
    const mode_t nMask = ::umask(0);
    ::umask(nMask);
    return 0666 & ~nMask;
}

void SyncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::filesystem::path FolderOf(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

// The file a chain of symbolic links ends at, named or not yet there; replacing
// the link itself would cut it off from the file it names. A chain too long or
// looping is left to stat, which then fails.
std::filesystem::path FollowLinks(std::filesystem::path path) {
    for (int nHops = 0; nHops < 40; ++nHops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::error_code ec;
        const std::filesystem::path link = std::filesystem::read_symlink(path, ec);
        if (ec)
            return path;
        path = link.is_absolute() ? link : FolderOf(path) / link;
    }
    return path;
}

} // namespace

CAtomicFile::~CAtomicFile() {
    Discard();
}

bool CAtomicFile::Create() {
    m_target = FollowLinks(m_target);
    mode_t nMode = DefaultMode();
    struct stat st {};
    if (::stat(m_target.c_str(), &st) == 0) {
        // Only a regular file is replaced: a device, a FIFO, a socket or a folder stays as it
        // is. A read-only file keeps its content, as it would against a plain open for writing.
        if (!S_ISREG(st.st_mode) || (st.st_mode & 0222) == 0)
            return false;
        nMode = st.st_mode & 07777;
        m_bExisted = true;
    } else if (errno != ENOENT) {
        return false;
    }
    const std::string strPattern = (FolderOf(m_target) / ".kelvane-XXXXXX").string();
    std::vector<char> name(strPattern.begin(), strPattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return false;
    try {
        m_temp = name.data();
    } catch (...) {
        // Memory ran out: without its name the file could never be removed later.
        ::close(fd);
        ::unlink(name.data());
        throw;
    }
    m_hFile = fd;
    if (::fchmod(fd, nMode) != 0) {
        Discard();
        return false;
    }
    return true;
}

bool CAtomicFile::Write(const char* pData, std::size_t nSize) {
    while (nSize > 0) {
        const ssize_t nDone = ::write(static_cast<int>(m_hFile), pData, nSize);
        if (nDone < 0 && errno == EINTR)
            continue;
        if (nDone <= 0)
            return false;
        pData += nDone;
        nSize -= static_cast<std::size_t>(nDone);
    }
    return true;
}

bool CAtomicFile::Commit() {
    const int fd = static_cast<int>(m_hFile);
    const bool bSynced = ::fsync(fd) == 0;
    const bool bClosed = ::close(fd) == 0;
    m_hFile = -1;
    // Nothing may fail once the file is in place, not even for want of memory.
    const std::filesystem::path folder = FolderOf(m_target);
    if (!bSynced || !bClosed || ::rename(m_temp.c_str(), m_target.c_str()) != 0) {
        Discard();
        return false;
    }
    m_temp.clear();
    SyncFolder(folder);
    return true;
}

void CAtomicFile::Discard() {
    if (m_hFile >= 0) {
        ::close(static_cast<int>(m_hFile));
        m_hFile = -1;
    }
    if (!m_temp.empty()) {
        ::unlink(m_temp.c_str());
        m_temp.clear();
    }
}

namespace {
// The file a path names, by identity; false when there is none.
bool IdentityOf(const std::filesystem::path& path, struct stat& st) {
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool IsSameIdentity(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}
} // namespace

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat sa {};
    struct stat sb {};
    return IdentityOf(a, sa) && IdentityOf(b, sb) && IsSameIdentity(sa, sb);
}

bool IsStandardInput(const std::filesystem::path& path) {
    struct stat sIn {};
    struct stat sPath {};
    return ::fstat(STDIN_FILENO, &sIn) == 0 && IdentityOf(path, sPath) &&
           IsSameIdentity(sIn, sPath);
}

#include "reading/ByteSource.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>

std::unique_ptr<CFileSource> CFileSource::Open(const std::filesystem::path& path) {
    // A folder opens here, but never reads as a file.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return nullptr;
    return FromOpened(std::fopen(path.c_str(), "rb"));
}

std::unique_ptr<CFileSource> CFileSource::Stdin() {
    return std::unique_ptr<CFileSource>(new CFileSource(stdin, false));
}

std::uint64_t CFileSource::SizeHint() const {
    struct stat st {};
    if (::fstat(fileno(m_pFile), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

// What the file has at hand, without waiting to fill the buffer: a pipe's rows go on as
// soon as they arrive.
std::ptrdiff_t CFileSource::Read(char* pBuffer, std::size_t nSize) {
    for (;;) {
        const ssize_t n = ::read(fileno(m_pFile), pBuffer, std::min<std::size_t>(nSize, SSIZE_MAX));
        if (n >= 0 || errno != EINTR)
            return n < 0 ? -1 : static_cast<std::ptrdiff_t>(n);
    }
}

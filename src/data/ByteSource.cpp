#include "ByteSource.h"

#include "PathText.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <new>
#include <system_error>

std::unique_ptr<CFileSource> CFileSource::Open(const std::filesystem::path& path) {
#ifdef _WIN32
    // Opening a folder fails on Windows, so no check is needed first.
    std::FILE* pFile = _wfopen(LongPathForm(path).c_str(), L"rb");
#else
    // A folder opens here, but never reads as a file.
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        return nullptr;
    std::FILE* pFile = std::fopen(path.c_str(), "rb");
#endif
    if (pFile == nullptr) {
        // The file may be there and readable: it is memory that ran out.
        if (errno == ENOMEM)
            throw std::bad_alloc();
        return nullptr;
    }
    // Reads come in large blocks; a stream buffer would only copy them once more.
    std::setvbuf(pFile, nullptr, _IONBF, 0);
    std::unique_ptr<CFileSource> source(new (std::nothrow) CFileSource(pFile, true));
    if (!source) {
        // Without this the handle would stay open, and a later save over the file would fail.
        std::fclose(pFile);
        throw std::bad_alloc();
    }
    return source;
}

std::unique_ptr<CFileSource> CFileSource::Stdin() {
#ifdef _WIN32
    // Text mode would turn CR LF into LF and stop at 0x1A before the reading rules see them.
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    return std::unique_ptr<CFileSource>(new CFileSource(stdin, false));
}

CFileSource::~CFileSource() {
    if (m_bOwned)
        std::fclose(m_pFile);
}

std::uint64_t CFileSource::SizeHint() const {
#ifdef _WIN32
    struct _stat64 st {};
    if (_fstat64(_fileno(m_pFile), &st) != 0 || (st.st_mode & _S_IFREG) == 0)
        return 0;
#else
    struct stat st {};
    if (::fstat(fileno(m_pFile), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
#endif
    return static_cast<std::uint64_t>(st.st_size);
}

std::ptrdiff_t CFileSource::Read(char* pBuffer, std::size_t nSize) {
    const std::size_t nRead = std::fread(pBuffer, 1, nSize, m_pFile);
    if (nRead < nSize && std::ferror(m_pFile))
        return -1;
    return static_cast<std::ptrdiff_t>(nRead);
}

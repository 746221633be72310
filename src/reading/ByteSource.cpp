#include "reading/ByteSource.h"

#include <cerrno>
#include <new>

std::unique_ptr<CFileSource> CFileSource::FromOpened(std::FILE* pFile) {
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

CFileSource::~CFileSource() {
    if (m_bOwned)
        std::fclose(m_pFile);
}

std::ptrdiff_t CFileSource::Read(char* pBuffer, std::size_t nSize) {
    const std::size_t nRead = std::fread(pBuffer, 1, nSize, m_pFile);
    if (nRead < nSize && std::ferror(m_pFile))
        return -1;
    return static_cast<std::ptrdiff_t>(nRead);
}

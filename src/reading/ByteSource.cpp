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

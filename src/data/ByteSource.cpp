#include "ByteSource.h"

#include "PathText.h"

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
    if (pFile == nullptr)
        return nullptr;
    // Reads come in large blocks; a stream buffer would only copy them once more.
    std::setvbuf(pFile, nullptr, _IONBF, 0);
    std::unique_ptr<CFileSource> source(new (std::nothrow) CFileSource(pFile));
    if (!source) {
        // Without this the handle would stay open, and a later save over the file would fail.
        std::fclose(pFile);
        throw std::bad_alloc();
    }
    return source;
}

CFileSource::~CFileSource() {
    std::fclose(m_pFile);
}

std::ptrdiff_t CFileSource::Read(char* pBuffer, std::size_t nSize) {
    const std::size_t nRead = std::fread(pBuffer, 1, nSize, m_pFile);
    if (nRead < nSize && std::ferror(m_pFile))
        return -1;
    return static_cast<std::ptrdiff_t>(nRead);
}

#include "ByteSource.h"

#include <system_error>

std::unique_ptr<CFileSource> CFileSource::Open(const std::filesystem::path& path) {
    std::error_code ec;
    // A folder opens on some systems but never reads as a file.
    if (std::filesystem::is_directory(path, ec))
        return nullptr;
#ifdef _WIN32
    std::FILE* pFile = _wfopen(path.c_str(), L"rb");
#else
    std::FILE* pFile = std::fopen(path.c_str(), "rb");
#endif
    if (pFile == nullptr)
        return nullptr;
    // Reads come in large blocks; a stream buffer would only copy them once more.
    std::setvbuf(pFile, nullptr, _IONBF, 0);
    return std::unique_ptr<CFileSource>(new CFileSource(pFile));
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

#pragma once
// Where the load job's bytes come from: the data file, or in tests a source
// that fails part-way.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

class CByteSource {
public:
    virtual ~CByteSource() = default;
    // Up to nSize bytes into pBuffer: the count read, 0 at the end, -1 on a read error.
    virtual std::ptrdiff_t Read(char* pBuffer, std::size_t nSize) = 0;
    // How many bytes there are in all, where that is known before reading (a file); else 0.
    virtual std::uint64_t SizeHint() const { return 0; }
};

// The data file, opened for reading with other readers and writers allowed.
class CFileSource : public CByteSource {
public:
    // Null when the file cannot be opened.
    static std::unique_ptr<CFileSource> Open(const std::filesystem::path& path);
    // Standard input, read as bytes; it stays open afterwards.
    static std::unique_ptr<CFileSource> Stdin();
    ~CFileSource() override;
    std::ptrdiff_t Read(char* pBuffer, std::size_t nSize) override;
    std::uint64_t SizeHint() const override;

private:
    CFileSource(std::FILE* pFile, bool bOwned) : m_pFile(pFile), m_bOwned(bOwned) {}
    // The source of a file just opened, or null when it could not be (pFile null).
    static std::unique_ptr<CFileSource> FromOpened(std::FILE* pFile);
    std::FILE* m_pFile;
    bool m_bOwned;
};

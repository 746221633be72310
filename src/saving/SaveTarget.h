#pragma once
// Where a save file's bytes go: a file that replaces its target whole when
// committed (CAtomicFile), or in kelvane-cli a stream such as standard output.

#include <cstddef>
#include <cstdio>
#include <filesystem>

class CSaveTarget {
public:
    virtual ~CSaveTarget() = default;
    // Ready to take bytes; false when the target cannot be written at all.
    virtual bool Create() = 0;
    virtual bool Write(const char* pData, std::size_t nSize) = 0;
    // Hands the bytes written so far on to a reader who waits for them; a file, whose
    // bytes count only once committed, has nothing to do.
    virtual bool Deliver() { return true; }
    // Every byte has arrived where it belongs; false when that failed.
    virtual bool Commit() = 0;
    // Nothing written so far may be left behind.
    virtual void Discard() = 0;
    // After a failed Commit: where the old content is when it could not be put back.
    virtual std::filesystem::path StrandedBackup() const { return {}; }
};

// Writes to a stream that the caller owns, for example standard output. A
// write that fails (a closed pipe) makes the save fail; nothing can be taken
// back from a stream, so Discard does nothing.
class CStreamTarget : public CSaveTarget {
public:
    explicit CStreamTarget(std::FILE* pStream) : m_pStream(pStream) {}
    bool Create() override { return true; }
    bool Write(const char* pData, std::size_t nSize) override {
        return std::fwrite(pData, 1, nSize, m_pStream) == nSize;
    }
    bool Deliver() override { return std::fflush(m_pStream) == 0; }
    bool Commit() override { return std::fflush(m_pStream) == 0 && !std::ferror(m_pStream); }
    void Discard() override {}

private:
    std::FILE* m_pStream;
};

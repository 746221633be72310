#include "saving/AtomicFile.h"
#include "saving/FileSeams.h"
#include "saving/PathText.h"
#include "win/ScopedWin.h"

#include <string>

SFileSeams& FileSeams() {
    static SFileSeams seams{ReplaceFileW, MoveFileExW, DeleteFileW};
    return seams;
}

namespace {

HANDLE AsHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

// A name beside the target that no other file has yet: "~kv<tag>.kvtmp" or ".kvbak".
std::filesystem::path SiblingName(const std::filesystem::path& target, const wchar_t* pszKind,
                                  unsigned nAttempt) {
    const unsigned long long nTag =
        (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^ GetTickCount() ^
        (static_cast<unsigned long long>(GetCurrentThreadId()) << 16) ^ nAttempt;
    return target.parent_path() / (L"~kv" + std::to_wstring(nTag) + pszKind);
}

// Another program may hold a file open for a moment (a virus scanner, an
// indexer), so each step is tried a few times before the save gives up.
bool IsPassingHold(DWORD dwError) {
    return dwError == ERROR_SHARING_VIOLATION || dwError == ERROR_LOCK_VIOLATION ||
           dwError == ERROR_ACCESS_DENIED;
}

template <typename Op> bool WithRetries(Op op) {
    for (int nTry = 0;; ++nTry) {
        if (op())
            return true;
        if (nTry >= 5 || !IsPassingHold(GetLastError()))
            return false;
        Sleep(100);
    }
}

bool MoveInPlace(const std::filesystem::path& from, const std::filesystem::path& to) {
    return WithRetries([&] {
        return FileSeams().pfnMoveFileEx(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
    });
}

// The path of the file an existing path opens: through links to the file they name, and
// with each name as its folder holds it. ReplaceFileW gives the file the name it is handed
// and replaces a link itself, so a save through "B.TXT" would rename "b.txt" and a save
// through a link would cut it off. The path as it is when the file cannot be opened or has
// no drive or share path.
std::filesystem::path FinalPathOf(const std::filesystem::path& path) {
    const CScopedHandle file(
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.IsValid())
        return path;
    std::wstring strFinal(MAX_PATH, L'\0');
    DWORD dwLength = GetFinalPathNameByHandleW(
        file.Get(), strFinal.data(), static_cast<DWORD>(strFinal.size()), FILE_NAME_NORMALIZED);
    if (dwLength >= strFinal.size()) {
        strFinal.resize(dwLength);
        dwLength = GetFinalPathNameByHandleW(
            file.Get(), strFinal.data(), static_cast<DWORD>(strFinal.size()), FILE_NAME_NORMALIZED);
    }
    if (dwLength == 0 || dwLength >= strFinal.size())
        return path;
    strFinal.resize(dwLength);
    return strFinal; // in the \\?\ form, as LongPathForm gives
}

} // namespace

CAtomicFile::~CAtomicFile() {
    Discard();
}

bool CAtomicFile::Create() {
    m_target = LongPathForm(m_target);
    DWORD dwAttributes = GetFileAttributesW(m_target.c_str());
    if (dwAttributes != INVALID_FILE_ATTRIBUTES) {
        m_target = FinalPathOf(m_target);
        dwAttributes = GetFileAttributesW(m_target.c_str());
    }
    if (dwAttributes != INVALID_FILE_ATTRIBUTES) {
        // A read-only file keeps its content, as it would against a plain open for writing.
        if (dwAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
            return false;
        m_bExisted = true;
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    for (unsigned nAttempt = 0; nAttempt < 16; ++nAttempt) {
        std::filesystem::path temp = SiblingName(m_target, L".kvtmp", nAttempt);
        const HANDLE hFile = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE) {
            m_hFile = reinterpret_cast<std::intptr_t>(hFile);
            m_temp = std::move(temp); // cannot fail: the file always keeps its name for Discard
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool CAtomicFile::Write(const char* pData, std::size_t nSize) {
    while (nSize > 0) {
        const DWORD dwChunk = nSize > (1u << 30) ? (1u << 30) : static_cast<DWORD>(nSize);
        DWORD dwDone = 0;
        if (!WriteFile(AsHandle(m_hFile), pData, dwChunk, &dwDone, nullptr) || dwDone == 0)
            return false;
        pData += dwDone;
        nSize -= dwDone;
    }
    return true;
}

bool CAtomicFile::Commit() {
    const bool bFlushed = FlushFileBuffers(AsHandle(m_hFile)) != FALSE;
    const bool bClosed = CloseHandle(AsHandle(m_hFile)) != FALSE;
    m_hFile = -1;
    if (!bFlushed || !bClosed) {
        Discard();
        return false;
    }
    bool bPlaced = false;
    if (m_bExisted) {
        // The old content goes to a backup name first, so that whatever step fails the old
        // file can be put back under its own name.
        const std::filesystem::path backup = SiblingName(m_target, L".kvbak", 0);
        bPlaced = WithRetries([&] {
            return FileSeams().pfnReplaceFile(m_target.c_str(), m_temp.c_str(), backup.c_str(),
                                              REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        });
        const DWORD dwError = GetLastError();
        if (bPlaced) {
            // A backup that stays held is left behind; the save itself has succeeded.
            WithRetries([&] {
                return FileSeams().pfnDeleteFile(backup.c_str()) ||
                       GetLastError() == ERROR_FILE_NOT_FOUND;
            });
        } else if (dwError == ERROR_FILE_NOT_FOUND) {
            // The target was removed since Create: there is nothing to keep, only to place.
            bPlaced = MoveInPlace(m_temp, m_target);
        } else if (dwError == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            // The old file is under the backup name and the new one could not take its place.
            if (!MoveInPlace(backup, m_target))
                m_stranded = backup;
        }
    } else {
        bPlaced = MoveInPlace(m_temp, m_target);
    }
    if (!bPlaced) {
        Discard();
        return false;
    }
    m_temp.clear();
    return true;
}

void CAtomicFile::Discard() {
    if (m_hFile != -1) {
        CloseHandle(AsHandle(m_hFile));
        m_hFile = -1;
    }
    if (!m_temp.empty()) {
        DeleteFileW(m_temp.c_str());
        m_temp.clear();
    }
}

namespace {
bool IdentityOf(const std::filesystem::path& path, BY_HANDLE_FILE_INFORMATION& info) {
    const CScopedHandle file(CreateFileW(
        LongPathForm(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.IsValid() && GetFileInformationByHandle(file.Get(), &info) != FALSE;
}

bool IsSameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}
} // namespace

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    BY_HANDLE_FILE_INFORMATION infoA{};
    BY_HANDLE_FILE_INFORMATION infoB{};
    return !a.empty() && !b.empty() && IdentityOf(a, infoA) && IdentityOf(b, infoB) &&
           IsSameIdentity(infoA, infoB);
}

bool IsStandardInput(const std::filesystem::path& path) {
    BY_HANDLE_FILE_INFORMATION infoIn{};
    BY_HANDLE_FILE_INFORMATION infoPath{};
    // A pipe or a console has no file identity, and the call fails for it.
    const HANDLE hIn = GetStdHandle(STD_INPUT_HANDLE);
    return !path.empty() && hIn != nullptr && hIn != INVALID_HANDLE_VALUE &&
           GetFileInformationByHandle(hIn, &infoIn) && IdentityOf(path, infoPath) &&
           IsSameIdentity(infoIn, infoPath);
}

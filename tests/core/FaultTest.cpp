// Saving against a disk that fails the way real disks do: full, or a file held
// open by another program. The old file must stay whole and nothing be left.
#include "TestUtil.h"

#include "data/ControlIds.h"
#include "data/MemoryForm.h"
#include "data/PathText.h"
#include "data/PodArray.h"
#include "data/SaveFile.h"
#include "data/Texts.h"
#include "jobs/Jobs.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include "win/FileSeams.h"

#include <windows.h>
#else
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace {

CRowList ManyRows(std::size_t nRows, std::size_t nLength) {
    CRowList rows;
    for (std::size_t i = 0; i < nRows; ++i)
        rows.Append(std::string(nLength, static_cast<char>('a' + i % 26)));
    return rows;
}

// A form that notes what the folder holds whenever the user is told something.
class CFolderWatchingForm : public CMemoryForm {
public:
    std::filesystem::path m_folder;
    std::vector<std::string> m_listings;
    void ShowMessage(std::string_view strUtf8) override {
        m_listings.push_back(Listing(m_folder));
        CMemoryForm::ShowMessage(strUtf8);
    }
};

// Fills a folder on a 64 KB file system: a plain save of 200 KB, then the
// duplicate-removal job, whose file is written on a helper thread. Both fail,
// the old file stays whole, and no temporary file is left, not even while the
// failure is shown.
void ExpectFullDiskFails(const std::filesystem::path& small) {
    const auto target = small / "urls.txt";
    WriteBytes(target, "old\r\n");
    EXPECT_FALSE(WriteSaveFile(target, ManyRows(200, 1000)));
    EXPECT_EQ(ReadBytes(target), "old\r\n");

    CFolderWatchingForm form;
    form.m_folder = small;
    for (std::size_t i = 0; i < 5000; ++i)
        form.m_listIn.Append(std::to_string(i % 4000) + std::string(40, 'x'));
    form.m_nLastRow = static_cast<int>(form.m_listIn.Count()) - 1;
    form.m_fieldPaths[IDC_DEST_PATH] = target;
    EXPECT_EQ(RunDedupJob(form), EJobResult::Failed);
    EXPECT_EQ(form.m_messages, std::vector<std::string>{std::string(texts::kSaveFailed) + "\n" +
                                                        PathToUtf8(target)});
    EXPECT_EQ(form.m_listings, std::vector<std::string>{"urls.txt"});
    EXPECT_EQ(form.m_listOut.Count(), 4000u); // the list has its rows all the same
    EXPECT_EQ(ReadBytes(target), "old\r\n");
    EXPECT_EQ(Listing(small), "urls.txt");
}

#ifndef _WIN32
TEST(SaveFaults, FullDisk) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    CTempDir dir;
    const auto small = dir / "small";
    std::filesystem::create_directory(small);
    ASSERT_EQ(::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k"), 0);
    ExpectFullDiskFails(small);
    ::umount(small.c_str());
}
#else
// scripts/test maps a drive letter onto a 64 KB file system and names it here.
TEST(SaveFaults, FullDisk) {
    const char* pszDrive = std::getenv("KELVANE_SMALL_DRIVE");
    if (pszDrive == nullptr)
        GTEST_SKIP() << "no small drive (KELVANE_SMALL_DRIVE) was set up";
    const std::filesystem::path small = std::filesystem::path(pszDrive) / "fault-test";
    std::filesystem::remove_all(small);
    std::filesystem::create_directory(small);
    ExpectFullDiskFails(small);
    std::filesystem::remove_all(small);
}

TEST(LongPaths, TheFormFileCallsGet) {
    wchar_t szCurrent[MAX_PATH] = L"";
    ::GetCurrentDirectoryW(MAX_PATH, szCurrent);
    std::wstring current = szCurrent;
    if (current.back() != L'\\')
        current += L'\\';
    const struct {
        std::wstring in;
        std::wstring out;
    } cases[] = {
        {L"C:\\a\\b.txt", L"\\\\?\\C:\\a\\b.txt"},
        {L"C:/a/./x/../b.txt", L"\\\\?\\C:\\a\\b.txt"},
        {L"\\\\server\\share\\b.txt", L"\\\\?\\UNC\\server\\share\\b.txt"},
        {L"\\\\?\\C:\\a\\..\\b.txt", L"\\\\?\\C:\\a\\..\\b.txt"},
        {L"\\\\.\\NUL", L"\\\\.\\NUL"},
        {L"b.txt", L"\\\\?\\" + current + L"b.txt"},
        {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LongPathForm(c.in).wstring(), c.out) << PathToUtf8(c.in);
}

// A save path far past MAX_PATH, with the temporary and backup names longer still.
TEST(LongPaths, SaveAndLoadPastMaxPath) {
    CTempDir dir;
    std::filesystem::path folder = LongPathForm(dir.Path());
    for (int i = 0; i < 3; ++i) {
        folder /= std::wstring(100, static_cast<wchar_t>(L'a' + i));
        ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    }
    // The path as a user gives it, without the prefix.
    const std::filesystem::path target = dir.Path() / std::wstring(100, L'a') /
                                         std::wstring(100, L'b') / std::wstring(100, L'c') /
                                         L"u.txt";
    ASSERT_GT(target.native().size(), 300u);
    EXPECT_TRUE(WriteSaveFile(target, ManyRows(2, 3)));
    EXPECT_TRUE(WriteSaveFile(target, ManyRows(1, 3))); // over the existing file
    CMemoryForm form;
    form.m_strDataPath = target;
    EXPECT_EQ(RunLoadJob(form), EJobResult::Completed);
    EXPECT_EQ(form.m_listIn.Count(), 1u);
    EXPECT_EQ(std::string(form.m_listIn.Row(0)), "aaa");
    ::DeleteFileW(LongPathForm(target).c_str());
    for (int i = 0; i < 3; ++i) {
        ::RemoveDirectoryW(folder.c_str());
        folder = folder.parent_path();
    }
}

// The steps of putting the new file in place fail here on purpose, as they can
// when another program holds a file at the wrong moment.
struct SCommitSeams {
    static inline int s_nReplaceFails = 0;      // ReplaceFile moves the old file aside, then fails
    static inline int s_nRestoreFails = 0;      // moves of the backup back to the target that fail
    static inline int s_nDeleteBackupFails = 0; // deletions of the backup that fail
    static BOOL WINAPI Replace(LPCWSTR pszTarget, LPCWSTR pszNew, LPCWSTR pszBackup, DWORD dwFlags,
                               LPVOID p1, LPVOID p2) {
        if (s_nReplaceFails == 0)
            return ::ReplaceFileW(pszTarget, pszNew, pszBackup, dwFlags, p1, p2);
        --s_nReplaceFails;
        ::MoveFileExW(pszTarget, pszBackup, 0);
        ::SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
        return FALSE;
    }
    static BOOL WINAPI Move(LPCWSTR pszFrom, LPCWSTR pszTo, DWORD dwFlags) {
        if (std::wstring(pszFrom).ends_with(L".kvbak") && s_nRestoreFails > 0) {
            --s_nRestoreFails;
            ::SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
        return ::MoveFileExW(pszFrom, pszTo, dwFlags);
    }
    static BOOL WINAPI Delete(LPCWSTR pszPath) {
        if (std::wstring(pszPath).ends_with(L".kvbak") && s_nDeleteBackupFails > 0) {
            --s_nDeleteBackupFails;
            ::SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
        return ::DeleteFileW(pszPath);
    }
};

TEST(SaveFaults, PuttingTheFileInPlaceFailsHalfWay) {
    struct SCase {
        const char* pszName;
        int nReplaceFails, nRestoreFails, nDeleteBackupFails;
        EJobResult result;
        const char* pszContent; // of the target afterwards
        bool bStranded;         // the old content is only under the backup name, which is named
    };
    const SCase cases[] = {
        {"backup deletion held twice", 0, 0, 2, EJobResult::Completed, "a/regist_pernad.cgi\r\n",
         false},
        {"restore held twice", 1, 2, 0, EJobResult::Failed, "old\r\n", false},
        {"restore held for good", 1, 100, 0, EJobResult::Failed, nullptr, true},
    };
    const SFileSeams saved = FileSeams();
    FileSeams() = {SCommitSeams::Replace, SCommitSeams::Move, SCommitSeams::Delete};
    for (const SCase& c : cases) {
        SCommitSeams::s_nReplaceFails = c.nReplaceFails;
        SCommitSeams::s_nRestoreFails = c.nRestoreFails;
        SCommitSeams::s_nDeleteBackupFails = c.nDeleteBackupFails;
        CTempDir dir;
        const auto target = dir / "urls.txt";
        WriteBytes(target, "old\r\n");
        CMemoryForm form;
        form.m_listIn.Append("a/regist_pernad.cgi?x");
        form.m_fieldPaths[IDC_DEST_PATH] = target;
        EXPECT_EQ(RunConvertJob(form), c.result) << c.pszName;
        ASSERT_EQ(form.m_messages.size(), 1u) << c.pszName;
        if (c.bStranded) {
            EXPECT_FALSE(std::filesystem::exists(target)) << c.pszName;
            const std::string strBackup = dir.Listing();
            ASSERT_TRUE(strBackup.ends_with(".kvbak")) << strBackup;
            EXPECT_EQ(ReadBytes(dir / strBackup), "old\r\n") << c.pszName;
            EXPECT_EQ(form.m_messages[0], std::string(texts::kSaveFailed) + "\n" +
                                              PathToUtf8(target) + "\n" + texts::kOldContentKept +
                                              "\n" + PathToUtf8(dir / strBackup))
                << c.pszName;
        } else {
            EXPECT_EQ(ReadBytes(target), c.pszContent) << c.pszName;
            EXPECT_EQ(dir.Listing(), "urls.txt") << c.pszName;
        }
    }
    FileSeams() = saved;
}

#endif

// Sizes near the top of size_t (the i686 build's 32 bits included) fail as allocations
// do, never by wrapping round to a small block.
TEST(SizeLimits, GrowthThatCannotBeRepresentedFails) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    CPodArray<std::uint64_t> words;
    EXPECT_THROW(words.Reserve(kMax / 8 + 1), std::bad_alloc);
    EXPECT_THROW(words.Reserve(kMax / 2), std::bad_alloc);
    CPodArray<char> bytes;
    bytes.Append("abc", 3);
    EXPECT_THROW(bytes.Grow(kMax - 1), std::bad_alloc);
    EXPECT_THROW(bytes.Grow(kMax), std::bad_alloc);
    EXPECT_EQ(bytes.Size(), 3u);
    EXPECT_EQ(std::string(bytes.Data(), 3), "abc");
}

} // namespace

// Saving: every row followed by CR LF; and whatever stops a save, a full disk, a
// folder, a link to a device or a file another program holds at the wrong moment,
// the old file stays whole and no temporary file is left.
#include "TestUtil.h"

#include "data/AtomicFile.h"
#include "data/MemoryForm.h"
#include "data/PodArray.h"
#include "data/SaveFile.h"
#include "data/Texts.h"
#include "jobs/Jobs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <map>

#ifdef _WIN32
#include "win/FileSeams.h"

#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// The folder's files and what each holds, links as links, to see what a save changed.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::string& what = files[entry.path().lexically_relative(folder).string()];
        if (entry.is_symlink())
            what = "-> " + fs::read_symlink(entry).string();
        else if (entry.is_regular_file())
            what = ReadBytes(entry.path());
    }
    return files;
}

TEST(SaveFile, WritesEveryRowOrChangesNothing) {
    const std::string strBig(3 << 20, 'u'); // larger than the write buffer
    using Prepare = void (*)(const fs::path& folder);
    Prepare none = [](const fs::path&) {};
    Prepare folder = [](const fs::path& d) { fs::create_directory(d / "out.txt"); };
    Prepare readOnly = [](const fs::path& d) {
        WriteBytes(d / "out.txt", "old\r\n");
        fs::permissions(d / "out.txt",
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    };
#ifdef _WIN32
    Prepare oldFile = [](const fs::path& d) { WriteBytes(d / "out.txt", "old\r\n"); };
#else
    Prepare linkChain = [](const fs::path& d) {
        fs::create_directory(d / "sub");
        WriteBytes(d / "sub" / "real.txt", "old\r\n");
        fs::create_symlink("real.txt", d / "sub" / "hop");
        fs::create_symlink(d / "sub" / "hop", d / "target");
    };
    Prepare linkToMissing = [](const fs::path& d) { fs::create_symlink("new.txt", d / "target"); };
    Prepare fifo = [](const fs::path& d) { ASSERT_EQ(::mkfifo((d / "target").c_str(), 0600), 0); };
    Prepare linkToFifo = [](const fs::path& d) {
        ASSERT_EQ(::mkfifo((d / "fifo").c_str(), 0600), 0);
        fs::create_symlink("fifo", d / "target");
    };
    Prepare linkToFolder = [](const fs::path& d) {
        fs::create_directory(d / "folder");
        fs::create_symlink("folder", d / "target");
    };
    // A null device of its own where one may be made: a fault must not replace /dev/null.
    Prepare linkToDevice = [](const fs::path& d) {
        const bool bOwn = ::mknod((d / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
        fs::create_symlink(bOwn ? d / "null" : fs::path("/dev/null"), d / "target");
    };
#endif
    struct SCase {
        const char* pszName;
        std::string target; // inside the test folder
        Rows rows;
        std::string bytes;      // of the file written, when the save succeeds
        const char* pszWritten; // that file; nullptr: the save fails and changes nothing
        Prepare prepare;
    };
    const SCase cases[] = {
        {"rows with CR LF", "out.txt", {"a", "", "a\rb"}, "a\r\n\r\na\rb\r\n", "out.txt", none},
        {"no rows", "out.txt", {}, "", "out.txt", none},
        {"row larger than the buffer",
         "out.txt",
         {"x", strBig},
         "x\r\n" + strBig + "\r\n",
         "out.txt",
         none},
        {"folder missing", "missing/out.txt", {"new"}, "", nullptr, none},
        {"target is a folder", "out.txt", {"new"}, "", nullptr, folder},
        {"target read-only", "out.txt", {"new"}, "", nullptr, readOnly},
        {"name too long", std::string(300, 'n'), {"new"}, "", nullptr, none},
#ifdef _WIN32
        {"characters a name cannot hold", "a<b|c?.txt", {"new"}, "", nullptr, none},
        {"name in other case", "OUT.TXT", {"new"}, "new\r\n", "out.txt", oldFile},
#else
        // A link is followed to the file it names; only a regular file is replaced.
        {"chain of links", "target", {"new"}, "new\r\n", "sub/real.txt", linkChain},
        {"link to a missing file", "target", {"new"}, "new\r\n", "new.txt", linkToMissing},
        {"fifo", "target", {"new"}, "", nullptr, fifo},
        {"link to a fifo", "target", {"new"}, "", nullptr, linkToFifo},
        {"link to a folder", "target", {"new"}, "", nullptr, linkToFolder},
        {"link to a device", "target", {"new"}, "", nullptr, linkToDevice},
#endif
    };
    for (const SCase& c : cases) {
        CTempDir dir;
        c.prepare(dir.Path());
        const auto before = Snapshot(dir.Path());
        EXPECT_EQ(WriteSaveFile(dir / c.target, ListOf(c.rows)), c.pszWritten != nullptr)
            << c.pszName;
        auto expected = before;
        if (c.pszWritten != nullptr)
            expected[c.pszWritten] = c.bytes; // and no temporary beside it
        EXPECT_EQ(Snapshot(dir.Path()), expected) << c.pszName;
        std::error_code ec; // writable again, so that the folder can be removed
        fs::permissions(dir / c.target, fs::perms::owner_write, fs::perm_options::add, ec);
    }
}

// A target removed between the start of the save and its end is simply written.
TEST(SaveFile, TargetRemovedBeforeTheCommit) {
    CTempDir dir;
    WriteBytes(dir / "out.txt", "old\r\n");
    CAtomicFile file(dir / "out.txt");
    ASSERT_TRUE(file.Create());
    ASSERT_TRUE(file.Write("new\r\n", 5));
    fs::remove(dir / "out.txt");
    EXPECT_TRUE(file.Commit());
    EXPECT_EQ(ReadBytes(dir / "out.txt"), "new\r\n");
    EXPECT_EQ(dir.Listing(), "out.txt");
}

// A form that notes what the folder holds whenever the user is told something.
class CFolderWatchingForm : public CMemoryForm {
public:
    fs::path m_folder;
    std::vector<std::string> m_listings;
    void ShowMessage(std::string_view strUtf8) override {
        m_listings.push_back(Listing(m_folder));
        CMemoryForm::ShowMessage(strUtf8);
    }
};

// On a 64 KB file system the duplicate-removal job, whose file is written on a helper
// thread, fails: the old file stays whole, and no temporary file is left, not even while
// the failure is shown. A plain Linux root mounts one; scripts/test gives Wine a drive.
TEST(SaveFaults, FullDisk) {
#ifdef _WIN32
    const char* pszDrive = std::getenv("KELVANE_SMALL_DRIVE");
    if (pszDrive == nullptr)
        GTEST_SKIP() << "no small drive (KELVANE_SMALL_DRIVE) was set up";
    const fs::path small = fs::path(pszDrive) / "fault-test";
    fs::remove_all(small);
    fs::create_directory(small);
#else
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    CTempDir dir;
    const fs::path small = dir / "small";
    fs::create_directory(small);
    ASSERT_EQ(::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k"), 0);
#endif
    const auto target = small / "urls.txt";
    WriteBytes(target, "old\r\n");
    CFolderWatchingForm form;
    form.m_folder = small;
    for (std::size_t i = 0; i < 5000; ++i)
        form.m_rowsIn.Append(std::to_string(i % 4000) + std::string(40, 'x'));
    form.m_nLastRow = 4999;
    form.m_strSavePath = target;
    EXPECT_EQ(RunDedupJob(form), EJobResult::Failed);
    EXPECT_EQ(form.m_messages, Messages{WithPath(texts::kSaveFailed, target)});
    EXPECT_EQ(form.m_listings, Messages{"urls.txt"});
    EXPECT_EQ(form.m_rowsOut.Count(), 4000u); // the list has its rows all the same
    EXPECT_EQ(ReadBytes(target), "old\r\n");
    EXPECT_EQ(Listing(small), "urls.txt");
#ifdef _WIN32
    fs::remove_all(small);
#else
    ::umount(small.c_str());
#endif
}

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
    EXPECT_EQ(std::string(bytes.Data(), bytes.Size()), "abc");
}

#ifdef _WIN32
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

// A save path far past MAX_PATH, as a user gives it, without the prefix; the temporary
// and backup names are longer still.
TEST(LongPaths, SaveAndLoadPastMaxPath) {
    CTempDir dir;
    fs::path target = dir.Path();
    for (wchar_t ch : {L'a', L'b', L'c'}) {
        target /= std::wstring(100, ch);
        ASSERT_TRUE(::CreateDirectoryW(LongPathForm(target).c_str(), nullptr));
    }
    target /= L"u.txt";
    EXPECT_TRUE(WriteSaveFile(target, ListOf({"a", "b"})));
    EXPECT_TRUE(WriteSaveFile(target, ListOf({"c"}))); // over the existing file
    CMemoryForm form;
    form.m_strDataPath = target;
    EXPECT_EQ(RunLoadJob(form), EJobResult::Completed);
    EXPECT_EQ(RowsOf(form.m_rowsIn), Rows{"c"});
    for (::DeleteFileW(LongPathForm(target).c_str()); target != dir.Path();)
        ::RemoveDirectoryW(LongPathForm(target = target.parent_path()).c_str());
}

// Runs a Unix program under Wine, its last argument the Unix name of path; false elsewhere.
// Wine's CreateSymbolicLinkW makes no link, and its DeleteFileW removes the file a link names.
bool RunUnix(std::vector<const char*> args, const fs::path& path) {
    using Spawn = LONG(CDECL*)(char* const* argv, int bWait);
    using UnixName = char*(CDECL*)(LPCWSTR pszPath);
    const auto pfnSpawn = reinterpret_cast<Spawn>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll"), "__wine_unix_spawnvp")));
    const auto pfnUnixName = reinterpret_cast<UnixName>(reinterpret_cast<void (*)()>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* pszPath = pfnSpawn && pfnUnixName ? pfnUnixName(path.c_str()) : nullptr;
    if (pszPath == nullptr)
        return false;
    std::vector<char*> argv;
    for (const char* pszArg : args)
        argv.push_back(const_cast<char*>(pszArg));
    argv.insert(argv.end(), {pszPath, nullptr});
    const bool bRan = pfnSpawn(argv.data(), 1) == 0;
    ::HeapFree(::GetProcessHeap(), 0, pszPath);
    return bRan;
}

// A save through a link replaces the file the link names, and the link stays a link.
TEST(SaveFile, ThroughALinkReplacesTheFileItNames) {
    CTempDir dir;
    WriteBytes(dir / "real.txt", "old\r\n");
    if (!RunUnix({"ln", "-s", "real.txt"}, dir / "link.txt"))
        GTEST_SKIP() << "the link is made by Wine's Unix side";
    EXPECT_TRUE(WriteSaveFile(dir / "link.txt", ListOf({"new"})));
    EXPECT_EQ(ReadBytes(dir / "real.txt"), "new\r\n");
    EXPECT_EQ(dir.Listing(), "link.txt real.txt");
    WriteBytes(dir / "real.txt", "later\r\n");
    EXPECT_EQ(ReadBytes(dir / "link.txt"), "later\r\n");
    RunUnix({"rm"}, dir / "link.txt");
}

// The steps of putting the new file in place fail here on purpose, as they can when
// another program holds a file at the wrong moment.
struct SCommitSeams {
    static inline int s_nReplaceFails = 0;      // ReplaceFile moves the old file aside, then fails
    static inline int s_nRestoreFails = 0;      // moves of the backup back to the target that fail
    static inline int s_nDeleteBackupFails = 0; // deletions of the backup that fail
    static bool FailsOn(int& nFails, LPCWSTR pszPath) {
        if (!std::wstring(pszPath).ends_with(L".kvbak") || nFails == 0)
            return false;
        --nFails;
        ::SetLastError(ERROR_SHARING_VIOLATION);
        return true;
    }
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
        return !FailsOn(s_nRestoreFails, pszFrom) && ::MoveFileExW(pszFrom, pszTo, dwFlags);
    }
    static BOOL WINAPI Delete(LPCWSTR pszPath) {
        return !FailsOn(s_nDeleteBackupFails, pszPath) && ::DeleteFileW(pszPath);
    }
};

TEST(SaveFaults, PuttingTheFileInPlaceFailsHalfWay) {
    const struct {
        const char* pszName;
        int nReplaceFails, nRestoreFails, nDeleteBackupFails;
        EJobResult result;
        const char* pszContent; // of the target afterwards; nullptr: only the named backup has it
    } cases[] = {
        {"backup deletion held twice", 0, 0, 2, EJobResult::Completed, "a/regist_pernad.cgi\r\n"},
        {"restore held twice", 1, 2, 0, EJobResult::Failed, "old\r\n"},
        {"restore held for good", 1, 100, 0, EJobResult::Failed, nullptr},
    };
    const SFileSeams saved = FileSeams();
    FileSeams() = {SCommitSeams::Replace, SCommitSeams::Move, SCommitSeams::Delete};
    for (const auto& c : cases) {
        SCommitSeams::s_nReplaceFails = c.nReplaceFails;
        SCommitSeams::s_nRestoreFails = c.nRestoreFails;
        SCommitSeams::s_nDeleteBackupFails = c.nDeleteBackupFails;
        CTempDir dir;
        const auto target = dir / "urls.txt";
        WriteBytes(target, "old\r\n");
        CMemoryForm form;
        form.m_rowsIn.Append("a/regist_pernad.cgi?x");
        form.m_strSavePath = target;
        EXPECT_EQ(RunConvertJob(form), c.result) << c.pszName;
        ASSERT_EQ(form.m_messages.size(), 1u) << c.pszName;
        if (c.pszContent == nullptr) {
            const std::string strBackup = dir.Listing();
            ASSERT_TRUE(strBackup.ends_with(".kvbak")) << strBackup;
            EXPECT_EQ(ReadBytes(dir / strBackup), "old\r\n") << c.pszName;
            EXPECT_EQ(form.m_messages[0], WithPath(texts::kSaveFailed, target) + "\n" +
                                              texts::kOldContentKept + "\n" +
                                              PathToUtf8(dir / strBackup));
        } else {
            EXPECT_EQ(ReadBytes(target), c.pszContent) << c.pszName;
            EXPECT_EQ(dir.Listing(), "urls.txt") << c.pszName;
        }
    }
    FileSeams() = saved;
}
#endif

} // namespace

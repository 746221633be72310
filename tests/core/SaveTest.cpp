// Saving: every row followed by CR LF; and whatever stops a save, the old file stays
// whole and no temporary file is left.
#include "TestUtil.h"

#include "form/MemoryForm.h"
#include "form/Texts.h"
#include "jobs/Jobs.h"
#include "rows/PodArray.h"
#include "saving/AtomicFile.h"
#include "saving/SaveFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

#ifdef _WIN32
#include "saving/FileSeams.h"

#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

bool Save(const fs::path& path, const Rows& rows) {
    CRowList list;
    Fill(list, rows);
    return WriteSaveFile(std::make_unique<CAtomicFile>(path), list, ETextCode::Ansi);
}

TEST(SaveFile, WritesEveryRowOrChangesNothing) {
    const std::string strBig(3 << 20, 'u'); // larger than the write buffer
    using Prepare = void (*)(const fs::path& folder);
    Prepare folder = [](const fs::path& d) { fs::create_directory(d / "out.txt"); };
    Prepare readOnly = [](const fs::path& d) {
        WriteBytes(d / "out.txt", "old\r\n");
        fs::permissions(d / "out.txt", fs::perms::owner_read);
    };
#ifdef _WIN32
    Prepare oldFile = [](const fs::path& d) { WriteBytes(d / "out.txt", "old\r\n"); };
#else
    Prepare linkChain = [](const fs::path& d) {
        fs::create_directory(d / "sub");
        WriteBytes(d / "sub" / "real.txt", "old\r\n");
        fs::create_symlink("real.txt", d / "sub" / "hop");
        fs::create_symlink(d / "sub" / "hop", d / "out.txt");
    };
    Prepare linkToMissing = [](const fs::path& d) { fs::create_symlink("new.txt", d / "out.txt"); };
    // A null device of its own where one may be made: a fault must not replace /dev/null.
    Prepare linkToDevice = [](const fs::path& d) {
        const bool bOwn = ::mknod((d / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
        fs::create_symlink(bOwn ? d / "null" : fs::path("/dev/null"), d / "out.txt");
    };
#endif
    const struct {
        const char* name;
        Prepare prepare = [](const fs::path&) {};
        std::string target = "out.txt"; // inside the test folder
        Rows rows = {"new"};
        std::string bytes = "new\r\n";   // of the file written, when the save succeeds
        const char* written = "out.txt"; // that file; none: the save fails and changes nothing
    } cases[] = {
        {.name = "CR LF", .rows = {"a", "", "a\rb"}, .bytes = "a\r\n\r\na\rb\r\n"},
        {.name = "big row", .rows = {"x", strBig}, .bytes = "x\r\n" + strBig + "\r\n"},
        {.name = "target is a folder", .prepare = folder, .written = nullptr},
        {.name = "target read-only", .prepare = readOnly, .written = nullptr},
        {.name = "name too long", .target = std::string(300, 'n'), .written = nullptr},
#ifdef _WIN32
        {.name = "characters a name cannot hold", .target = "a<b|c?.txt", .written = nullptr},
        {.name = "other case", .prepare = oldFile, .target = "OUT.TXT"},
#else
        // A link is followed to the file it names; only a regular file is replaced.
        {.name = "chain of links", .prepare = linkChain, .written = "sub/real.txt"},
        {.name = "link to a missing file", .prepare = linkToMissing, .written = "new.txt"},
        {.name = "link to a device", .prepare = linkToDevice, .written = nullptr},
#endif
    };
    for (const auto& c : cases) {
        CTempDir dir;
        c.prepare(dir.Path());
        const auto before = Snapshot(dir.Path());
        EXPECT_EQ(Save(dir / c.target, c.rows), c.written != nullptr) << c.name;
        auto expected = before;
        if (c.written != nullptr)
            expected[c.written] = c.bytes; // and no temporary beside it
        EXPECT_EQ(Snapshot(dir.Path()), expected) << c.name;
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
    EXPECT_EQ(Snapshot(dir.Path()), (Files{{"out.txt", "new\r\n"}}));
}

// A form that notes what the folder holds whenever the user is told something.
class CFolderWatchingForm : public CMemoryForm {
public:
    fs::path m_folder;
    std::vector<Files> m_snapshots;
    void ShowMessage(std::string_view strUtf8) override {
        m_snapshots.push_back(Snapshot(m_folder));
        CMemoryForm::ShowMessage(strUtf8);
    }
};

// On a 64 KB file system (mounted by root, or Wine's drive from scripts/test) the duplicate
// removal fails and leaves no temporary file, not even while the failure is shown.
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
    form.m_loaded = SLoaded{4999};
    form.m_strSavePath = target;
    EXPECT_EQ(RunDedupJob(form), EJobResult::Failed);
    const Files old{{"urls.txt", "old\r\n"}};
    EXPECT_EQ(form.m_snapshots, std::vector<Files>{old}); // one message, and no temporary then
    EXPECT_EQ(form.m_rowsOut.Count(), 4000u);             // the list has its rows all the same
    EXPECT_EQ(Snapshot(small), old);
#ifdef _WIN32
    fs::remove_all(small);
#else
    ::umount(small.c_str());
#endif
}

#ifdef _WIN32
TEST(LongPaths, TheFormFileCallsGet) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:/a/./x/../b.txt", L"\\\\?\\C:\\a\\b.txt"},
        {L"\\\\server\\share\\b.txt", L"\\\\?\\UNC\\server\\share\\b.txt"},
        {L"\\\\?\\C:\\a\\..\\b.txt", L"\\\\?\\C:\\a\\..\\b.txt"},
        {L"\\\\.\\NUL", L"\\\\.\\NUL"},
        {L"b.txt", L"\\\\?\\" + (fs::current_path() / L"b.txt").wstring()},
        {L"", L""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(LongPathForm(in).wstring(), out) << PathToUtf8(in);
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
    EXPECT_TRUE(Save(target, {"a", "b"}));
    EXPECT_TRUE(Save(target, {"c"})); // over the existing file
    CMemoryForm form;
    form.m_strDataPath = target;
    EXPECT_EQ(RunLoadJob(form), EJobResult::Completed);
    EXPECT_EQ(RowsOf(form.m_rowsIn), Rows{"c"});
    for (::DeleteFileW(LongPathForm(target).c_str()); target != dir.Path();)
        ::RemoveDirectoryW(LongPathForm(target = target.parent_path()).c_str());
}

// Replaces the system's file calls for one test and puts them back however it ends, so
// that a failed assertion cannot leave them in place for the next test.
struct SFileSeamsGuard {
    SFileSeams saved;
    ~SFileSeamsGuard() { FileSeams() = saved; }
};

// Another program holds the old file's backup for a moment, as a virus scanner may: the
// save still succeeds and leaves no backup behind.
int g_nBackupHeld = 0; // deletions of the backup still to fail
BOOL WINAPI DeleteUnlessHeld(LPCWSTR pszPath) {
    if (g_nBackupHeld > 0 && std::wstring(pszPath).ends_with(L".kvbak")) {
        --g_nBackupHeld;
        ::SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return ::DeleteFileW(pszPath);
}

TEST(SaveFaults, BackupHeldAfterTheReplace) {
    const SFileSeamsGuard guard{
        std::exchange(FileSeams(), {ReplaceFileW, MoveFileExW, DeleteUnlessHeld})};
    g_nBackupHeld = 2;
    CTempDir dir;
    WriteBytes(dir / "out.txt", "old\r\n");
    EXPECT_TRUE(Save(dir / "out.txt", {"new"}));
    EXPECT_EQ(g_nBackupHeld, 0);
    EXPECT_EQ(Snapshot(dir.Path()), (Files{{"out.txt", "new\r\n"}}));
}

// The system has moved the old file to the backup name and then cannot put the new one in
// its place, as ReplaceFileW may fail half-way: the old file must stand again.
BOOL WINAPI MoveAsideAndFail(LPCWSTR pszOld, LPCWSTR, LPCWSTR pszBackup, DWORD, LPVOID, LPVOID) {
    ::MoveFileExW(pszOld, pszBackup, 0);
    ::SetLastError(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    return FALSE;
}

TEST(SaveFaults, OldFilePutBackWhenTheNewCannotTakeItsPlace) {
    const SFileSeamsGuard guard{
        std::exchange(FileSeams(), {MoveAsideAndFail, MoveFileExW, DeleteFileW})};
    CTempDir dir;
    WriteBytes(dir / "out.txt", "old\r\n");
    CMemoryForm form;
    form.m_strSavePath = dir / "out.txt";
    form.m_loaded = SLoaded{};
    EXPECT_EQ(RunDedupJob(form), EJobResult::Failed);
    EXPECT_EQ(form.m_messages,
              Messages{std::string(texts::kSaveFailed) + "\n" + PathToUtf8(dir / "out.txt")});
    EXPECT_EQ(Snapshot(dir.Path()), (Files{{"out.txt", "old\r\n"}}));
}
#endif

} // namespace

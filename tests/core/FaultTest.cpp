// Saving against a disk that fails the way real disks do: full, or a file held
// open by another program. The old file must stay whole and nothing be left.
#include "TempDir.h"

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

std::string NamesIn(const std::filesystem::path& folder) {
    std::string strNames;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        strNames += entry.path().filename().string() + " ";
    return strNames;
}

// A form that notes what the folder holds whenever the user is told something.
class CFolderWatchingForm : public CMemoryForm {
public:
    std::filesystem::path m_folder;
    std::vector<std::string> m_listings;
    void ShowMessage(std::string_view strUtf8) override {
        m_listings.push_back(NamesIn(m_folder));
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
    EXPECT_EQ(form.m_listings, std::vector<std::string>{"urls.txt "});
    EXPECT_EQ(form.m_listOut.Count(), 4000u); // the list has its rows all the same
    EXPECT_EQ(ReadBytes(target), "old\r\n");
    EXPECT_EQ(NamesIn(small), "urls.txt ");
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

TEST(SaveFaults, NameWithCharactersAFileCannotHave) {
    CTempDir dir;
    for (const char* pszName :
         {"a<b.txt", "a>b.txt", "a|b.txt", "a?b.txt", "a*b.txt", "a\"b.txt"}) {
        EXPECT_FALSE(WriteSaveFile(dir / pszName, ManyRows(1, 3))) << pszName;
        EXPECT_EQ(dir.Listing(), "") << pszName;
    }
}

TEST(SaveFaults, TargetHeldOpenWithoutSharing) {
    CTempDir dir;
    WriteBytes(dir / "urls.txt", "old\r\n");
    const HANDLE hHeld = ::CreateFileW((dir / "urls.txt").c_str(), GENERIC_READ, 0, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteSaveFile(dir / "urls.txt", ManyRows(3, 10)));
    ::CloseHandle(hHeld);
    EXPECT_EQ(ReadBytes(dir / "urls.txt"), "old\r\n");
    EXPECT_EQ(dir.Listing(), "urls.txt");
    // Once the other program lets go, the save goes through.
    EXPECT_TRUE(WriteSaveFile(dir / "urls.txt", ManyRows(1, 3)));
    EXPECT_EQ(ReadBytes(dir / "urls.txt"), "aaa\r\n");
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

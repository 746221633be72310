#include "TestUtil.h"

#include "data/AtomicFile.h"
#include "data/SaveFile.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cstdio>

#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct SWriteCase {
    const char* pszName;
    std::vector<std::string> rows;
    std::string bytes;
};

TEST(SaveFile, WritesEveryRowWithCrLf) {
    const std::string strBig(3 << 20, 'u'); // larger than the write buffer
    const SWriteCase cases[] = {
        {"two rows", {"a", "b"}, "a\r\nb\r\n"},
        {"empty list", {}, ""},
        {"empty row", {""}, "\r\n"},
        {"cr kept inside", {"a\rb"}, "a\rb\r\n"},
        {"shift-jis bytes", {"\x83\x65\x83\x58\x83\x67"}, "\x83\x65\x83\x58\x83\x67\r\n"},
        {"row larger than the buffer", {"x", strBig, "y"}, "x\r\n" + strBig + "\r\ny\r\n"},
    };
    for (const SWriteCase& c : cases) {
        CTempDir dir;
        ASSERT_TRUE(WriteSaveFile(dir / "out.txt", ListOf(c.rows))) << c.pszName;
        EXPECT_EQ(ReadBytes(dir / "out.txt"), c.bytes) << c.pszName;
        EXPECT_EQ(dir.Listing(), "out.txt") << c.pszName;
    }
}

// Whatever stops the save, the old file stays byte for byte and no temporary file is left.
TEST(SaveFile, FailureKeepsTheOldFileAndLeavesNoTemporary) {
    const std::string strOld = "old\r\n";
    struct SFailCase {
        const char* pszName;
        std::string target; // inside the test folder
        void (*prepare)(const fs::path& folder);
        std::string listing;
    };
    const SFailCase cases[] = {
        {"folder missing", "missing/out.txt", [](const fs::path&) {}, ""},
        {"target is a folder", "out.txt",
         [](const fs::path& d) { fs::create_directory(d / "out.txt"); }, "out.txt"},
        {"target read-only", "out.txt",
         [](const fs::path& d) {
             WriteBytes(d / "out.txt", "old\r\n");
             fs::permissions(d / "out.txt",
                             fs::perms::owner_write | fs::perms::group_write |
                                 fs::perms::others_write,
                             fs::perm_options::remove);
         },
         "out.txt"},
        {"name too long", std::string(300, 'n'), [](const fs::path&) {}, ""},
#ifdef _WIN32
        {"characters a name cannot hold", "a<b|c?.txt", [](const fs::path&) {}, ""},
#endif
    };
    for (const SFailCase& c : cases) {
        CTempDir dir;
        c.prepare(dir.Path());
        EXPECT_FALSE(WriteSaveFile(dir / c.target, ListOf({"new"}))) << c.pszName;
        EXPECT_EQ(dir.Listing(), c.listing) << c.pszName;
        std::error_code ec;
        if (fs::is_regular_file(dir / c.target, ec)) {
            EXPECT_EQ(ReadBytes(dir / c.target), strOld) << c.pszName;
            fs::permissions(dir / c.target, fs::perms::owner_write, fs::perm_options::add);
        }
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

#ifndef _WIN32
// A link is followed to the file it names; anything that is not a regular file is left alone.
TEST(SaveFile, LinksAreFollowedAndOnlyRegularFilesReplaced) {
    struct SCase {
        const char* pszName;
        void (*prepare)(const fs::path& folder); // makes "target" and what it names
        bool bSaved;
        const char* pszWritten; // the file that must now hold the new rows
    };
    const SCase cases[] = {
        {"link to a file",
         [](const fs::path& d) {
             WriteBytes(d / "real.txt", "old\r\n");
             fs::create_symlink("real.txt", d / "target");
         },
         true, "real.txt"},
        {"link to a link to a file in another folder",
         [](const fs::path& d) {
             fs::create_directory(d / "sub");
             WriteBytes(d / "sub" / "real.txt", "old\r\n");
             fs::create_symlink("real.txt", d / "sub" / "hop");
             fs::create_symlink(d / "sub" / "hop", d / "target");
         },
         true, "sub/real.txt"},
        {"link to a missing file",
         [](const fs::path& d) { fs::create_symlink("new.txt", d / "target"); }, true, "new.txt"},
        {"fifo", [](const fs::path& d) { ASSERT_EQ(::mkfifo((d / "target").c_str(), 0600), 0); },
         false, nullptr},
        {"link to a fifo",
         [](const fs::path& d) {
             ASSERT_EQ(::mkfifo((d / "fifo").c_str(), 0600), 0);
             fs::create_symlink("fifo", d / "target");
         },
         false, nullptr},
        {"socket",
         [](const fs::path& d) {
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", (d / "target").c_str());
             ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
             ::close(fd);
         },
         false, nullptr},
        {"link to a folder",
         [](const fs::path& d) {
             fs::create_directory(d / "folder");
             fs::create_symlink("folder", d / "target");
         },
         false, nullptr},
        {"device (null)", [](const fs::path& d) { fs::create_symlink("/dev/null", d / "target"); },
         false, nullptr},
    };
    for (const SCase& c : cases) {
        CTempDir dir;
        c.prepare(dir.Path());
        const std::string strBefore = dir.Listing();
        EXPECT_EQ(WriteSaveFile(dir / "target", ListOf({"new"})), c.bSaved) << c.pszName;
        if (!c.bSaved) {
            EXPECT_EQ(dir.Listing(), strBefore) << c.pszName;
        } else {
            EXPECT_TRUE(fs::is_symlink(dir / "target")) << c.pszName;
            EXPECT_EQ(ReadBytes(dir / c.pszWritten), "new\r\n") << c.pszName;
        }
    }
}
#endif

} // namespace

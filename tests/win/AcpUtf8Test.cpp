// Linked only into the tests' builds whose manifest sets the process's ANSI code page to
// UTF-8: every other test of such an exe then runs as on a system with the option for
// worldwide language support, and this one fails where the process does not.
#include <windows.h>

#include <gtest/gtest.h>

TEST(AcpUtf8, TheProcessRunsWithUtf8AsItsAnsiCodePage) {
    EXPECT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8));
}

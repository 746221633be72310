#include "data/LineSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

Rows Split(std::string_view bytes, std::size_t nBlock) {
    Rows rows;
    CLineSplitter splitter;
    auto onLine = [&](std::string_view line) { rows.emplace_back(line); };
    for (std::size_t i = 0; i < bytes.size(); i += nBlock)
        if (!splitter.Feed(bytes.substr(i, nBlock), onLine))
            break;
    splitter.Finish(onLine);
    return rows;
}

struct SReadCase {
    const char* pszName;
    std::string bytes;
    Rows rows;
};

const SReadCase kReadCases[] = {
    {"crlf", "a\r\nb\r\nc\r\n", {"a", "b", "c"}},
    {"lf", "a\nb\nc\n", {"a", "b", "c"}},
    {"no final break", "a\nb\nc", {"a", "b", "c"}},
    {"empty second line", "a\n\nc\n", {"a", "", "c"}},
    {"only a break", "\n", {""}},
    {"only crlf", "\r\n", {""}},
    {"zero bytes", "", {}},
    {"lone cr stays", "a\rb\n", {"a\rb"}},
    {"cr at end of file stays", "a\r", {"a\r"}},
    {"two crs before lf", "a\r\r\n", {"a\r"}},
    {"cr before 0x1a stays", "a\r\x1A\n", {"a\r"}},
    {"0x1a ends the file",
     "a\nb\x1A"
     "c\nd\n",
     {"a", "b"}},
    {"0x1a first",
     "\x1A"
     "a\n",
     {}},
    {"0x1a after a break", "a\n\x1A", {"a"}},
    {"byte-order mark stays",
     "\xEF\xBB\xBF"
     "a\n",
     {"\xEF\xBB\xBF"
      "a"}},
    {"nul kept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    {"shift-jis bytes", "\x83\x65\x83\x58\x83\x67\n", {"\x83\x65\x83\x58\x83\x67"}},
};

class ReadRules : public testing::TestWithParam<std::size_t> {};

TEST_P(ReadRules, EveryBlockSizeGivesTheSameRows) {
    for (const SReadCase& c : kReadCases)
        EXPECT_EQ(Split(c.bytes, GetParam()), c.rows) << c.pszName;
}

// Block size 1 puts every CR LF pair and every line across a block boundary.
INSTANTIATE_TEST_SUITE_P(BlockSizes, ReadRules, testing::Values(1, 2, 3, 7, 1 << 20));

TEST(ReadRules, LongLineHasNoLimit) {
    const std::string strLong(3 * 1000 * 1000, 'x');
    EXPECT_EQ(Split(strLong + "\r\n" + strLong, 4096), (Rows{strLong, strLong}));
}

// Line feeds at every place of the 64-byte steps the scan takes, with bytes
// that differ from a line feed in one bit only around them.
TEST(ReadRules, BreaksAtEveryPlaceOfAScanStep) {
    Rows expected;
    std::string bytes;
    for (std::size_t n = 0; n < 150; ++n) {
        std::string row(n, n % 2 == 0 ? '\x8A' : '\x0B');
        expected.push_back(row);
        bytes += row + (n % 3 == 0 ? "\r\n" : "\n");
    }
    for (std::size_t nBlock : {64, 100, 1 << 20})
        EXPECT_EQ(Split(bytes, nBlock), expected) << nBlock;
}

} // namespace

#include "data/RowList.h"
#include "data/UniqueRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> RowsOf(const CRowList& list) {
    std::vector<std::string> rows;
    for (std::size_t i = 0; i < list.Count(); ++i)
        rows.emplace_back(list.Row(i));
    return rows;
}

CRowList ListOf(const std::vector<std::string>& rows) {
    CRowList list;
    for (const auto& row : rows)
        list.Append(row);
    return list;
}

TEST(RowList, AppendTruncateAndAppendAll) {
    CRowList list = ListOf({"a", "", "ccc"});
    list.AppendAll(ListOf({"d", "ee"}));
    EXPECT_EQ(RowsOf(list), (std::vector<std::string>{"a", "", "ccc", "d", "ee"}));
    list.Truncate(2);
    EXPECT_EQ(RowsOf(list), (std::vector<std::string>{"a", ""}));
    list.Append("f");
    EXPECT_EQ(RowsOf(list), (std::vector<std::string>{"a", "", "f"}));
    list.Clear();
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.ByteSize(), 0u);
}

struct SDedupCase {
    const char* pszName;
    std::vector<std::string> input;
    std::vector<std::string> kept;
};

const SDedupCase kDedupCases[] = {
    {"first kept in order", {"x", "y", "x", "z", "y"}, {"x", "y", "z"}},
    {"three empty rows", {"", "", ""}, {""}},
    {"empty input", {}, {}},
    {"no folding", {"a/b", "a/b/", "A/B", "a/b "}, {"a/b", "a/b/", "A/B", "a/b "}},
    {"shift-jis bytes", {"\x83\x65", "\x83\x65", "\x83\x66"}, {"\x83\x65", "\x83\x66"}},
    {"nul is a byte", {std::string("a\0b", 3), "a"}, {std::string("a\0b", 3), "a"}},
};

TEST(UniqueRows, KeepsTheFirstOfEachText) {
    for (const SDedupCase& c : kDedupCases) {
        CUniqueRows unique;
        for (const auto& row : c.input)
            unique.Add(row);
        EXPECT_EQ(RowsOf(unique.Rows()), c.kept) << c.pszName;
    }
}

// Enough rows to grow the hash index several times; every text is kept once.
TEST(UniqueRows, ManyRowsThroughRehashes) {
    CUniqueRows unique;
    for (int nRound = 0; nRound < 2; ++nRound)
        for (int i = 0; i < 50000; ++i)
            EXPECT_EQ(unique.Add("row" + std::to_string(i)), nRound == 0);
    ASSERT_EQ(unique.Count(), 50000u);
    EXPECT_EQ(unique.Rows().Row(49999), "row49999");
    const CRowList rows = unique.TakeRows();
    EXPECT_EQ(rows.Count(), 50000u);
    EXPECT_EQ(unique.Count(), 0u);
    EXPECT_TRUE(unique.Add("row0")); // the index went with the rows
}

} // namespace

#include "TestUtil.h"

#include "data/HashFold.h"
#include "data/RowList.h"
#include "data/UniqueRowsImpl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

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

// The rows that the collection keeps, looking them up nStep rows a call.
template <typename Unique>
std::vector<std::string> KeptRows(Unique& unique, const CRowList& rows, std::size_t nStep) {
    std::vector<std::uint32_t> kept(rows.Count());
    std::size_t nKept = 0;
    for (std::size_t nFirst = 0; nFirst < rows.Count(); nFirst += nStep)
        nKept += unique.AddAll(rows, nFirst, std::min(rows.Count(), nFirst + nStep),
                               kept.data() + nKept);
    EXPECT_EQ(nKept, unique.Count());
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < nKept; ++i)
        texts.emplace_back(rows.Row(kept[i]));
    return texts;
}

TEST(UniqueRows, KeepsTheFirstOfEachText) {
    for (const SDedupCase& c : kDedupCases) {
        for (std::size_t nStep : {1, 2, 1000}) {
            CUniqueRows unique;
            EXPECT_EQ(KeptRows(unique, ListOf(c.input), nStep), c.kept) << c.pszName;
        }
    }
}

// Texts that differ in one byte anywhere, at every length the hash reads in its
// own way, are all kept; each of them again is not.
TEST(UniqueRows, OneByteApartIsAnotherText) {
    CRowList rows;
    std::vector<std::string> distinct;
    for (std::size_t nLength = 0; nLength <= 40; ++nLength) {
        distinct.emplace_back(nLength, 'a');
        for (std::size_t nAt = 0; nAt < nLength; ++nAt) {
            std::string text(nLength, 'a');
            text[nAt] = 'b';
            distinct.push_back(text);
        }
    }
    for (int nRound = 0; nRound < 2; ++nRound)
        for (const auto& text : distinct)
            rows.Append(text);
    CUniqueRows unique;
    EXPECT_EQ(KeptRows(unique, rows, 64), distinct);
}

// Every text hashes alike: only the bytes can tell rows apart, and the first of
// each is still kept, in order, also across the rehashes of a growing index.
std::uint64_t SameHashForAll(std::string_view) {
    return 0x5A5A5A5A5A5A5A5Aull;
}

TEST(UniqueRows, TextsWithTheSameHashStayApart) {
    CRowList rows;
    std::vector<std::string> distinct;
    for (int i = 0; i < 700; ++i) // more than half the first table: it grows
        distinct.push_back("u/" + std::to_string(1000 + i)); // one length: equal keys
    for (int nRound = 0; nRound < 2; ++nRound)
        for (const auto& text : distinct)
            rows.Append(text);
    for (std::size_t nStep : {1, 1000}) {
        CUniqueRowsT<SameHashForAll> unique;
        EXPECT_EQ(KeptRows(unique, rows, nStep), distinct) << nStep;
    }
}

// Enough rows to grow the hash index several times, with rows appended to the
// list between calls; every text is kept once.
TEST(UniqueRows, ManyRowsThroughRehashes) {
    CUniqueRows unique;
    CRowList rows;
    std::vector<std::uint32_t> kept(100000);
    std::size_t nKept = 0;
    for (int nRound = 0; nRound < 2; ++nRound) {
        for (int i = 0; i < 50000; ++i) {
            rows.Append("row" + std::to_string(i));
            nKept += unique.AddAll(rows, rows.Count() - 1, rows.Count(), kept.data() + nKept);
        }
    }
    ASSERT_EQ(nKept, 50000u);
    EXPECT_EQ(unique.Count(), 50000u);
    EXPECT_EQ(kept[49999], 49999u);
    unique.Clear();
    EXPECT_EQ(unique.Count(), 0u);
    EXPECT_EQ(unique.AddAll(rows, 50000, 50001, kept.data()), 1u); // the index went too
}

// The 32-bit build's product from halves agrees with the full product, at the
// carries' edges and on random words.
TEST(HashFold, ByHalvesMatchesTheWideProduct) {
    const std::uint64_t kEdges[] = {0,
                                    1,
                                    0xffffffffu,
                                    0x100000000u,
                                    0xffffffffffffffffu,
                                    0x8000000000000000u,
                                    0xa0761d6478bd642fu};
    for (std::uint64_t a : kEdges)
        for (std::uint64_t b : kEdges)
            EXPECT_EQ(FoldByHalves(a, b), Fold(a, b)) << a << " " << b;
    std::mt19937_64 random(7);
    for (int i = 0; i < 100000; ++i) {
        const std::uint64_t a = random(), b = random();
        ASSERT_EQ(FoldByHalves(a, b), Fold(a, b)) << a << " " << b;
    }
}

} // namespace

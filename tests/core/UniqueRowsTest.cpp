#include "TestUtil.h"

#include "jobs/HashFold.h"
#include "jobs/UniqueRowsImpl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

namespace {

// Every text hashes alike: only the bytes can tell rows apart. Its slot is the index's
// last, so that every search runs past the end and on from the first.
std::uint64_t SameHashForAll(std::string_view) {
    return 0x5A5A5A5AFFFFFFFFull;
}

// The rows that the collection keeps, looking them up nStep rows a call.
template <typename Unique> Rows KeptRows(const CRowList& rows, std::size_t nStep) {
    Unique unique;
    std::vector<std::uint32_t> kept(rows.Count());
    std::size_t nKept = 0;
    for (std::size_t nFirst = 0; nFirst < rows.Count(); nFirst += nStep)
        nKept += unique.AddAll(rows, nFirst, std::min(rows.Count(), nFirst + nStep),
                               kept.data() + nKept);
    EXPECT_EQ(nKept, unique.Count());
    Rows texts;
    for (std::size_t i = 0; i < nKept; ++i)
        texts.emplace_back(rows.Row(kept[i]));
    return texts;
}

// Texts one byte apart at every place and length, enough to grow the index several times,
// each met twice: the first of each is kept, in order, by the real hash and by a constant.
TEST(UniqueRows, KeepsTheFirstOfEachTextByItsBytes) {
    Rows distinct;
    for (std::size_t nLength = 0; nLength <= 40; ++nLength) {
        distinct.emplace_back(nLength, 'a');
        for (std::size_t nAt = 0; nAt < nLength; ++nAt) {
            distinct.emplace_back(nLength, 'a');
            distinct.back()[nAt] = 'A'; // no case folding
        }
    }
    for (int i = 0; i < 3000; ++i)
        distinct.push_back("u/" + std::to_string(10000 + i));
    CRowList rows;
    Fill(rows, distinct);
    Fill(rows, distinct);
    for (std::size_t nStep : {1, 1000}) {
        EXPECT_EQ(KeptRows<CUniqueRows>(rows, nStep), distinct) << nStep;
        EXPECT_EQ(KeptRows<CUniqueRowsT<SameHashForAll>>(rows, nStep), distinct) << nStep;
    }
}

// The 32-bit build's product from halves agrees with the full product, at the carries'
// edges and on random words.
TEST(HashFold, ByHalvesMatchesTheWideProduct) {
    std::vector<std::uint64_t> words = {0, 1, 0xffffffffu, 0x100000000u, ~0ull, 1ull << 63};
    std::mt19937_64 random(7);
    for (int i = 0; i < 300; ++i)
        words.push_back(random());
    for (std::uint64_t a : words)
        for (std::uint64_t b : words)
            ASSERT_EQ(FoldByHalves(a, b), Fold(a, b)) << a << " " << b;
}

} // namespace

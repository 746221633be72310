// Rows: the arrays that hold them, and the chunks their bytes are read into.
#include "TestUtil.h"

#include "data/MemoryForm.h"
#include "data/PodArray.h"
#include "jobs/Jobs.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Sizes near the top of size_t (the i686 build's 32 bits included) fail as allocations
// do, never by wrapping round to a small block.
TEST(SizeLimits, GrowthThatCannotBeRepresentedFails) {
    constexpr std::size_t kMax = std::numeric_limits<std::size_t>::max();
    CPodArray<std::uint64_t> words;
    EXPECT_THROW(words.Reserve(kMax / 8 + 1), std::bad_alloc);
    CPodArray<char> bytes;
    bytes.Append("abc", 3);
    EXPECT_THROW(bytes.Grow(kMax - 1), std::bad_alloc);
    EXPECT_EQ(std::string(bytes.Data(), bytes.Size()), "abc");
}

// Output rows lie in the bytes their input rows were read into: they outlive the input
// list's emptying by a new data file choice, as long as a list holds them. The rows span
// many batches and chunks of the largest size, so that freed ones go back to the system;
// the first texts come again batches later, in the last batch, which holds new ones too.
TEST(RowStore, OutputRowsOutliveTheInputList) {
    CTempDir dir;
    CMemoryForm form;
    form.m_strSavePath = dir / "out.txt";
    form.m_strDataPath = dir / "in.txt";
    auto load = [&](char cHost) {
        Rows rows;
        std::string strData;
        for (int i = 0; i < 120000; ++i) {
            rows.push_back(std::string("http://") + cHost + std::to_string(i % 119000) + "/" + kM);
            strData += rows.back() + "?q\r\n";
        }
        WriteBytes(form.m_strDataPath, strData);
        form.m_rowsIn.Free(); // as the choice of a data file does
        RunLoadJob(form);
        return rows;
    };
    const Rows cut = load('a');
    RunConvertJob(form);
    EXPECT_EQ(form.m_nProgressPos, 119999);
    Rows kept = load('b'); // other rows, where the first file's may have been
    EXPECT_TRUE(RowsOf(form.m_rowsOut) == cut);
    RunDedupJob(form);
    load('c');
    kept.resize(119000); // the first of each text, in order
    for (std::string& row : kept)
        row += "?q";
    EXPECT_TRUE(RowsOf(form.m_rowsOut) == kept);
    EXPECT_TRUE(ReadBytes(dir / "out.txt") == CrLf(kept));
    // A cut row keeps its own chunk alive, not the whole data file's.
    form.m_rowsOut.Free();
    form.m_rowsIn.Free();
    WriteBytes(form.m_strDataPath, "x/" + kM + "\n" + std::string(9 << 20, 'y'));
    RunLoadJob(form);
    RunConvertJob(form);
    EXPECT_EQ(form.m_rowsOut.ChunkCount(), 1u);
}

} // namespace

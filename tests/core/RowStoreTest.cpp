// Output rows lie in the bytes their input rows were read into: they must outlive the
// input list's emptying, by the choice of another data file or a Clear, for as long as
// a list holds them.
#include "TestUtil.h"

#include "data/MemoryForm.h"
#include "jobs/Jobs.h"

#include <gtest/gtest.h>

namespace {

TEST(RowStore, OutputRowsOutliveTheInputList) {
    CTempDir dir;
    CMemoryForm form;
    form.m_strSavePath = dir / "out.txt";
    // More than a few chunks of the largest size, so that freed ones go back to the system.
    auto load = [&](char cHost) {
        const std::string strTag = std::string("http://") + cHost + ".example/";
        std::string strData;
        Rows cut;
        for (int i = 0; i < 120000; ++i) {
            cut.push_back(strTag + std::to_string(i % 90000) + "/regist_pernad.cgi");
            strData += cut.back() + "?q\r\n";
        }
        form.m_strDataPath = dir / (std::string(1, cHost) + ".txt");
        WriteBytes(form.m_strDataPath, strData);
        form.m_rowsIn.Free(); // as the choice of a data file does
        EXPECT_EQ(RunLoadJob(form), EJobResult::Completed);
        return cut;
    };
    const Rows first = load('a');
    Rows expected = first;
    expected.insert(expected.end(), first.begin(), first.end());
    RunConvertJob(form);
    RunConvertJob(form);
    load('b'); // the first file's rows are let go
    form.m_rowsIn.Clear();
    form.m_rowsIn.Free();
    ASSERT_TRUE(RowsOf(form.m_rowsOut) == expected);
    form.m_nLastRow = -1;
    RunConvertJob(form); // nothing to convert: the rows are saved again
    EXPECT_TRUE(ReadBytes(dir / "out.txt") == CrLf(expected));

    // The kept rows of a duplicate removal, after the input list has gone.
    load('c');
    RunDedupJob(form);
    form.m_rowsIn.Free();
    ASSERT_EQ(form.m_rowsOut.Count(), 90000u);
    EXPECT_EQ(RowsOf(form.m_rowsOut).back(), "http://c.example/89999/regist_pernad.cgi?q");
}

} // namespace

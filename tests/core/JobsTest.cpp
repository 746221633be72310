#include "TestUtil.h"

#include "form/MemoryForm.h"
#include "form/Texts.h"
#include "jobs/Jobs.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <system_error>

namespace {

// Each job run twice on the rows of one load: the trim appends its cut rows each time, the
// duplicate removal keeps the first of each row and gives the same both times.
TEST(Jobs, RowsEachJobKeeps) {
    const std::string a = "a/" + kM;
    const std::string nul("a\0b", 3);
    const struct {
        const char* name;
        EJobId job = kConvertJob;
        Rows in;
        Rows out;         // after the second run, the save file's rows too
        Rows before = {}; // in the output list before the first run
        int progress = 0;
        std::optional<int> lastRow = {}; // the row figure, when not the load's
    } cases[] = {
        {.name = "trim: query dropped", .in = {"x", a + "?z", "w"}, .out = {a, a}, .progress = 1},
        {.name = "trim: lead byte before", .in = {"\x82" + kM}, .out = {}},
        {.name = "trim: kana before", .in = {"\xB1" + kM}, .out = {"\xB1" + kM, "\xB1" + kM}},
        // The loop is bounded by the row figure of the last load, never by rows that are gone.
        {.name = "trim: row figure minus one", .in = {a}, .out = {}, .lastRow = -1},
        {.name = "trim: row figure smaller", .in = {a, "b/" + kM}, .out = {a, a}, .lastRow = 0},
        {.name = "trim: row figure past the rows", .in = {a}, .out = {a, a}, .lastRow = 70000},
        {.name = "dedup: three empty rows", .job = kDedupJob, .in = {"", "", ""}, .out = {""}},
        {.name = "dedup: order, nul byte",
         .job = kDedupJob,
         .in = {nul, "a", nul, "z"},
         .out = {nul, "a", "z"}},
        {.name = "dedup: empty input", .job = kDedupJob, .in = {}, .out = {}, .before = {"old"}},
    };
    for (const auto& c : cases) {
        CTempDir dir;
        CMemoryForm form;
        form.m_strSavePath = dir / "out.txt";
        Fill(form.m_rowsIn, c.in);
        Fill(form.m_rowsOut, c.before);
        form.m_loaded = SLoaded{c.lastRow.value_or(static_cast<int>(c.in.size()) - 1)};
        for (int nRun = 0; nRun < 2; ++nRun)
            EXPECT_EQ(kJobs[c.job].pfnRun(form), EJobResult::Completed) << c.name;
        EXPECT_EQ(RowsOf(form.m_rowsOut), c.out) << c.name;
        EXPECT_EQ(form.m_nProgressPos, c.progress) << c.name;
        EXPECT_EQ(ReadBytes(dir / "out.txt"), CrLf(c.out)) << c.name;
        EXPECT_EQ(form.m_messages, Messages(2, kJobs[c.job].pszDone)) << c.name;
    }
}

// A form whose next data path read throws, when asked to, as a path that cannot be converted.
class CFaultyForm : public CMemoryForm {
public:
    bool m_bFieldThrows = false;
    std::filesystem::path GetDataPath() override {
        if (std::exchange(m_bFieldThrows, false))
            throw std::filesystem::filesystem_error("no conversion", std::error_code());
        return CMemoryForm::GetDataPath();
    }
};

// Loads far more than one batch, so that rows reach the list before the source fails.
EJobResult LoadFailing(CFaultyForm& form, std::string_view head, bool bReadError) {
    std::string bytes(head);
    for (int i = 0; i < 10000; ++i)
        bytes += "row" + std::to_string(i) + "\r\n";
    CTestSource source(bytes, 4096, bReadError);
    return LoadRows(form, source, form.m_strDataPath);
}

// Every way a job fails or stops: its message, and the lists, row figure and files as before
// it; a trim whose save failed takes back its rows: a retry saves what a first success would.
TEST(Jobs, FailuresChangeNothing) {
    CTempDir dir;
    const std::string strData =
        std::string("\n") + PathToUtf8(dir / "urls.txt"); // after the message
    const struct {
        const char* name;
        std::function<EJobResult(CFaultyForm&)> run;
        std::string message;
        EJobResult result = EJobResult::Failed;
        int progress = 0;
        std::string save = "out.txt"; // in the folder
    } cases[] = {
        {.name = "load: read error part-way",
         .run = [](CFaultyForm& f) { return LoadFailing(f, "", true); },
         .message = texts::kDataReadFailed + strData},
        {.name = "load: UTF-16",
         .run = [](CFaultyForm& f) { return LoadFailing(f, "\xFF\xFEh", false); },
         .message = texts::kUtf16Unsupported + strData},
        {.name = "load: no file", .run = RunLoadJob, .message = texts::kDataOpenFailed + strData},
        {.name = "trim: save folder missing",
         .run = RunConvertJob,
         .message = std::string(texts::kSaveFailed) + "\n" + PathToUtf8(dir / "missing/out.txt"),
         .progress = 1,
         .save = "missing/out.txt"},
        {.name = "trim: a data file chosen, none loaded since",
         .run =
             [](CFaultyForm& f) {
                 f.m_loaded.reset();
                 return RunConvertJob(f);
             },
         .message = texts::kNotLoaded,
         .result = EJobResult::Stopped},
        // A job that throws past its own handlers is still reported, naming its file.
        {.name = "load worker: data path not convertible",
         .run =
             [](CFaultyForm& f) {
                 f.m_bFieldThrows = true;
                 LoadThreadProc(&f); // as the window starts it; its message says how it ended
                 return EJobResult::Failed;
             },
         .message = texts::kDataReadFailed + strData},
    };
    for (const auto& c : cases) {
        CFaultyForm form;
        form.m_strDataPath = dir / "urls.txt";
        form.m_strSavePath = dir / c.save;
        Fill(form.m_rowsIn, {"kept0", "a/" + kM});
        Fill(form.m_rowsOut, {"earlier"});
        form.m_loaded = SLoaded{1};
        EXPECT_EQ(c.run(form), c.result) << c.name;
        EXPECT_EQ(form.m_messages, Messages{c.message}) << c.name;
        EXPECT_EQ(RowsOf(form.m_rowsIn), (Rows{"kept0", "a/" + kM})) << c.name;
        EXPECT_EQ(form.GetLastRow(), form.m_loaded ? 1 : 0) << c.name;
        EXPECT_EQ(form.m_nProgressPos, c.progress) << c.name;
        EXPECT_EQ(form.m_rowsIn.ChunkCount(), 1u) << c.name; // none kept for rows gone
        EXPECT_EQ(RowsOf(form.m_rowsOut), Rows{"earlier"}) << c.name;
        EXPECT_EQ(Snapshot(dir.Path()), Files{}) << c.name;
        EXPECT_FALSE(form.m_bSaveFolderChoice) << c.name;
    }
}

// Output rows lie in the bytes their input rows were read into: they outlive the input
// list's emptying by a new data file choice. The rows span many batches and chunks of the
// largest size, so that freed ones go back to the system; the first texts come again in
// the last batch, which holds new ones too.
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

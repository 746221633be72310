#include "TestUtil.h"

#include "data/MemoryForm.h"
#include "data/Texts.h"
#include "jobs/Jobs.h"

#include <gtest/gtest.h>

#include <climits>
#include <new>
#include <system_error>

namespace {

const std::string kM = "regist_pernad.cgi";
using JobFn = EJobResult (*)(CToolForm&);

// A form with a data file and a save path in a fresh folder, as after the folder choice.
struct SFormFixture {
    CTempDir dir;
    CMemoryForm form;
    std::filesystem::path dataPath = dir / "urls.txt";
    std::filesystem::path savePath = dir / "out" / "urls.txt";

    SFormFixture() {
        std::filesystem::create_directory(dir / "out");
        form.m_strDataPath = dataPath;
        form.m_strSavePath = savePath;
    }
    void Load(const Rows& rows) {
        Fill(form.m_rowsIn, rows);
        form.m_nLastRow = static_cast<int>(form.m_rowsIn.Count()) - 1;
    }
};

TEST(ConvertJob, CutsAfterTheMarker) {
    constexpr int kAsLoaded = INT_MIN;
    Rows many;
    Rows manyCut;
    for (int i = 0; i < 20000; ++i) {
        const std::string strHost = "http://h" + std::to_string(i) + ".jp/";
        many.push_back(strHost + (i % 3 == 0 ? kM + "?n=" + std::to_string(i) : "index.html"));
        if (i % 3 == 0)
            manyCut.push_back(strHost + kM);
    }
    many.push_back("no marker at the end");
    const struct {
        const char* pszName;
        Rows input;
        Rows output; // after every run, the save file's rows too
        int nProgress;
        int nLastRow = kAsLoaded;
        std::string marker = kM;
        int nRuns = 1;
    } cases[] = {
        {"query string dropped", {"abc/" + kM + "?mode=new"}, {"abc/" + kM}, 0},
        {"ends with marker", {"abc/" + kM}, {"abc/" + kM}, 0},
        {"only the second holds it", {"x", "y/" + kM + "?z", "w"}, {"y/" + kM}, 1},
        {"lead byte before", {"\x82" + kM, "\x82\x60" + kM + "?q"}, {"\x82\x60" + kM}, 1},
        {"many rows, in order", many, manyCut, 19998},
        {"run twice", {"a/" + kM + "?1", "b"}, {"a/" + kM, "a/" + kM}, 0, kAsLoaded, kM, 2},
        {"empty marker", {"a", "b"}, {"", ""}, 1, kAsLoaded, ""},
        // The loop is bounded by the row figure of the last load, never by rows that are gone.
        {"row figure minus one", {"a/" + kM}, {}, 0, -1},
        {"row figure smaller", {"a/" + kM, "b/" + kM}, {"a/" + kM}, 0, 0},
        {"row figure past the rows", {"a/" + kM}, {"a/" + kM}, 0, 70000},
    };
    for (const auto& c : cases) {
        SFormFixture f;
        f.Load(c.input);
        if (c.nLastRow != kAsLoaded)
            f.form.m_nLastRow = c.nLastRow;
        f.form.m_strMarker = c.marker;
        f.form.m_strMarkerUtf8 = c.marker;
        for (int i = 0; i < c.nRuns; ++i)
            EXPECT_EQ(RunConvertJob(f.form), EJobResult::Completed) << c.pszName;
        EXPECT_EQ(RowsOf(f.form.m_rowsOut), c.output) << c.pszName;
        EXPECT_EQ(f.form.m_nProgressPos, c.nProgress) << c.pszName;
        EXPECT_EQ(ReadBytes(f.savePath), CrLf(c.output)) << c.pszName;
        EXPECT_EQ(f.form.m_messages, Messages(c.nRuns, texts::kConvertDone)) << c.pszName;
    }
}

TEST(DedupJob, KeepsFirstOccurrences) {
    // Many batches, each text repeated batches later: the first of each, in order.
    Rows many;
    Rows manyKept;
    for (int i = 0; i < 30000; ++i) {
        many.push_back("u/" + std::to_string(i % 7000) + "/" + kM);
        if (i < 7000)
            manyKept.push_back(many.back());
    }
    const struct {
        const char* pszName;
        Rows input;
        Rows oldOutput;
        Rows output;
    } cases[] = {
        {"x y x z y", {"x", "y", "x", "z", "y"}, {}, {"x", "y", "z"}},
        {"three empty rows", {"", "", ""}, {}, {""}},
        {"no folding", {"a/b", "a/b/", "A/B", "a/b ", "a/b"}, {}, {"a/b", "a/b/", "A/B", "a/b "}},
        {"nul is a byte", {std::string("a\0b", 3), "a"}, {}, {std::string("a\0b", 3), "a"}},
        {"empty input empties the output", {}, {"old"}, {}},
        {"earlier trim rows are gone", {"a", "a"}, {"t1", "t2"}, {"a"}},
        {"repeats across batches", many, {}, manyKept},
    };
    for (const auto& c : cases) {
        SFormFixture f;
        f.Load(c.input);
        Fill(f.form.m_rowsOut, c.oldOutput);
        for (int nRun = 0; nRun < 2; ++nRun) { // twice gives the same both times
            EXPECT_EQ(RunDedupJob(f.form), EJobResult::Completed) << c.pszName;
            EXPECT_EQ(RowsOf(f.form.m_rowsOut), c.output) << c.pszName;
            EXPECT_EQ(ReadBytes(f.savePath), CrLf(c.output)) << c.pszName;
            EXPECT_EQ(f.form.m_arrUnique.Count(), 0u) << c.pszName;
        }
        EXPECT_EQ(f.form.m_messages, Messages(2, texts::kDedupDone)) << c.pszName;
    }
}

// A form whose output list cannot grow past 5000 rows, as when memory runs out, and whose
// save path field throws the first time it is read, when asked to.
class CFaultyForm : public CMemoryForm {
public:
    bool m_bCapped = false;
    int m_nFieldThrows = 0; // 1: bad_alloc, 2: a path that cannot be converted
    void AppendRows(ERowList list, const CRowList& batch) override {
        if (m_bCapped && list == ERowList::Out && m_rowsOut.Count() + batch.Count() > 5000)
            throw std::bad_alloc();
        CMemoryForm::AppendRows(list, batch);
    }
    std::filesystem::path GetSavePath() override {
        const int nThrow = std::exchange(m_nFieldThrows, 0);
        if (nThrow == 1)
            throw std::bad_alloc();
        if (nThrow == 2)
            throw std::filesystem::filesystem_error("no conversion", std::error_code());
        return CMemoryForm::GetSavePath();
    }
};

// Loads far more than one batch, so that rows reach the list before the source fails.
EJobResult LoadFailing(CFaultyForm& form, std::string_view head, CTestSource::EEnd end) {
    std::string bytes(head);
    for (int i = 0; i < 10000; ++i)
        bytes += "row" + std::to_string(i) + "\r\n";
    CTestSource source(bytes, 4096, end);
    return LoadRows(form, source, form.m_strDataPath);
}

// Every way a job fails or stops: the message it shows, and the lists, row figure and
// files as they were before the job.
TEST(Jobs, FailuresChangeNothing) {
    CTempDir dir;
    const std::string strData = WithPath("", dir / "urls.txt");
    const std::string strSave = WithPath("", dir / "out.txt");
    using E = CTestSource::EEnd;
    const struct {
        const char* pszName;
        EJobResult (*run)(CFaultyForm& form);
        std::string message;
        EJobResult result = EJobResult::Failed;
    } cases[] = {
        {"load: read error part-way",
         [](CFaultyForm& f) { return LoadFailing(f, "", E::ReadError); },
         texts::kDataReadFailed + strData},
        {"load: out of memory part-way",
         [](CFaultyForm& f) { return LoadFailing(f, "", E::OutOfMemory); }, texts::kOutOfMemory},
        {"load: UTF-16", [](CFaultyForm& f) { return LoadFailing(f, "\xFF\xFEh", E::Eof); },
         texts::kUtf16Unsupported + strData},
        {"load: data file missing", [](CFaultyForm& f) { return RunLoadJob(f); },
         texts::kDataOpenFailed + strData},
        {"trim: out of memory part-way",
         [](CFaultyForm& f) {
             f.m_bCapped = true;
             for (int i = 0; i < 20000; ++i)
                 f.m_rowsIn.Append("u/" + kM + "?" + std::to_string(i));
             f.m_nLastRow = 20001;
             return RunConvertJob(f);
         },
         texts::kOutOfMemory},
        {"trim: a data file chosen, none loaded since",
         [](CFaultyForm& f) {
             f.m_loadedCode.reset();
             return RunConvertJob(f);
         },
         texts::kNotLoaded, EJobResult::Stopped},
        {"dedup: empty save path",
         [](CFaultyForm& f) {
             f.m_strSavePath.clear();
             return RunDedupJob(f);
         },
         texts::kNoSavePath, EJobResult::Stopped},
        // A job that throws past its own handlers is still reported, naming its file.
        {"trim worker: save path field out of memory",
         [](CFaultyForm& f) {
             f.m_nFieldThrows = 1;
             ConvertThreadProc(static_cast<CToolForm*>(&f));
             return EJobResult::Failed;
         },
         texts::kOutOfMemory},
        {"dedup worker: save path not convertible",
         [](CFaultyForm& f) {
             f.m_nFieldThrows = 2;
             DedupThreadProc(static_cast<CToolForm*>(&f));
             return EJobResult::Failed;
         },
         texts::kSaveFailed + strSave},
    };
    for (const auto& c : cases) {
        CFaultyForm form;
        form.m_strDataPath = dir / "urls.txt";
        form.m_strSavePath = dir / "out.txt";
        Fill(form.m_rowsIn, {"kept0", "a/" + kM});
        Fill(form.m_rowsOut, {"earlier"});
        form.m_nLastRow = 1;
        EXPECT_EQ(c.run(form), c.result) << c.pszName;
        EXPECT_EQ(form.m_messages, Messages{c.message}) << c.pszName;
        if (!form.m_bCapped) {
            EXPECT_EQ(RowsOf(form.m_rowsIn), (Rows{"kept0", "a/" + kM})) << c.pszName;
            EXPECT_EQ(form.m_nLastRow, 1) << c.pszName;
            EXPECT_EQ(form.m_nProgressPos, 0) << c.pszName;
        }
        EXPECT_EQ(RowsOf(form.m_rowsOut), Rows{"earlier"}) << c.pszName;
        EXPECT_EQ(dir.Listing(), "") << c.pszName;
        EXPECT_FALSE(form.m_bSaveFolderChoice) << c.pszName;
    }
}

// A failed save says so with the path, and the trim takes back its rows, so that a retry
// once the folder is there saves what a first success would have saved.
TEST(SavingJobs, SaveFailureSaysSoAndARetrySavesTheSame) {
    const struct {
        JobFn job;
        Rows outputAfterFailure;
        Rows retried;
    } cases[] = {
        {RunConvertJob, {"earlier"}, {"earlier", "a/" + kM}},
        {RunDedupJob, {"a/" + kM}, {"a/" + kM}},
    };
    for (const auto& c : cases) {
        SFormFixture f;
        f.Load({"a/" + kM});
        Fill(f.form.m_rowsOut, {"earlier"});
        const auto target = f.dir / "missing" / "urls.txt";
        f.form.m_strSavePath = target;
        for (int nTry = 0; nTry < 3; ++nTry) {
            EXPECT_EQ(c.job(f.form), EJobResult::Failed);
            EXPECT_EQ(RowsOf(f.form.m_rowsOut), c.outputAfterFailure);
        }
        EXPECT_EQ(f.form.m_messages, Messages(3, WithPath(texts::kSaveFailed, target)));
        EXPECT_EQ(f.dir.Listing(), "out");
        std::filesystem::create_directory(f.dir / "missing");
        EXPECT_EQ(c.job(f.form), EJobResult::Completed);
        EXPECT_EQ(ReadBytes(target), CrLf(c.retried));
    }
}

} // namespace

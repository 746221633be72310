#include "TempDir.h"

#include "data/MemoryForm.h"
#include "data/PathText.h"
#include "data/Texts.h"
#include "jobs/Jobs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <vector>

namespace {

using Rows = std::vector<std::string>;
using Messages = std::vector<std::string>;

Rows RowsOf(const CRowList& list) {
    Rows rows;
    for (std::size_t i = 0; i < list.Count(); ++i)
        rows.emplace_back(list.Row(i));
    return rows;
}

void Fill(CRowList& list, const Rows& rows) {
    for (const auto& row : rows)
        list.Append(row);
}

std::string WithPath(const char* pszMessage, const std::filesystem::path& path) {
    return std::string(pszMessage) + "\n" + PathToUtf8(path);
}

// A form with a data file and a save path in a fresh folder, as after the folder choice.
struct SFormFixture {
    CTempDir dir;
    CMemoryForm form;
    std::filesystem::path dataPath = dir / "urls.txt";
    std::filesystem::path savePath = dir / "out" / "urls.txt";

    SFormFixture() {
        std::filesystem::create_directory(dir / "out");
        form.m_strDataPath = dataPath;
        form.m_fieldPaths[IDC_DEST_PATH] = savePath;
    }
    void Load(const Rows& rows) {
        Fill(form.m_listIn, rows);
        form.m_nLastRow = static_cast<int>(form.m_listIn.Count()) - 1;
    }
};

// ---- load ----

TEST(LoadJob, RowsRowFigureMessageAndButton) {
    struct SCase {
        const char* pszName;
        std::string bytes;
        int nLoads;
        Rows rows;
        int nLastRow;
    };
    const SCase cases[] = {
        {"three lines", "a\r\nb\r\nc\r\n", 1, {"a", "b", "c"}, 2},
        {"zero bytes", "", 1, {}, -1},
        {"loaded twice appends", "a\nb\nc", 2, {"a", "b", "c", "a", "b", "c"}, 5},
    };
    for (const SCase& c : cases) {
        SFormFixture f;
        WriteBytes(f.dataPath, c.bytes);
        Messages expected;
        for (int i = 0; i < c.nLoads; ++i) {
            EXPECT_EQ(RunLoadJob(f.form), EJobResult::Completed) << c.pszName;
            expected.push_back(texts::kLoadDone);
        }
        EXPECT_EQ(RowsOf(f.form.m_listIn), c.rows) << c.pszName;
        EXPECT_EQ(f.form.m_nLastRow, c.nLastRow) << c.pszName;
        EXPECT_EQ(f.form.m_messages, expected) << c.pszName;
        EXPECT_EQ(f.form.m_enabled, std::set<int>{IDC_BROWSE_DEST}) << c.pszName;
        EXPECT_TRUE(f.form.m_listOut.Empty()) << c.pszName;
    }
}

// A source that yields some lines, then fails the way a disk or an allocation can.
class CFailingSource : public CByteSource {
public:
    CFailingSource(std::string bytes, bool bThrow) : m_bytes(std::move(bytes)), m_bThrow(bThrow) {}
    std::ptrdiff_t Read(char* pBuffer, std::size_t nSize) override {
        if (m_bytes.empty()) {
            if (m_bThrow)
                throw std::bad_alloc();
            return -1;
        }
        const std::size_t n = std::min(nSize, m_bytes.size());
        m_bytes.copy(pBuffer, n);
        m_bytes.erase(0, n);
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    std::string m_bytes;
    bool m_bThrow;
};

TEST(LoadJob, FailureLeavesTheFormAsBefore) {
    struct SCase {
        const char* pszName;
        bool bThrow;
        const char* pszMessage;
        bool bWithPath;
    };
    const SCase cases[] = {
        {"read error part-way", false, texts::kDataReadFailed, true},
        {"out of memory part-way", true, texts::kOutOfMemory, false},
    };
    for (const SCase& c : cases) {
        SFormFixture f;
        f.Load({"kept0", "kept1"});
        // Far more than one batch, so rows reached the list before the failure.
        std::string bytes;
        for (int i = 0; i < 10000; ++i)
            bytes += "row" + std::to_string(i) + "\r\n";
        CFailingSource source(bytes, c.bThrow);
        EXPECT_EQ(LoadRows(f.form, source, f.dataPath), EJobResult::Failed) << c.pszName;
        EXPECT_EQ(RowsOf(f.form.m_listIn), (Rows{"kept0", "kept1"})) << c.pszName;
        EXPECT_EQ(f.form.m_nLastRow, 1) << c.pszName;
        const std::string strMessage =
            c.bWithPath ? WithPath(c.pszMessage, f.dataPath) : c.pszMessage;
        EXPECT_EQ(f.form.m_messages, Messages{strMessage}) << c.pszName;
    }
}

TEST(LoadJob, MissingDataFile) {
    SFormFixture f;
    f.Load({"kept"});
    EXPECT_EQ(RunLoadJob(f.form), EJobResult::Failed);
    EXPECT_EQ(f.form.m_messages, Messages{WithPath(texts::kDataOpenFailed, f.dataPath)});
    EXPECT_EQ(RowsOf(f.form.m_listIn), Rows{"kept"});
    EXPECT_EQ(f.form.m_nLastRow, 0);
    EXPECT_TRUE(f.form.m_enabled.empty());
}

// ---- conversion ----

TEST(ConvertJob, CutsAfterTheMarker) {
    struct SCase {
        const char* pszName;
        Rows input;
        Rows output;
        int nProgress;
    };
    const SCase cases[] = {
        {"query string dropped", {"abc/regist_pernad.cgi?mode=new"}, {"abc/regist_pernad.cgi"}, 0},
        {"ends with marker", {"abc/regist_pernad.cgi"}, {"abc/regist_pernad.cgi"}, 0},
        {"first of two", {"a/regist_pernad.cgi/b/regist_pernad.cgi?x"}, {"a/regist_pernad.cgi"}, 0},
        {"other case dropped", {"abc/REGIST_PERNAD.CGI"}, {}, 0},
        {"only the second holds it",
         {"x", "y/regist_pernad.cgi?z", "w"},
         {"y/regist_pernad.cgi"},
         1},
        {"shift-jis before the marker",
         {"\x82regist_pernad.cgi", "\x82\x60regist_pernad.cgi?q"},
         {"\x82\x60regist_pernad.cgi"},
         1},
    };
    for (const SCase& c : cases) {
        SFormFixture f;
        f.Load(c.input);
        EXPECT_EQ(RunConvertJob(f.form), EJobResult::Completed) << c.pszName;
        EXPECT_EQ(RowsOf(f.form.m_listOut), c.output) << c.pszName;
        EXPECT_EQ(f.form.m_nProgressPos, c.nProgress) << c.pszName;
        std::string bytes;
        for (const auto& row : c.output)
            bytes += row + "\r\n";
        EXPECT_EQ(ReadBytes(f.savePath), bytes) << c.pszName;
        EXPECT_EQ(f.form.m_messages, Messages{texts::kConvertDone}) << c.pszName;
    }
}

TEST(ConvertJob, RunTwiceDoublesOutputAndFile) {
    SFormFixture f;
    f.Load({"a/regist_pernad.cgi?1", "b"});
    RunConvertJob(f.form);
    RunConvertJob(f.form);
    EXPECT_EQ(RowsOf(f.form.m_listOut), (Rows{"a/regist_pernad.cgi", "a/regist_pernad.cgi"}));
    EXPECT_EQ(ReadBytes(f.savePath), "a/regist_pernad.cgi\r\na/regist_pernad.cgi\r\n");
}

TEST(ConvertJob, EmptyMarkerGivesEmptyRows) {
    SFormFixture f;
    f.Load({"a", "b"});
    f.form.m_fieldBytes[IDC_MARKER] = "";
    RunConvertJob(f.form);
    EXPECT_EQ(RowsOf(f.form.m_listOut), (Rows{"", ""}));
    EXPECT_EQ(ReadBytes(f.savePath), "\r\n\r\n");
}

// The loop is bounded by the row figure of the last load, never by rows that are gone.
TEST(ConvertJob, RowFigureBounds) {
    struct SCase {
        const char* pszName;
        Rows input;
        int nLastRow;
        Rows output;
    };
    const SCase cases[] = {
        {"minus one: no row", {"a/regist_pernad.cgi"}, -1, {}},
        {"smaller than the list",
         {"a/regist_pernad.cgi", "b/regist_pernad.cgi"},
         0,
         {"a/regist_pernad.cgi"}},
        {"left over from an earlier load", {"a/regist_pernad.cgi"}, 70000, {"a/regist_pernad.cgi"}},
    };
    for (const SCase& c : cases) {
        SFormFixture f;
        Fill(f.form.m_listIn, c.input);
        f.form.m_nLastRow = c.nLastRow;
        EXPECT_EQ(RunConvertJob(f.form), EJobResult::Completed) << c.pszName;
        EXPECT_EQ(RowsOf(f.form.m_listOut), c.output) << c.pszName;
        EXPECT_EQ(f.form.m_messages, Messages{texts::kConvertDone}) << c.pszName;
    }
}

TEST(ConvertJob, ManyRowsKeepOrderAndProgressEndsOnTheLastMatch) {
    SFormFixture f;
    Rows input;
    Rows output;
    for (int i = 0; i < 20000; ++i) {
        const std::string strHost = "http://h" + std::to_string(i) + ".jp/";
        input.push_back(i % 3 == 0 ? strHost + "regist_pernad.cgi?n=" + std::to_string(i)
                                   : strHost + "index.html");
        if (i % 3 == 0)
            output.push_back(strHost + "regist_pernad.cgi");
    }
    input.push_back("no marker at the end");
    f.Load(input);
    RunConvertJob(f.form);
    EXPECT_EQ(RowsOf(f.form.m_listOut), output);
    EXPECT_EQ(f.form.m_nProgressPos, 19998);
}

// ---- duplicate removal ----

TEST(DedupJob, KeepsFirstOccurrences) {
    struct SCase {
        const char* pszName;
        Rows input;
        Rows oldOutput;
        Rows output;
    };
    const SCase cases[] = {
        {"x y x z y", {"x", "y", "x", "z", "y"}, {}, {"x", "y", "z"}},
        {"three empty rows", {"", "", ""}, {}, {""}},
        {"empty input empties the output", {}, {"old"}, {}},
        {"earlier trim rows are gone", {"a", "a"}, {"t1", "t2"}, {"a"}},
    };
    for (const SCase& c : cases) {
        SFormFixture f;
        f.Load(c.input);
        Fill(f.form.m_listOut, c.oldOutput);
        for (int nRun = 0; nRun < 2; ++nRun) { // twice gives the same both times
            EXPECT_EQ(RunDedupJob(f.form), EJobResult::Completed) << c.pszName;
            EXPECT_EQ(RowsOf(f.form.m_listOut), c.output) << c.pszName;
            std::string bytes;
            for (const auto& row : c.output)
                bytes += row + "\r\n";
            EXPECT_EQ(ReadBytes(f.savePath), bytes) << c.pszName;
            EXPECT_EQ(f.form.m_arrUnique.Count(), 0u) << c.pszName;
        }
        EXPECT_EQ(f.form.m_messages, (Messages{texts::kDedupDone, texts::kDedupDone})) << c.pszName;
    }
}

// Rows over many batches, each text repeated batches later: the list and the
// file hold the first of each, in order, whatever batch it came in.
TEST(DedupJob, RepeatsAcrossBatches) {
    SFormFixture f;
    Rows input;
    Rows output;
    for (int i = 0; i < 30000; ++i) {
        input.push_back("u/" + std::to_string(i % 7000) + "/regist_pernad.cgi");
        if (i < 7000)
            output.push_back(input.back());
    }
    f.Load(input);
    ASSERT_EQ(RunDedupJob(f.form), EJobResult::Completed);
    EXPECT_EQ(RowsOf(f.form.m_listOut), output);
    std::string bytes;
    for (const auto& row : output)
        bytes += row + "\r\n";
    EXPECT_EQ(ReadBytes(f.savePath), bytes);
}

// ---- what the trim and duplicate-removal jobs share ----

using JobFn = EJobResult (*)(CToolForm&);
const JobFn kSavingJobs[] = {RunConvertJob, RunDedupJob};

TEST(SavingJobs, EmptySavePathChangesNothing) {
    for (JobFn job : kSavingJobs) {
        SFormFixture f;
        f.Load({"a/regist_pernad.cgi", "a/regist_pernad.cgi"});
        Fill(f.form.m_listOut, {"old"});
        f.form.m_fieldPaths[IDC_DEST_PATH] = "";
        EXPECT_EQ(job(f.form), EJobResult::Stopped);
        EXPECT_EQ(f.form.m_messages, Messages{texts::kNoSavePath});
        EXPECT_EQ(RowsOf(f.form.m_listOut), Rows{"old"});
        EXPECT_EQ(f.dir.Listing(), "out");
        EXPECT_EQ(f.form.m_nProgressPos, 0);
    }
}

TEST(SavingJobs, SaveOverTheDataFileAsksFirst) {
    for (JobFn job : kSavingJobs) {
        for (bool bYes : {false, true}) {
            SFormFixture f;
            const std::string strData = "a/regist_pernad.cgi?q\r\na/regist_pernad.cgi?q\r\n";
            WriteBytes(f.dataPath, strData);
            ASSERT_EQ(RunLoadJob(f.form), EJobResult::Completed);
            f.form.m_messages.clear();
            // The same file by another spelling of its path.
            f.form.m_fieldPaths[IDC_DEST_PATH] = f.dir.Path() / "out" / ".." / "urls.txt";
            f.form.m_bAnswerYes = bYes;
            EXPECT_EQ(job(f.form), bYes ? EJobResult::Completed : EJobResult::Stopped);
            EXPECT_EQ(f.form.m_questions, Messages{texts::kOverwriteDataFile});
            if (bYes) {
                EXPECT_EQ(ReadBytes(f.dataPath),
                          job == RunConvertJob ? "a/regist_pernad.cgi\r\na/regist_pernad.cgi\r\n"
                                               : "a/regist_pernad.cgi?q\r\n");
            } else {
                EXPECT_EQ(ReadBytes(f.dataPath), strData);
                EXPECT_TRUE(f.form.m_messages.empty());
                EXPECT_TRUE(f.form.m_listOut.Empty());
            }
        }
    }
}

// A failed save says so with the path, and the trim takes back its rows, so that a retry
// once the folder is there saves what a first success would have saved.
TEST(SavingJobs, SaveFailureSaysSoAndARetrySavesTheSame) {
    struct SCase {
        JobFn job;
        Rows outputAfterFailure;
        std::string retried;
    };
    const SCase cases[] = {
        {RunConvertJob, {"earlier"}, "earlier\r\na/regist_pernad.cgi\r\n"},
        {RunDedupJob, {"a/regist_pernad.cgi"}, "a/regist_pernad.cgi\r\n"},
    };
    for (const SCase& c : cases) {
        SFormFixture f;
        f.Load({"a/regist_pernad.cgi"});
        Fill(f.form.m_listOut, {"earlier"});
        const auto target = f.dir / "missing" / "urls.txt";
        f.form.m_fieldPaths[IDC_DEST_PATH] = target;
        for (int nTry = 0; nTry < 3; ++nTry) {
            EXPECT_EQ(c.job(f.form), EJobResult::Failed);
            EXPECT_EQ(RowsOf(f.form.m_listOut), c.outputAfterFailure);
        }
        EXPECT_EQ(f.form.m_messages, Messages(3, WithPath(texts::kSaveFailed, target)));
        EXPECT_EQ(f.dir.Listing(), "out");
        std::filesystem::create_directory(f.dir / "missing");
        EXPECT_EQ(c.job(f.form), EJobResult::Completed);
        EXPECT_EQ(ReadBytes(target), c.retried);
    }
}

// A form that throws from one of its operations the first time it is asked, as a
// path that cannot be converted or an allocation that fails would.
class CThrowingForm : public CMemoryForm {
public:
    enum EWhere { FieldPath, DataPath } m_where = FieldPath;
    bool m_bBadAlloc = false;
    int m_nThrows = 1;
    std::filesystem::path GetFieldPath(int nId) override {
        MaybeThrow(FieldPath);
        return CMemoryForm::GetFieldPath(nId);
    }
    std::filesystem::path GetDataPath() override {
        MaybeThrow(DataPath);
        return CMemoryForm::GetDataPath();
    }

private:
    void MaybeThrow(EWhere where) {
        if (where != m_where || m_nThrows == 0)
            return;
        --m_nThrows;
        if (m_bBadAlloc)
            throw std::bad_alloc();
        throw std::filesystem::filesystem_error("no conversion", std::error_code());
    }
};

// A worker whose job throws past its own handlers still tells the user, and names the file.
TEST(Workers, AJobThatThrowsIsReported) {
    struct SCase {
        const char* pszName;
        unsigned (*pfnWorker)(void*);
        CThrowingForm::EWhere where;
        bool bBadAlloc;
        const char* pszMessage;
        bool bDataPath; // the message names the data file, not the save file
    };
    const SCase cases[] = {
        {"trim, save path field out of memory", ConvertThreadProc, CThrowingForm::FieldPath, true,
         texts::kOutOfMemory, false},
        {"dedup, save path not convertible", DedupThreadProc, CThrowingForm::FieldPath, false,
         texts::kSaveFailed, false},
        {"load, data path not convertible", LoadThreadProc, CThrowingForm::DataPath, false,
         texts::kDataReadFailed, true},
    };
    for (const SCase& c : cases) {
        CTempDir dir;
        CThrowingForm form;
        form.m_strDataPath = dir / "urls.txt";
        form.m_fieldPaths[IDC_DEST_PATH] = dir / "out.txt";
        form.m_where = c.where;
        form.m_bBadAlloc = c.bBadAlloc;
        EXPECT_EQ(c.pfnWorker(static_cast<CToolForm*>(&form)), 0u) << c.pszName;
        const std::string strExpected =
            c.bBadAlloc ? c.pszMessage
                        : WithPath(c.pszMessage, c.bDataPath ? dir / "urls.txt" : dir / "out.txt");
        EXPECT_EQ(form.m_messages, Messages{strExpected}) << c.pszName;
        EXPECT_EQ(dir.Listing(), "") << c.pszName;
    }
}

// A form whose output list cannot grow past a number of rows, as when memory runs out.
class CCappedForm : public CMemoryForm {
public:
    void AppendRows(ERowList list, const CRowList& batch) override {
        if (list == ERowList::Out && m_listOut.Count() + batch.Count() > 5000)
            throw std::bad_alloc();
        CMemoryForm::AppendRows(list, batch);
    }
};

TEST(ConvertJob, OutOfMemoryTakesBackItsRows) {
    CTempDir dir;
    CCappedForm form;
    form.m_fieldPaths[IDC_DEST_PATH] = dir / "out.txt";
    Fill(form.m_listOut, {"earlier"});
    for (int i = 0; i < 20000; ++i)
        form.m_listIn.Append("u/regist_pernad.cgi?" + std::to_string(i));
    form.m_nLastRow = 19999;
    EXPECT_EQ(RunConvertJob(form), EJobResult::Failed);
    EXPECT_EQ(RowsOf(form.m_listOut), Rows{"earlier"});
    EXPECT_EQ(form.m_messages, Messages{texts::kOutOfMemory});
    EXPECT_EQ(dir.Listing(), "");
}

} // namespace

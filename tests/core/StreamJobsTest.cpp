// kelvane-cli's streaming jobs give what the window's load followed by its job gives:
// the same save file, messages and row counts, for every kind of data file, with
// batches of a few rows so that rows wait for their code across batch ends.
#include "TestUtil.h"

#include "form/MemoryForm.h"
#include "form/Texts.h"
#include "jobs/StreamJobs.h"

#include <gtest/gtest.h>

namespace {

// Batches of two rows; a source that fails once its bytes are read, when asked to.
class CStreamForm : public CMemoryForm {
public:
    bool m_bReadFails = false;
    SBatchSize GetBatchSize() const override { return {2, 1 << 20}; }
    std::unique_ptr<CByteSource> OpenDataSource(const std::filesystem::path& path) override {
        if (!m_bReadFails)
            return CMemoryForm::OpenDataSource(path);
        return std::make_unique<CTestSource>(ReadBytes(path), 5, true);
    }
};

struct SOutcome {
    EJobResult result;
    Messages messages;
    std::string saved;
    std::size_t nIn, nOut;
    bool operator==(const SOutcome&) const = default;
};

void PrintTo(const SOutcome& o, std::ostream* pOut) {
    *pOut << static_cast<int>(o.result) << " " << testing::PrintToString(o.messages) << " "
          << testing::PrintToString(o.saved) << " " << o.nIn << " -> " << o.nOut;
}

TEST(StreamJobs, GiveWhatTheWindowsJobsGive) {
    const std::string kBom = "\xEF\xBB\xBF";
    const std::string kRei = "\xE4\xBE\x8B"; // 例 in UTF-8; its last byte leads in Shift-JIS
    const std::string strUtf8 = CrLf({"a/" + kRei + kM + "?1", "b", "a/" + kRei + kM + "?1"});
    const std::string strAscii = CrLf({"a/" + kM + "?1", "b", "a/" + kM + "?1", "c/" + kM});
    const struct {
        const char* name;
        std::string data;
        EEncodingRule rule = EEncodingRule::Auto;
    } cases[] = {
        {"ascii", strAscii},
        {"utf-8 to the end", strUtf8 + strUtf8},
        // Shift-JIS only at the end: every row is read as Shift-JIS, where 0x8B takes the "r".
        {"shift-jis at the end", strUtf8 + strUtf8 + "\x83\x65\r\n"},
        {"ascii, then utf-8", strAscii + strUtf8},
        {"utf-8 rule", strUtf8 + "\x83\x65\r\n", EEncodingRule::Utf8},
        {"ansi rule", strUtf8, EEncodingRule::Ansi},
        {"mark", kBom + strUtf8},
        {"mark only", kBom},
        {"empty", ""},
        {"0x1a", strAscii + "\x1A" + strAscii},
        {"utf-16", "\xFF\xFEh\0t\0"},
    };
    for (const auto& c : cases)
        for (const EJobId job : {kConvertJob, kDedupJob}) {
            CTempDir dir;
            WriteBytes(dir / "urls.txt", c.data);
            auto outcome = [&](CMemoryForm& form, auto run) {
                form.m_strDataPath = dir / "urls.txt";
                form.m_strSavePath = dir / "out.txt";
                form.m_encodingRule = c.rule;
                form.m_strMarker = form.m_strMarkerUtf8 = kM;
                SOutcome o{run(form), {}, {}, 0, 0};
                o.messages = form.m_messages;
                o.saved = ReadBytes(dir / "out.txt");
                std::filesystem::remove(dir / "out.txt");
                return o;
            };
            CMemoryForm window;
            SOutcome expected = outcome(window, [&](CMemoryForm& form) {
                const EJobResult loaded = RunJob(form, kJobs[kLoadJob]);
                return loaded == EJobResult::Completed ? RunJob(form, kJobs[job]) : loaded;
            });
            expected.nIn = window.m_rowsIn.Count();
            expected.nOut = window.m_rowsOut.Count();
            CStreamForm stream;
            SStreamCounts counts;
            SOutcome got =
                outcome(stream, [&](CMemoryForm& f) { return StreamJob(f, job, counts); });
            got.nIn = counts.nIn;
            got.nOut = counts.nOut;
            EXPECT_EQ(got, expected) << c.name << ", " << kJobs[job].pszName;
            EXPECT_EQ(counts.bReadWhole, expected.result == EJobResult::Completed) << c.name;
        }
}

// Whatever stops a streaming job, the save file stays as it was and no temporary is left.
TEST(StreamJobs, FailuresLeaveTheSaveFile) {
    CTempDir dir;
    std::string strData;
    for (int i = 0; i < 100; ++i)
        strData += "a/" + kM + "?" + std::to_string(i) + "\r\n";
    WriteBytes(dir / "urls.txt", strData);
    const std::string strData8 = PathToUtf8(dir / "urls.txt");
    const struct {
        const char* name;
        std::string save;
        bool readFails;
        bool yes;
        Messages messages;
        EJobResult result = EJobResult::Failed;
    } cases[] = {
        {"read error part-way",
         "out.txt",
         true,
         false,
         {std::string(texts::kDataReadFailed) + "\n" + strData8}},
        {"save folder missing",
         "missing/out.txt",
         false,
         false,
         {std::string(texts::kSaveFailed) + "\n" + PathToUtf8(dir / "missing/out.txt")}},
        {"no save path", "", false, false, {texts::kNoSavePath}, EJobResult::Stopped},
        {"save over the data file, declined", "urls.txt", false, false, {}, EJobResult::Stopped},
        {"save over the data file, allowed",
         "urls.txt",
         false,
         true,
         {texts::kLoadDone, texts::kConvertDone},
         EJobResult::Completed},
    };
    for (const auto& c : cases) {
        WriteBytes(dir / "out.txt", "old\r\n");
        const Files before = Snapshot(dir.Path());
        CStreamForm form;
        form.m_strDataPath = dir / "urls.txt";
        form.m_strSavePath = c.save.empty() ? std::filesystem::path() : dir / c.save;
        form.m_bReadFails = c.readFails;
        form.m_bAnswerYes = c.yes;
        SStreamCounts counts;
        EXPECT_EQ(StreamJob(form, kConvertJob, counts), c.result) << c.name;
        EXPECT_EQ(form.m_messages, c.messages) << c.name;
        Files after = before;
        if (c.result == EJobResult::Completed)
            after["urls.txt"] = CrLf(Rows(100, "a/" + kM));
        EXPECT_EQ(Snapshot(dir.Path()), after) << c.name;
        WriteBytes(dir / "urls.txt", strData);
    }
}

} // namespace

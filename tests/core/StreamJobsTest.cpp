// kelvane-cli's streaming jobs give what the window's load followed by its job gives:
// the same files, messages and row counts, for every kind of data file and fault, with
// batches of two rows so that rows wait for their code across batch ends.
#include "TestUtil.h"

#include "form/MemoryForm.h"
#include "form/Texts.h"
#include "jobs/StreamJobs.h"

#include <gtest/gtest.h>

namespace {

// Batches of two rows; a data file that fails to read once its bytes are read, by its name.
class CStreamForm : public CMemoryForm {
public:
    SBatchSize GetBatchSize() const override { return {2, 1 << 20}; }
    std::unique_ptr<CByteSource> OpenDataSource(const std::filesystem::path& path) override {
        if (path.filename() != "fails.txt")
            return CMemoryForm::OpenDataSource(path);
        return std::make_unique<CTestSource>(ReadBytes(path), 5, true);
    }
};

struct SOutcome {
    EJobResult result;
    Messages messages;
    Files files; // the folder's, the data file's and the old save file's among them
    std::size_t nIn = 0, nOut = 0;
    bool operator==(const SOutcome&) const = default;
};

void PrintTo(const SOutcome& o, std::ostream* pOut) {
    *pOut << static_cast<int>(o.result) << " " << testing::PrintToString(o.messages) << " "
          << testing::PrintToString(o.files) << " " << o.nIn << " -> " << o.nOut;
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
        const char* dataFile = "urls.txt";
        const char* save = "out.txt";
        bool yes = false;
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
        {"read error part-way", strAscii + strUtf8, EEncodingRule::Auto, "fails.txt"},
        {"save folder missing", strAscii, EEncodingRule::Auto, "urls.txt", "missing/out.txt"},
        {"no save path", strAscii, EEncodingRule::Auto, "urls.txt", ""},
        {"save over the data file, declined", strAscii, EEncodingRule::Auto, "urls.txt",
         "urls.txt"},
        {"save over the data file", strAscii, EEncodingRule::Auto, "urls.txt", "urls.txt", true},
    };
    for (const auto& c : cases)
        for (const EJobId job : {kConvertJob, kDedupJob}) {
            CTempDir dir;
            auto outcome = [&](auto run) {
                std::filesystem::remove_all(dir.Path());
                std::filesystem::create_directory(dir.Path());
                WriteBytes(dir / c.dataFile, c.data);
                WriteBytes(dir / "out.txt", "old\r\n");
                CStreamForm form;
                form.m_strDataPath = dir / c.dataFile;
                form.m_strSavePath = *c.save ? dir / c.save : std::filesystem::path();
                form.m_encodingRule = c.rule;
                form.m_bAnswerYes = c.yes;
                SOutcome o{};
                o.result = run(form, o);
                o.messages = form.m_messages;
                o.files = Snapshot(dir.Path());
                return o;
            };
            SOutcome expected = outcome([&](CStreamForm& form, SOutcome& o) {
                EJobResult result = RunJob(form, kJobs[kLoadJob]);
                if (result == EJobResult::Completed)
                    result = RunJob(form, kJobs[job]);
                o.nIn = form.m_rowsIn.Count();
                o.nOut = form.m_rowsOut.Count();
                return result;
            });
            bool bReadWhole = false;
            SOutcome got = outcome([&](CStreamForm& form, SOutcome& o) {
                SStreamCounts counts;
                const EJobResult result = StreamJob(form, job, counts);
                bReadWhole = counts.bReadWhole;
                o.nIn = counts.nIn;
                o.nOut = counts.nOut;
                return result;
            });
            // A job that stops or fails says only why, when it has not read the whole file;
            // the rows it read count in the window's lists only.
            if (expected.result != EJobResult::Completed) {
                if (!bReadWhole && !expected.messages.empty() &&
                    expected.messages[0].starts_with(texts::kLoadDone))
                    expected.messages.erase(expected.messages.begin());
                expected.nIn = expected.nOut = got.nIn = got.nOut = 0;
            }
            EXPECT_EQ(got, expected) << c.name << ", " << kJobs[job].pszName;
        }
}

} // namespace

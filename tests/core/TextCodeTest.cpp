// How a data file's text code is decided, and what it changes: the rows'
// bytes never, only how they are searched, shown and saved.
#include "TestUtil.h"

#include "data/BatchReader.h"
#include "data/ControlIds.h"
#include "data/MemoryForm.h"
#include "data/PathText.h"
#include "data/Texts.h"
#include "jobs/Jobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Hands its bytes over at most nChunk at a time, as a pipe may.
class CChunkSource : public CByteSource {
public:
    CChunkSource(std::string bytes, std::size_t nChunk)
        : m_bytes(std::move(bytes)), m_nChunk(nChunk) {}
    std::ptrdiff_t Read(char* pBuffer, std::size_t nSize) override {
        const std::size_t n = std::min({nSize, m_nChunk, m_bytes.size() - m_nAt});
        m_bytes.copy(pBuffer, n, m_nAt);
        m_nAt += n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    std::string m_bytes;
    std::size_t m_nChunk;
    std::size_t m_nAt = 0;
};

const std::string kBom = "\xEF\xBB\xBF";
const std::string kRei = "\xE4\xBE\x8B"; // 例 in UTF-8; its last byte leads in Shift-JIS

TEST(TextCode, DecidedFromTheBytesInOnePass) {
    struct SCase {
        const char* pszName;
        std::string bytes;
        EEncodingRule rule;
        ETextCode code;
        Rows rows;
    };
    const SCase cases[] = {
        {"ascii is ansi", "a\nb\n", EEncodingRule::Auto, ETextCode::Ansi, {"a", "b"}},
        {"shift-jis is ansi",
         "\x83\x65\x83\x58\n",
         EEncodingRule::Auto,
         ETextCode::Ansi,
         {"\x83\x65\x83\x58"}},
        {"valid multi-byte is utf-8",
         "a\n" + kRei + "\n",
         EEncodingRule::Auto,
         ETextCode::Utf8,
         {"a", kRei}},
        {"bom is taken off row 1", kBom + "a\n", EEncodingRule::Auto, ETextCode::Utf8Bom, {"a"}},
        {"bom alone", kBom, EEncodingRule::Auto, ETextCode::Utf8Bom, {}},
        {"bom wins over invalid bytes",
         kBom + "\x82\xA0\n",
         EEncodingRule::Auto,
         ETextCode::Utf8Bom,
         {"\x82\xA0"}},
        {"character cut off at the very end",
         "a\n" + kRei + "\n\xE4\xBE",
         EEncodingRule::Auto,
         ETextCode::Ansi,
         {"a", kRei, "\xE4\xBE"}},
        {"0x1a before invalid bytes",
         kRei + "\n\x1A\xFF\xFE",
         EEncodingRule::Auto,
         ETextCode::Utf8,
         {kRei}},
        {"overlong form is invalid",
         "\xC0\xAF\n",
         EEncodingRule::Auto,
         ETextCode::Ansi,
         {"\xC0\xAF"}},
        {"surrogate is invalid",
         "\xED\xA0\x80\n",
         EEncodingRule::Auto,
         ETextCode::Ansi,
         {"\xED\xA0\x80"}},
        // 縺ゃ≠ in Shift-JIS is ああ in UTF-8: such a file is taken as UTF-8.
        {"shift-jis that is also valid utf-8",
         "\xE3\x81\x82\xE3\x81\x82\n",
         EEncodingRule::Auto,
         ETextCode::Utf8,
         {"\xE3\x81\x82\xE3\x81\x82"}},
        {"ansi rule keeps the bom in row 1",
         kBom + kRei + "\n",
         EEncodingRule::Ansi,
         ETextCode::Ansi,
         {kBom + kRei}},
        {"utf-8 rule on ascii", "a\n", EEncodingRule::Utf8, ETextCode::Utf8, {"a"}},
        {"utf-8 rule takes the bom off",
         kBom + "a\n",
         EEncodingRule::Utf8,
         ETextCode::Utf8Bom,
         {"a"}},
    };
    // Chunks of 1 and 2 bytes split the mark and every character across reads.
    for (const std::size_t nChunk : {1, 2, 1 << 20}) {
        for (const SCase& c : cases) {
            CChunkSource source(c.bytes, nChunk);
            CBatchReader reader(source, 2, 1 << 20, c.rule);
            CRowList batch;
            Rows rows;
            while (reader.Next(batch))
                for (std::size_t i = 0; i < batch.Count(); ++i)
                    rows.emplace_back(batch.Row(i));
            EXPECT_EQ(rows, c.rows) << c.pszName << ", chunk " << nChunk;
            EXPECT_EQ(reader.Code(), c.code) << c.pszName << ", chunk " << nChunk;
            EXPECT_FALSE(reader.IsUtf16()) << c.pszName;
        }
    }
}

struct SLoadedForm {
    CTempDir dir;
    CMemoryForm form;
    std::filesystem::path dataPath = dir / "urls.txt";
    std::filesystem::path savePath = dir / "out.txt";

    explicit SLoadedForm(const std::string& strBytes) {
        WriteBytes(dataPath, strBytes);
        form.m_strDataPath = dataPath;
        form.m_fieldPaths[IDC_DEST_PATH] = savePath;
    }
};

// The whole road for each code: the load's message, the trim's marker search, and the
// save file, which repeats the data file's byte-order mark.
TEST(TextCode, LoadTrimAndSaveByTheFilesCode) {
    const std::string kM = "regist_pernad.cgi";
    struct SCase {
        const char* pszName;
        std::string data;
        EEncodingRule rule;
        const char* pszLoaded;
        std::string trimmed; // the save file's bytes
        std::string deduped;
    };
    const SCase cases[] = {
        // 0x8B leads in Shift-JIS and would take the "r" of the marker with it.
        {"utf-8 before the marker", "h/" + kRei + kM + "?x\nh/" + kRei + kM + "?x\n",
         EEncodingRule::Auto, texts::kLoadDoneUtf8,
         "h/" + kRei + kM + "\r\nh/" + kRei + kM + "\r\n", "h/" + kRei + kM + "?x\r\n"},
        {"the same bytes read as ansi", "h/" + kRei + kM + "?x\n", EEncodingRule::Ansi,
         texts::kLoadDone, "", "h/" + kRei + kM + "?x\r\n"},
        {"shift-jis lead byte before the marker", "a\x82" + kM + "\nb\x82\x60" + kM + "?q\n",
         EEncodingRule::Auto, texts::kLoadDone, "b\x82\x60" + kM + "\r\n",
         "a\x82" + kM + "\r\nb\x82\x60" + kM + "?q\r\n"},
        {"bom: row 1 and its later copy are one row", kBom + "u/" + kM + "?1\nv\nu/" + kM + "?1\n",
         EEncodingRule::Auto, texts::kLoadDoneUtf8, kBom + "u/" + kM + "\r\nu/" + kM + "\r\n",
         kBom + "u/" + kM + "?1\r\nv\r\n"},
        {"bom and no row matching", kBom + "v\n", EEncodingRule::Auto, texts::kLoadDoneUtf8, kBom,
         kBom + "v\r\n"},
    };
    for (const SCase& c : cases) {
        SLoadedForm f(c.data);
        f.form.m_encodingRule = c.rule;
        ASSERT_EQ(RunLoadJob(f.form), EJobResult::Completed) << c.pszName;
        EXPECT_EQ(f.form.m_messages, std::vector<std::string>{c.pszLoaded}) << c.pszName;
        ASSERT_EQ(RunConvertJob(f.form), EJobResult::Completed) << c.pszName;
        EXPECT_EQ(ReadBytes(f.savePath), c.trimmed) << c.pszName;
        ASSERT_EQ(RunDedupJob(f.form), EJobResult::Completed) << c.pszName;
        EXPECT_EQ(ReadBytes(f.savePath), c.deduped) << c.pszName;
    }
}

// Rows keep their file's code wherever they go, also in an output list that holds rows
// of several files, so that each is shown as it was written.
TEST(TextCode, RowsKeepTheirCodeInMixedLists) {
    SLoadedForm f("a/regist_pernad.cgi\n\x83\x65/regist_pernad.cgi\n");
    RunLoadJob(f.form);
    RunConvertJob(f.form);
    WriteBytes(f.dataPath, kRei + "/regist_pernad.cgi?q\n");
    f.form.m_listIn.Clear(); // the data-file dialog empties the input list
    RunLoadJob(f.form);
    RunConvertJob(f.form);
    const CRowList& out = f.form.m_listOut;
    ASSERT_EQ(out.Count(), 3u);
    EXPECT_EQ(out.CodeOf(0), ETextCode::Ansi);
    EXPECT_EQ(out.CodeOf(1), ETextCode::Ansi);
    EXPECT_EQ(out.CodeOf(2), ETextCode::Utf8);
    RunDedupJob(f.form);
    ASSERT_EQ(out.Count(), 1u);
    EXPECT_EQ(out.CodeOf(0), ETextCode::Utf8);
}

} // namespace

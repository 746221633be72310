// How a data file's bytes become rows, and how its text code is decided: the
// code never changes the rows' bytes, only how they are searched, shown and saved.
#include "TestUtil.h"

#include "data/BatchReader.h"
#include "data/MemoryForm.h"
#include "data/Texts.h"
#include "jobs/Jobs.h"

#include <gtest/gtest.h>

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kRei = "\xE4\xBE\x8B"; // 例 in UTF-8; its last byte leads in Shift-JIS
const std::string kM = "regist_pernad.cgi";

TEST(Read, RowsAndCodeFromTheBytes) {
    // Line feeds at every place of the 64-byte steps the scan takes, between bytes that
    // differ from a line feed in one bit only.
    std::string strSteps;
    Rows steps;
    for (std::size_t n = 0; n < 150; ++n) {
        steps.emplace_back(n, n % 2 == 0 ? '\x8A' : '\x0B');
        strSteps += steps.back() + (n % 3 == 0 ? "\r\n" : "\n");
    }
    const std::string strLong(3 << 20, 'x'); // longer than a batch's bytes
    using enum ETextCode;
    using R = EEncodingRule;
    struct SCase {
        const char* pszName;
        std::string bytes;
        Rows rows;
        ETextCode code = Ansi;
        EEncodingRule rule = R::Auto;
        bool bUtf16 = false; // refused: no rows
    };
    const std::string strUtf16Le("h\0t\0t\0p\0:\0/\0/\0a\0\r\0\n\0", 20);
    const SCase cases[] = {
        {"crlf", "a\r\nb\r\nc\r\n", {"a", "b", "c"}},
        {"lf, no final break", "a\nb\nc", {"a", "b", "c"}},
        {"empty lines", "\r\na\n\nc\n", {"", "a", "", "c"}},
        {"zero bytes", "", {}},
        {"lone cr stays", "a\rb\n", {"a\rb"}},
        {"cr at the end stays", "a\r", {"a\r"}},
        {"two crs before lf", "a\r\r\n", {"a\r"}},
        {"cr before 0x1a stays", "a\r\x1A\n", {"a\r"}},
        {"0x1a ends the file",
         "a\nb\x1A"
         "c\nd\n",
         {"a", "b"}},
        {"0x1a first",
         "\x1A"
         "a\n",
         {}},
        {"nul kept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
        {"shift-jis is ansi", "\x83\x65\x83\x58\n", {"\x83\x65\x83\x58"}},
        {"every place of a scan step", strSteps, steps},
        {"long lines", strLong + "\r\n" + strLong, {strLong, strLong}},
        {"valid multi-byte is utf-8", "a\n" + kRei + "\n", {"a", kRei}, Utf8},
        {"bom is taken off row 1", kBom + "a\n", {"a"}, Utf8Bom},
        {"bom alone", kBom, {}, Utf8Bom},
        {"bom wins over invalid bytes", kBom + "\x82\xA0\n", {"\x82\xA0"}, Utf8Bom},
        {"character cut off at the end", kRei + "\n\xE4\xBE", {kRei, "\xE4\xBE"}},
        {"0x1a before invalid bytes", kRei + "\n\x1A\xFF\xFE", {kRei}, Utf8},
        {"overlong form", "\xC0\xAF\n", {"\xC0\xAF"}},
        {"surrogate", "\xED\xA0\x80\n", {"\xED\xA0\x80"}},
        // 縺ゃ≠ in Shift-JIS is ああ in UTF-8: such a file is taken as UTF-8.
        {"shift-jis that is valid utf-8", "\xE3\x81\x82\n", {"\xE3\x81\x82"}, Utf8},
        {"ansi rule keeps the bom", kBom + kRei + "\n", {kBom + kRei}, Ansi, R::Ansi},
        {"utf-8 rule on ascii", "a\n", {"a"}, Utf8, R::Utf8},
        {"utf-8 rule takes the bom off", kBom + "a\n", {"a"}, Utf8Bom, R::Utf8},
        {"utf-16 le without a mark", strUtf16Le, {}, Ansi, R::Auto, true},
        {"utf-16 be without a mark", '\0' + strUtf16Le.substr(0, 19), {}, Ansi, R::Auto, true},
        {"one nul in a shift-jis row",
         std::string("\x83\x65\0a\n", 5),
         {std::string("\x83\x65\0a", 4)}},
    };
    // Chunks of 1 and 2 bytes put every CR LF pair, mark and character across reads.
    for (const std::size_t nChunk : {1, 2, 3, 64, 100, 1 << 20}) {
        for (const SCase& c : cases) {
            CTestSource source(c.bytes, nChunk);
            CBatchReader reader(source, 2, 1 << 20, c.rule);
            CRowList batch;
            Rows rows;
            while (reader.Next(batch))
                for (std::size_t i = 0; i < batch.Count(); ++i)
                    rows.emplace_back(batch.Row(i));
            EXPECT_EQ(rows, c.rows) << c.pszName << ", chunk " << nChunk;
            EXPECT_EQ(reader.Code(), c.code) << c.pszName << ", chunk " << nChunk;
            EXPECT_EQ(reader.IsUtf16(), c.bUtf16) << c.pszName << ", chunk " << nChunk;
        }
    }
}

// The whole road for each code: the load's message, the trim's marker search, and the
// save file, which repeats the data file's byte-order mark.
TEST(Read, LoadTrimAndSaveByTheFilesCode) {
    const struct {
        const char* pszName;
        std::string data;
        EEncodingRule rule;
        const char* pszLoaded;
        std::string trimmed; // the save file's bytes
        std::string deduped;
    } cases[] = {
        // 0x8B leads in Shift-JIS and would take the "r" of the marker with it.
        {"utf-8 before the marker", "h/" + kRei + kM + "?x\nh/" + kRei + kM + "?x\n",
         EEncodingRule::Auto, texts::kLoadDoneUtf8,
         "h/" + kRei + kM + "\r\nh/" + kRei + kM + "\r\n", "h/" + kRei + kM + "?x\r\n"},
        {"the same bytes read as ansi", "h/" + kRei + kM + "?x\n", EEncodingRule::Ansi,
         texts::kLoadDone, "", "h/" + kRei + kM + "?x\r\n"},
        {"bom: row 1 and its later copy are one row", kBom + "u/" + kM + "?1\nv\nu/" + kM + "?1\n",
         EEncodingRule::Auto, texts::kLoadDoneUtf8, kBom + "u/" + kM + "\r\nu/" + kM + "\r\n",
         kBom + "u/" + kM + "?1\r\nv\r\n"},
        {"bom and no row matching", kBom + "v\n", EEncodingRule::Auto, texts::kLoadDoneUtf8, kBom,
         kBom + "v\r\n"},
        {"bom alone", kBom, EEncodingRule::Auto, texts::kLoadDoneUtf8, kBom, kBom},
    };
    for (const auto& c : cases) {
        CTempDir dir;
        CMemoryForm form;
        WriteBytes(dir / "urls.txt", c.data);
        form.m_strDataPath = dir / "urls.txt";
        form.m_strSavePath = dir / "out.txt";
        form.m_encodingRule = c.rule;
        ASSERT_EQ(RunLoadJob(form), EJobResult::Completed) << c.pszName;
        EXPECT_EQ(form.m_messages, Messages{c.pszLoaded}) << c.pszName;
        ASSERT_EQ(RunConvertJob(form), EJobResult::Completed) << c.pszName;
        EXPECT_EQ(ReadBytes(dir / "out.txt"), c.trimmed) << c.pszName;
        ASSERT_EQ(RunDedupJob(form), EJobResult::Completed) << c.pszName;
        EXPECT_EQ(ReadBytes(dir / "out.txt"), c.deduped) << c.pszName;
    }
}

// Rows keep their file's code wherever they go, also in an output list that holds rows
// of several files, so that each is shown as it was written; a save file of such rows is
// UTF-8 throughout, with the mark when any row came from a file that had one.
TEST(Read, MixedListsAreSavedAsUtf8) {
    CTempDir dir;
    CMemoryForm form;
    form.m_strSavePath = dir / "out.txt";
    auto load = [&](const std::string& strData) {
        form.m_strDataPath = dir / ("data" + std::to_string(form.m_rowsOut.Count()) + ".txt");
        WriteBytes(form.m_strDataPath, strData);
        form.m_rowsIn.Clear(); // the data-file dialog empties the input list
        return RunLoadJob(form);
    };
    const std::string strTe = "\x83\x65/" + kM;  // テ in Shift-JIS
    const std::string strBad = "\x82\x20/" + kM; // a lead byte before a space
    load("a/" + kM + "\n" + strTe + "?q\n");
    RunConvertJob(form);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), CrLf({"a/" + kM, strTe})); // one code: as it was
    load(kBom + kRei + "/" + kM);
    RunConvertJob(form);
    const CRowList& out = form.m_rowsOut;
    ASSERT_EQ(out.Count(), 3u);
    EXPECT_EQ(out.CodeOf(1), ETextCode::Ansi);
    EXPECT_EQ(out.CodeOf(2), ETextCode::Utf8Bom);
    const std::string strMixed = kBom + CrLf({"a/" + kM, "\xE3\x83\x86/" + kM, kRei + "/" + kM});
    EXPECT_EQ(ReadBytes(dir / "out.txt"), strMixed);
    // The mark follows the rows saved, not the file loaded last.
    load("");
    RunConvertJob(form);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), strMixed);

    // A row that the code page cannot convert stops the save, names the row, and the
    // conversion takes back its rows.
    load(strBad + "\n");
    form.m_messages.clear();
    EXPECT_EQ(RunConvertJob(form), EJobResult::Failed);
    EXPECT_EQ(form.m_messages,
              Messages{std::string(texts::kRowNotUtf8) + "\nNo,3\n" + PathToUtf8(dir / "out.txt")});
    EXPECT_EQ(out.Count(), 3u);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), strMixed);
    EXPECT_EQ(dir.Listing(), "data0.txt data2.txt data3.txt out.txt");

    // Input rows of two loads: the kept rows, known only after the search, are UTF-8 too.
    load(kBom + kRei + "\n" + kRei + "\n");
    WriteBytes(form.m_strDataPath, strTe + "\na\n");
    RunLoadJob(form); // appended, as a load always is
    EXPECT_EQ(RunDedupJob(form), EJobResult::Completed);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), kBom + CrLf({kRei, "\xE3\x83\x86/" + kM, "a"}));
}

} // namespace

// How a data file's bytes become rows, and how its text code is decided: the
// code never changes the rows' bytes, only how they are searched, shown and saved.
#include "TestUtil.h"

#include "form/MemoryForm.h"
#include "form/Texts.h"
#include "jobs/Jobs.h"
#include "reading/BatchReader.h"
#include "text/Utf8Check.h"

#include <gtest/gtest.h>

#include <iterator>

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kRei = "\xE4\xBE\x8B"; // 例 in UTF-8; its last byte leads in Shift-JIS

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
    // UTF-16 is known without a mark by the zeros in the first 64 bytes, if there are 4.
    std::string strLe(64, '\0'); // ASCII text in UTF-16 LE
    for (std::size_t i = 0; i < strLe.size(); i += 2)
        strLe[i] = 'y';
    const std::string strLe32 = strLe.substr(0, 32) + std::string(32, 'y');
    const std::string strNul("\x83\x65\0a", 4); // a Shift-JIS row with one NUL byte
    // Valid UTF-8 with a character beyond ASCII all through the reader's first block.
    const std::string strBlock = kRei + std::string((128 << 10) - 3, 'u');
    const std::string strSjis2 = strBlock + "\x83\x65" + strBlock; // テ in the second block
    const std::string strSjisLast = strBlock + strBlock + "\x83\x65";
    const struct {
        const char* name;
        std::string in;
        Rows rows = {};
        ETextCode code = Ansi;
        EEncodingRule rule = R::Auto;
        bool utf16 = false; // refused: no rows
    } cases[] = {
        {.name = "line ends, none last", .in = "\r\na\r\nb\n\nc", .rows = {"", "a", "b", "", "c"}},
        {.name = "zero bytes", .in = ""},
        {.name = "crs that stay", .in = "a\rb\nc\r\r\nd\r", .rows = {"a\rb", "c\r", "d\r"}},
        {.name = "0x1a ends it", .in = "a\nb\r\x1A" + std::string("c\nd\n"), .rows = {"a", "b\r"}},
        {.name = "0x1a first", .in = std::string(1, '\x1A') + "a\n"},
        {.name = "every place of a scan step", .in = strSteps, .rows = steps},
        {.name = "long lines", .in = strLong + "\r\n" + strLong, .rows = {strLong, strLong}},
        {.name = "bom, invalid", .in = kBom + "\x82\xA0\n", .rows = {"\x82\xA0"}, .code = Utf8Bom},
        {.name = "cut off at the end", .in = kRei + "\n\xE4\xBE", .rows = {kRei, "\xE4\xBE"}},
        {.name = "0x1a, then invalid", .in = kRei + "\n\x1A\xFF\xFE", .rows = {kRei}, .code = Utf8},
        // 縺ゃ≠ in Shift-JIS is ああ in UTF-8: such a file is taken as UTF-8.
        {.name = "sjis is utf-8", .in = "\xE3\x81\x82\n", .rows = {"\xE3\x81\x82"}, .code = Utf8},
        {.name = "ansi, bom", .in = kBom + kRei + "\n", .rows = {kBom + kRei}, .rule = R::Ansi},
        {.name = "utf-8 rule on ascii", .in = "a\n", .rows = {"a"}, .code = Utf8, .rule = R::Utf8},
        {.name = "utf-8, bom", .in = kBom + "a\n", .rows = {"a"}, .code = Utf8Bom, .rule = R::Utf8},
        {.name = "utf-16 le without a mark", .in = strLe.substr(0, 4), .utf16 = true},
        {.name = "utf-16 be without a mark", .in = strLe.substr(1, 4), .utf16 = true},
        {.name = "utf-16, three bytes", .in = strLe.substr(1, 3), .rows = {strLe.substr(1, 3)}},
        {.name = "zeros only", .in = std::string(4, '\0'), .rows = {std::string(4, '\0')}},
        {.name = "utf-16 in the first 64 bytes", .in = strLe + "yy", .utf16 = true},
        {.name = "utf-16 in the first 32 bytes", .in = strLe32, .rows = {strLe32}},
        {.name = "ansi, utf-16", .in = "\xFF\xFE" + strLe, .rule = R::Ansi, .utf16 = true},
        {.name = "utf-16 be mark", .in = "\xFE\xFF" + strLe.substr(1), .utf16 = true},
        {.name = "sjis in the second block", .in = strSjis2, .rows = {strSjis2}},
        {.name = "sjis in the last block", .in = strSjisLast + "\n", .rows = {strSjisLast}},
        {.name = "one nul in a shift-jis row", .in = strNul + "\n", .rows = {strNul}},
    };
    // Chunks of 1 and 2 bytes put every CR LF pair, mark and character across reads.
    for (const std::size_t nChunk : {1, 2, 3, 64, 100, 1 << 20})
        for (const auto& c : cases) {
            CTestSource source(c.in, nChunk);
            CBatchReader reader(source, 2, 1 << 20, c.rule);
            CRowList batch;
            Rows rows;
            while (reader.Next(batch))
                std::ranges::copy(RowsOf(batch), std::back_inserter(rows));
            EXPECT_EQ(rows, c.rows) << c.name << ", chunk " << nChunk;
            EXPECT_EQ(reader.Code(), c.code) << c.name << ", chunk " << nChunk;
            EXPECT_EQ(reader.IsUtf16(), c.utf16) << c.name << ", chunk " << nChunk;
        }
}

// Well-formed UTF-8's ranges: each lead range's ends, with the second and last bytes at the
// ends of theirs and one past each; every sequence split at every byte, as blocks split it.
TEST(Utf8Check, BoundsOfEachByteRange) {
    const struct {
        int lead[2];
        int second[2];
        std::size_t nLength;
    } ranges[] = {
        {.lead = {0xC2, 0xDF}, .second = {0x80, 0xBF}, .nLength = 2},
        {.lead = {0xE0, 0xE0}, .second = {0xA0, 0xBF}, .nLength = 3},
        {.lead = {0xE1, 0xEC}, .second = {0x80, 0xBF}, .nLength = 3},
        {.lead = {0xED, 0xED}, .second = {0x80, 0x9F}, .nLength = 3},
        {.lead = {0xEE, 0xEF}, .second = {0x80, 0xBF}, .nLength = 3},
        {.lead = {0xF0, 0xF0}, .second = {0x90, 0xBF}, .nLength = 4},
        {.lead = {0xF1, 0xF3}, .second = {0x80, 0xBF}, .nLength = 4},
        {.lead = {0xF4, 0xF4}, .second = {0x80, 0x8F}, .nLength = 4},
    };
    // A lead byte before the first range, after the last, and a continuation byte alone.
    std::vector<std::pair<std::string, bool>> cases = {
        {"\x7F", true}, {"\xC1\xBF", false}, {"\xF5\x80\x80\x80", false}, {"\x80", false}};
    for (const auto& r : ranges)
        for (const int nLead : r.lead)
            for (const int nSecond : {r.second[0] - 1, r.second[0], r.second[1], r.second[1] + 1})
                for (const int nLast : {0x7F, 0x80, 0xBF, 0xC0}) {
                    std::string bytes{static_cast<char>(nLead), static_cast<char>(nSecond)};
                    if (r.nLength > 2)
                        bytes += std::string(r.nLength - 3, '\x80') + static_cast<char>(nLast);
                    cases.emplace_back(bytes,
                                       nSecond >= r.second[0] && nSecond <= r.second[1] &&
                                           (r.nLength == 2 || (nLast >= 0x80 && nLast <= 0xBF)));
                    cases.emplace_back(bytes.substr(0, bytes.size() - 1), false); // cut off
                }
    for (const auto& [bytes, bValid] : cases)
        for (std::size_t nSplit = 0; nSplit <= bytes.size(); ++nSplit) {
            CUtf8Check check;
            check.Feed(std::string_view(bytes).substr(0, nSplit));
            check.Feed(std::string_view(bytes).substr(nSplit));
            check.Finish();
            EXPECT_EQ(check.Invalid(), !bValid) << testing::PrintToString(bytes) << " " << nSplit;
            EXPECT_EQ(check.SawMultibyte(), bytes != "\x7F") << testing::PrintToString(bytes);
        }
}

// Rows keep their file's code wherever they go, so that each shows as written; a save file
// of several files' rows is UTF-8, with the mark when any row's file had one.
TEST(Read, MixedListsAreSavedAsUtf8) {
    CTempDir dir;
    CMemoryForm form;
    form.m_strSavePath = dir / "out.txt";
    form.m_bAnswerYes = true; // each data file's rows go into the one save file, as asked
    auto load = [&](const std::string& strData) {
        form.m_strDataPath = dir / ("data" + std::to_string(form.m_rowsOut.Count()) + ".txt");
        WriteBytes(form.m_strDataPath, strData);
        form.m_rowsIn.Clear(); // the data-file dialog empties the input list
        return RunLoadJob(form);
    };
    const std::string strTe = "\x83\x65/" + kM;      // テ in Shift-JIS
    const std::string strTe8 = "\xE3\x83\x86/" + kM; // the same in UTF-8
    const std::string strBad = "\x82\x20/" + kM;     // a lead byte before a space
    load(kBom);                                      // no row: both jobs save the mark alone
    EXPECT_EQ(RunConvertJob(form), EJobResult::Completed);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), kBom);
    EXPECT_EQ(RunDedupJob(form), EJobResult::Completed);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), kBom);
    load("a/" + kM + "\n" + strTe + "?q\n");
    RunConvertJob(form);
    EXPECT_EQ(ReadBytes(dir / "out.txt"), CrLf({"a/" + kM, strTe})); // one code: as it was
    load(kBom + kRei + kM); // 0x8B leads in Shift-JIS and would take the marker's "r"
    RunConvertJob(form);
    EXPECT_EQ(form.m_questions, Messages{std::string(texts::kOverwriteOtherResult) + "\n" +
                                         PathToUtf8(dir / "out.txt")});
    const CRowList& out = form.m_rowsOut;
    ASSERT_EQ(out.Count(), 3u);
    const std::string strMixed = kBom + CrLf({"a/" + kM, strTe8, kRei + kM});
    EXPECT_EQ(ReadBytes(dir / "out.txt"), strMixed);
    // The mark follows the rows saved, not the file loaded last; No, asked first, saves nothing.
    load("");
    form.m_bAnswerYes = false;
    EXPECT_EQ(RunConvertJob(form), EJobResult::Stopped);
    form.m_bAnswerYes = true;
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
    EXPECT_EQ(Snapshot(dir.Path()).size(), 4u); // three data files and the save file

    // Input rows of two loads, either code first: the kept rows, known only after the
    // search, are UTF-8 too. A row and its twin in the other code differ by their bytes.
    const std::string loads[][3] = {
        {kBom + kRei + "\n" + kRei + "\n", strTe + "\na\n", kBom + CrLf({kRei, strTe8, "a"})},
        {strTe + "\na\n", strTe8 + "\na\n", CrLf({strTe8, "a", strTe8})},
    };
    for (const auto& [first, second, saved] : loads) {
        load(first);
        WriteBytes(form.m_strDataPath, second);
        RunLoadJob(form); // appended, as a load always is
        EXPECT_EQ(RunDedupJob(form), EJobResult::Completed);
        EXPECT_EQ(ReadBytes(dir / "out.txt"), saved);
    }
}

} // namespace

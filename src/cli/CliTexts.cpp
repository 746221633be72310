#include "CliTexts.h"

#include "ArgText.h"

#include "form/Texts.h"
#include "jobs/Jobs.h"

namespace {

const SCliTexts kEnglish{
    .pszUsageFirst = "usage: ",
    .pszUsageIndent = "       ",
    .pszOptions = " [options]",
    .pszUsageTail =
        "\n"
        "  DATA          the data file, one URL a line; - reads standard input\n"
        "  SAVE          the save file, replaced whole; an existing folder takes the data\n"
        "                file's name; - writes the rows to standard output as CR LF lines,\n"
        "                and every message then goes to standard error\n"
        "\n"
        "  --marker T    the marker for trim (default \"regist_pernad.cgi\"), not empty\n"
        "  --encoding E  how DATA is read: auto (default) takes UTF-8 when the file starts\n"
        "                with a UTF-8 byte-order mark or is valid UTF-8 with a character\n"
        "                beyond ASCII, and the ANSI code page (Shift-JIS) otherwise; ansi\n"
        "                or utf-8 decide it outright. UTF-16 files are refused.\n"
        "  --force       allow SAVE to be DATA itself, or the file on standard input\n"
        "  -q, --quiet   print no completion lines; failures are still printed\n"
        "  --            ends the options: what follows is a job or a file\n"
        "  --version     the version\n"
        "  -h, --help    this text\n"
        "\n"
        "Each completion line ends with the row counts, for example (1000 rows -> 600 rows).\n"
        "Exit status: 0 done, 1 the job failed, 2 usage, 3 refused to overwrite DATA.\n",
    .pszSeeHelp = "Try 'kelvane-cli --help' for more information.",
    .pszNeedsArgs = "missing arguments: a job, a data file and a save file are needed",
    .pszTooMany = "too many arguments: a job, a data file and a save file are all it takes",
    .pszUnknownOption = "unknown option",
    .pszUnknownJob = "unknown job",
    .pszJobOr = " or ",
    .pszEncodingValue = "--encoding needs auto, ansi or utf-8",
    .pszMarkerEmpty = "--marker needs a text that is not empty",
    .pszMarkerWithDedup = "--marker goes with trim only",
    .pszMarkerCodePage = "--marker has a character that code page 932 cannot hold",
    .pszStdinToFolder = "a SAVE folder takes the data file's name, and standard input has none",
    .pszIsDataFile = "is the data file itself; give --force to overwrite it",
    .pszIsStdinFile = "is the file on standard input; give --force to overwrite it",
    .pszFolderInWay =
        "is a folder, so the save file cannot take the data file's name there; give the save "
        "file's own path as SAVE",
    .pszNotAFile =
        "is not a regular file and was left as it is; give - as SAVE to write the rows to "
        "standard output",
    .pszRow = " row",
    .pszRows = " rows",
    .pszArrow = " -> ",
};

const SCliTexts kJapanese{
    .pszUsageFirst = "使い方: ",
    .pszUsageIndent = "        ",
    .pszOptions = " [オプション]",
    .pszUsageTail =
        "\n"
        "  DATA          データファイル (1 行に 1 URL)。- は標準入力から読みます\n"
        "  SAVE          保存ファイル (丸ごと書き換えます)。既存のフォルダを指定すると\n"
        "                データファイルと同じ名前で保存します。- は行を CR LF 区切りで\n"
        "                標準出力に書き、メッセージはすべて標準エラー出力に出します\n"
        "\n"
        "  --marker T    trim の目印 (既定は \"regist_pernad.cgi\")。空にはできません\n"
        "  --encoding E  DATA の文字コード: auto (既定) は UTF-8 の BOM で始まるか、\n"
        "                UTF-8 として正しく ASCII 以外の文字を含むファイルを UTF-8、\n"
        "                それ以外を ANSI コードページ (Shift-JIS) とします。ansi または\n"
        "                utf-8 で決めることもできます。UTF-16 のファイルには対応しません\n"
        "  --force       DATA そのもの、または標準入力のファイルへの上書きを許します\n"
        "  -q, --quiet   完了の行を出しません (失敗は出します)\n"
        "  --            オプションの終わり: 後に続くのは処理名かファイルです\n"
        "  --version     バージョンを表示します\n"
        "  -h, --help    この説明を表示します\n"
        "\n"
        "完了の行の最後に行数を表示します。例: (1000 行 → 600 行)\n"
        "終了コード: 0 完了、1 失敗、2 使い方の誤り、3 DATA への上書きを拒否。\n",
    .pszSeeHelp = "詳しくは kelvane-cli --help を見てください。",
    .pszNeedsArgs = "引数が足りません: 処理名、データファイル、保存ファイルを指定してください",
    .pszTooMany = "引数が多すぎます: 指定するのは処理名、データファイル、保存ファイルだけです",
    .pszUnknownOption = "不明なオプションです:",
    .pszUnknownJob = "不明な処理名です",
    .pszJobOr = " か ",
    .pszEncodingValue = "--encoding には auto、ansi、utf-8 のどれかを指定してください",
    .pszMarkerEmpty = "--marker には空でない文字列を指定してください",
    .pszMarkerWithDedup = "--marker は trim でだけ使えます",
    .pszMarkerCodePage = "--marker にコードページ 932 にない文字があります",
    .pszStdinToFolder =
        "保存先のフォルダにはデータファイルの名前で保存しますが、標準入力には名前がありません",
    .pszIsDataFile = "はデータファイルそのものです。上書きするには --force を指定してください",
    .pszIsStdinFile = "は標準入力のファイルです。上書きするには --force を指定してください",
    .pszFolderInWay =
        "はフォルダなので、データファイルの名前で保存できません。SAVE に保存ファイルの"
        "パスを指定してください",
    .pszNotAFile =
        "は通常のファイルではないため、そのままにしました。行を標準出力に書くには SAVE に - "
        "を指定してください",
    .pszRow = " 行",
    .pszRows = " 行",
    .pszArrow = " → ",
};

// What kelvane-cli says of each job it runs, keyed by the job: the arguments after DATA
// SAVE and what the job does, in English and in Japanese. The load is not among them: every
// run loads first.
struct SCliJobText {
    EJobId job;
    const char* pszArgs[2];
    CCliText pszDoes[2];
};
constexpr SCliJobText kCliJobs[] = {
    {kConvertJob,
     {" [--marker TEXT]", " [--marker 文字列]"},
     {"keep every line of DATA that holds the marker, cut right after it",
      "DATA の目印を含む行を、目印の直後で切り詰めて残します (変換 開始)"}},
    {kDedupJob,
     {"", ""},
     {"keep the first of every repeated line of DATA, in order",
      "DATA の同じ行の 2 回目以降を削除します。順番は変わりません (重複 調整)"}},
};
static_assert(std::size(kCliJobs) == kJobCount - 1, "every job but the load runs from the CLI");

// Each message a job may show, as its first line, with what kelvane-cli says instead.
struct SJobText {
    const char* pszJob;
    CCliText pszEnglish;
    const char* pszEnglishStdout = nullptr; // a completion whose rows went to standard output
    const char* pszJapaneseStdout = nullptr;
};
constexpr SJobText kJobTexts[] = {
    {texts::kLoadDone, "data file loaded"},
    {texts::kLoadDoneUtf8, "data file loaded (UTF-8)"},
    {texts::kConvertDone, "converted and saved", "converted, rows written to standard output",
     "データ変換完了、標準出力に書き出し"},
    {texts::kDedupDone, "duplicates removed and saved",
     "duplicates removed, rows written to standard output",
     "URL重複削除処理完了、標準出力に書き出し"},
    {texts::kNoSavePath, "no save file given"},
    {texts::kNotLoaded, "the data file is not loaded"},
    {texts::kDataOpenFailed, "cannot open the data file"},
    {texts::kDataReadFailed, "cannot read the data file"},
    {texts::kUtf16Unsupported, "the data file is UTF-16, which is not supported"},
    {texts::kSaveFailed, "cannot write the save file"},
    {texts::kOldContentKept, "the old content is kept in"},
    {texts::kRowNotUtf8, "a row has a character that UTF-8 cannot take; nothing was saved"},
    {texts::kOutOfMemory, "out of memory; the job was stopped"},
};

// Every job's completion is said in both languages, and so is, for the jobs that write a
// save file (those that name it when they fail), the completion whose rows went to
// standard output; a text for standard output never comes in one language alone.
constexpr bool EveryJobTextHasBothLanguages() {
    for (const SJobText& text : kJobTexts)
        if ((text.pszEnglishStdout == nullptr) != (text.pszJapaneseStdout == nullptr))
            return false;
    for (const SJobKind& job : kJobs) {
        const SJobText* pText = nullptr;
        for (const SJobText& text : kJobTexts)
            if (std::string_view(text.pszJob) == job.pszDone)
                pText = &text;
        if (pText == nullptr ||
            (pText->pszEnglishStdout != nullptr) != (job.failFile == EJobFile::Save))
            return false;
    }
    return true;
}
static_assert(EveryJobTextHasBothLanguages());

} // namespace

bool CliSpeaksJapanese() {
    static const bool bJapanese = UserLocaleIsJapanese();
    return bJapanese;
}

const SCliTexts& CliTexts() {
    return CliSpeaksJapanese() ? kJapanese : kEnglish;
}

std::optional<EJobId> CliJobNamed(std::string_view name) {
    for (const SCliJobText& text : kCliJobs)
        if (name == kJobs[text.job].pszName)
            return text.job;
    return std::nullopt;
}

std::string CliUnknownJob(std::string_view name) {
    const SCliTexts& t = CliTexts();
    std::string strNames;
    for (const SCliJobText& text : kCliJobs)
        strNames.append(strNames.empty() ? "" : static_cast<const char*>(t.pszJobOr))
            .append(kJobs[text.job].pszName);
    return std::string(t.pszUnknownJob) + " (" + strNames + "): " + std::string(name);
}

std::string CliUsage() {
    const SCliTexts& t = CliTexts();
    const std::size_t nLanguage = CliSpeaksJapanese() ? 1 : 0;
    std::string strUsage;
    for (const SCliJobText& text : kCliJobs)
        strUsage.append(strUsage.empty() ? t.pszUsageFirst : t.pszUsageIndent)
            .append("kelvane-cli ")
            .append(kJobs[text.job].pszName)
            .append(" DATA SAVE")
            .append(text.pszArgs[nLanguage])
            .append(t.pszOptions)
            .append("\n");
    strUsage += "\n";
    for (const SCliJobText& text : kCliJobs) {
        const std::string strName = kJobs[text.job].pszName;
        strUsage.append("  ")
            .append(strName)
            .append(strName.size() < 8 ? 8 - strName.size() : 1, ' ')
            .append(text.pszDoes[nLanguage])
            .append("\n");
    }
    return strUsage + std::string(t.pszUsageTail);
}

std::string CliRowCounts(std::size_t nIn, const std::size_t* pOut) {
    const SCliTexts& t = CliTexts();
    auto count = [&t](std::size_t n) {
        return std::to_string(n).append(n == 1 ? t.pszRow : t.pszRows);
    };
    return " (" + count(nIn) + (pOut != nullptr ? std::string(t.pszArrow) + count(*pOut) : "") +
           ")";
}

std::string CliMessage(std::string_view strJobMessage, bool bRowsToStdout) {
    std::string strOut;
    bool bFirst = true;
    while (bFirst || !strJobMessage.empty()) {
        const std::size_t nBreak = strJobMessage.find('\n');
        std::string_view line = strJobMessage.substr(0, nBreak);
        strJobMessage = nBreak == std::string_view::npos ? std::string_view()
                                                         : strJobMessage.substr(nBreak + 1);
        for (const SJobText& text : kJobTexts) {
            if (line != text.pszJob)
                continue;
            const char* pszStdout =
                CliSpeaksJapanese() ? text.pszJapaneseStdout : text.pszEnglishStdout;
            if (bRowsToStdout && pszStdout != nullptr)
                line = pszStdout;
            else if (!CliSpeaksJapanese())
                line = std::string_view(text.pszEnglish);
            break;
        }
        strOut.append(bFirst ? "" : " ").append(line);
        bFirst = false;
    }
    return strOut;
}

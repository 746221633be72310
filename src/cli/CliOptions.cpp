#include "CliOptions.h"

#include "ArgText.h"

#include "Version.h"
#include "data/Texts.h"

#include <string_view>

const char kCliVersion[] = "kelvane-cli " KELVANE_VERSION "\n";

const char kCliUsage[] =
    "usage: kelvane-cli trim DATA SAVE [--marker TEXT] [options]\n"
    "       kelvane-cli dedup DATA SAVE [options]\n"
    "\n"
    "  trim    keep every line of DATA that holds the marker, cut right after it\n"
    "  dedup   keep the first of every repeated line of DATA, in order\n"
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
    "  --force       allow SAVE to be DATA itself\n"
    "  --quiet       print no completion lines; failures are still printed\n"
    "  --            ends the options: what follows is a job or a file\n"
    "  --version     the version\n"
    "  --help        this text\n"
    "\n"
    "Each completion line ends with the row counts, for example (1000 行 → 600 行).\n"
    "Exit status: 0 done, 1 the job failed, 2 usage, 3 refused to overwrite DATA.\n";

namespace {
bool ParseEncoding(std::string_view text, EEncodingRule& rule) {
    if (text == "auto")
        rule = EEncodingRule::Auto;
    else if (text == "ansi")
        rule = EEncodingRule::Ansi;
    else if (text == "utf-8" || text == "utf8")
        rule = EEncodingRule::Utf8;
    else
        return false;
    return true;
}
} // namespace

std::optional<SCliOptions> ParseCliOptions(const std::vector<std::string>& args,
                                           std::string& strError) {
    SCliOptions options;
    std::string strMarkerArg = texts::kDefaultMarker;
    std::vector<std::string> positional;
    bool bMarkerGiven = false;
    bool bOptionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool bHasValue = i + 1 < args.size();
        if (bOptionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
        } else if (arg == "--") {
            bOptionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            options.bHelp = true;
            return options;
        } else if (arg == "--version") {
            options.bVersion = true;
            return options;
        } else if (arg == "--force") {
            options.bForce = true;
        } else if (arg == "--quiet" || arg == "-q") {
            options.bQuiet = true;
        } else if (arg == "--encoding") {
            if (!bHasValue || !ParseEncoding(args[++i], options.encoding)) {
                strError = "--encoding needs auto, ansi or utf-8";
                return std::nullopt;
            }
        } else if (arg == "--marker") {
            // An empty marker would keep every row, emptied.
            if (!bHasValue || args[++i].empty()) {
                strError = "--marker needs a text that is not empty";
                return std::nullopt;
            }
            strMarkerArg = args[i];
            bMarkerGiven = true;
        } else {
            strError = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (positional.size() != 3) {
        strError = "expected a job, a data file and a save file";
        return std::nullopt;
    }
    if (positional[0] == "trim") {
        options.job = ECliJob::Trim;
    } else if (positional[0] == "dedup") {
        options.job = ECliJob::Dedup;
    } else {
        strError = "unknown job " + positional[0] + " (trim or dedup)";
        return std::nullopt;
    }
    if (bMarkerGiven && options.job != ECliJob::Trim) {
        strError = "--marker goes with trim only";
        return std::nullopt;
    }
    const std::optional<std::string> markerUtf8 = ArgToUtf8(strMarkerArg);
    const std::optional<std::string> markerAnsi = ArgToDataBytes(strMarkerArg);
    if (!markerUtf8 || (!markerAnsi && options.encoding != EEncodingRule::Utf8)) {
        strError = "--marker has a character that code page 932 cannot hold";
        return std::nullopt;
    }
    options.strMarkerUtf8 = *markerUtf8;
    options.strMarker = markerAnsi.value_or(std::string());
    options.bDataFromStdin = positional[1] == "-";
    options.bSaveToStdout = positional[2] == "-";
    options.dataPath = PathFromArg(positional[1]);
    options.savePath = PathFromArg(positional[2]);
    return options;
}

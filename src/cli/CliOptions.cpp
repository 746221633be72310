#include "CliOptions.h"

#include "ArgText.h"

#include "data/Texts.h"

#include <string_view>

const char kCliUsage[] =
    "usage: kelvane-cli trim DATA SAVE [--marker TEXT] [--force]\n"
    "       kelvane-cli dedup DATA SAVE [--force]\n"
    "\n"
    "  trim    keep every line of DATA that holds the marker, cut right after it\n"
    "  dedup   keep the first of every repeated line of DATA, in order\n"
    "\n"
    "  SAVE         the save file; an existing folder takes the data file's name\n"
    "  --marker T   the marker for trim (default \"regist_pernad.cgi\"), not empty\n"
    "  --force      allow SAVE to be DATA itself\n"
    "  --           ends the options: what follows is a job or a file, even if it starts with -\n"
    "  --help       this text\n";

std::optional<SCliOptions> ParseCliOptions(const std::vector<std::string>& args,
                                           std::string& strError) {
    SCliOptions options;
    options.strMarker = texts::kDefaultMarker;
    std::vector<std::string> positional;
    bool bMarkerGiven = false;
    bool bOptionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (bOptionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
        } else if (arg == "--") {
            bOptionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            options.bHelp = true;
            return options;
        } else if (arg == "--force") {
            options.bForce = true;
        } else if (arg == "--marker") {
            if (i + 1 >= args.size()) {
                strError = "--marker needs a text";
                return std::nullopt;
            }
            // An empty marker would keep every row, emptied.
            if (args[++i].empty()) {
                strError = "--marker needs a text that is not empty";
                return std::nullopt;
            }
            const std::optional<std::string> marker = ArgToDataBytes(args[i]);
            if (!marker) {
                strError = "--marker has a character that code page 932 cannot hold";
                return std::nullopt;
            }
            options.strMarker = *marker;
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
    options.dataPath = PathFromArg(positional[1]);
    options.savePath = PathFromArg(positional[2]);
    return options;
}

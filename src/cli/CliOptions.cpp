#include "CliOptions.h"

#include "data/Texts.h"

#include <string_view>
#include <vector>

const char kCliUsage[] =
    "usage: kelvane-cli trim DATA SAVE [--marker TEXT] [--force]\n"
    "       kelvane-cli dedup DATA SAVE [--force]\n"
    "\n"
    "  trim    keep every line of DATA that holds the marker, cut right after it\n"
    "  dedup   keep the first of every repeated line of DATA, in order\n"
    "\n"
    "  SAVE         the save file; an existing folder takes the data file's name\n"
    "  --marker T   the marker for trim (default \"regist_pernad.cgi\")\n"
    "  --force      allow SAVE to be DATA itself\n"
    "  --help       this text\n";

std::optional<SCliOptions> ParseCliOptions(int argc, const char* const* argv,
                                           std::string& strError) {
    SCliOptions options;
    options.strMarker = texts::kDefaultMarker;
    std::vector<std::string_view> positional;
    bool bMarkerGiven = false;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.bHelp = true;
            return options;
        }
        if (arg == "--force") {
            options.bForce = true;
        } else if (arg == "--marker") {
            if (i + 1 >= argc) {
                strError = "--marker needs a text";
                return std::nullopt;
            }
            options.strMarker = argv[++i];
            bMarkerGiven = true;
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            strError = "unknown option " + std::string(arg);
            return std::nullopt;
        } else {
            positional.push_back(arg);
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
        strError = "unknown job " + std::string(positional[0]) + " (trim or dedup)";
        return std::nullopt;
    }
    if (bMarkerGiven && options.job != ECliJob::Trim) {
        strError = "--marker goes with trim only";
        return std::nullopt;
    }
    options.dataPath = std::filesystem::path(positional[1]);
    options.savePath = std::filesystem::path(positional[2]);
    return options;
}

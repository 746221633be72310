#include "CliOptions.h"

#include "ArgText.h"
#include "CliTexts.h"

#include "Version.h"
#include "form/Texts.h"

#include <string_view>

const char kCliVersion[] = "kelvane-cli " KELVANE_VERSION "\n";

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
    const SCliTexts& t = CliTexts();
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
                strError = t.pszEncodingValue;
                return std::nullopt;
            }
        } else if (arg == "--marker") {
            // An empty marker would keep every row, emptied.
            if (!bHasValue || args[++i].empty()) {
                strError = t.pszMarkerEmpty;
                return std::nullopt;
            }
            strMarkerArg = args[i];
            bMarkerGiven = true;
        } else {
            strError = std::string(t.pszUnknownOption) + " " + arg;
            return std::nullopt;
        }
    }
    if (positional.size() != 3) {
        strError = positional.size() < 3 ? t.pszNeedsArgs : t.pszTooMany;
        return std::nullopt;
    }
    const std::optional<EJobId> job = CliJobNamed(positional[0]);
    if (!job) {
        strError = CliUnknownJob(positional[0]);
        return std::nullopt;
    }
    options.job = *job;
    if (bMarkerGiven && options.job != kConvertJob) {
        strError = t.pszMarkerWithDedup;
        return std::nullopt;
    }
    const std::optional<std::string> markerUtf8 = ArgToUtf8(strMarkerArg);
    const std::optional<std::string> markerAnsi = ArgToDataBytes(strMarkerArg);
    if (!markerUtf8 || (!markerAnsi && options.encoding != EEncodingRule::Utf8)) {
        strError = t.pszMarkerCodePage;
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

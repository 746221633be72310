#pragma once

#include "jobs/Jobs.h"
#include "text/TextCode.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct SCliOptions {
    EJobId job = kConvertJob;       // any job but the load, which every run does first
    std::filesystem::path dataPath; // "-": standard input
    std::filesystem::path
        savePath; // as given: a file, an existing folder, or "-" for standard output
    bool bDataFromStdin = false;
    bool bSaveToStdout = false;
    std::string strMarker;     // in code page 932, for ANSI data files
    std::string strMarkerUtf8; // for UTF-8 data files
    EEncodingRule encoding = EEncodingRule::Auto;
    bool bForce = false;
    bool bQuiet = false;
    bool bHelp = false;
    bool bVersion = false;
};

// Parses the arguments after the program name; on a usage error returns
// nothing and sets strError.
std::optional<SCliOptions> ParseCliOptions(const std::vector<std::string>& args,
                                           std::string& strError);

extern const char kCliVersion[];

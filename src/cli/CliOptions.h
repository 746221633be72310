#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

enum class ECliJob { Trim, Dedup };

struct SCliOptions {
    ECliJob job = ECliJob::Trim;
    std::filesystem::path dataPath;
    std::filesystem::path savePath; // as given: a file, or an existing folder
    std::string strMarker;          // in the data files' code page
    bool bForce = false;
    bool bHelp = false;
};

// Parses the arguments after the program name; on a usage error returns
// nothing and sets strError.
std::optional<SCliOptions> ParseCliOptions(const std::vector<std::string>& args,
                                           std::string& strError);

extern const char kCliUsage[];

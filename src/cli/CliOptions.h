#pragma once

#include <filesystem>
#include <optional>
#include <string>

enum class ECliJob { Trim, Dedup };

struct SCliOptions {
    ECliJob job = ECliJob::Trim;
    std::filesystem::path dataPath;
    std::filesystem::path savePath; // as given: a file, or an existing folder
    std::string strMarker;
    bool bForce = false;
    bool bHelp = false;
};

// Parses the arguments after the program name; on a usage error returns
// nothing and sets strError.
std::optional<SCliOptions> ParseCliOptions(int argc, const char* const* argv,
                                           std::string& strError);

extern const char kCliUsage[];

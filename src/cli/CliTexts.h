#pragma once
// Everything kelvane-cli says, in the user's language: Japanese where the
// user's locale is Japanese, English otherwise. The jobs speak Japanese, as the
// window does; their messages are put into the user's language here.

#include "jobs/Jobs.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// One message in one language. It has no default and takes no null or empty text, so a
// table of texts that leaves a message out does not compile.
class CCliText {
public:
    consteval CCliText(const char* psz) : m_psz(psz) {
        if (psz == nullptr || *psz == '\0')
            throw "a message needs its text";
    }
    constexpr operator const char*() const { return m_psz; }

private:
    const char* m_psz;
};

// Filled by name in each language, so that every message has its place in both.
struct SCliTexts {
    // The help: the first usage line starts with pszUsageFirst, each further one with
    // pszUsageIndent, as wide; each ends with pszOptions; the jobs' lines come next, and
    // pszUsageTail after them.
    CCliText pszUsageFirst;
    CCliText pszUsageIndent;
    CCliText pszOptions;
    CCliText pszUsageTail;
    CCliText pszSeeHelp;   // the line after a usage error
    CCliText pszNeedsArgs; // too few arguments
    CCliText pszTooMany;   // too many arguments
    CCliText pszUnknownOption;
    CCliText pszUnknownJob; // followed by the job names, pszJobOr between them
    CCliText pszJobOr;
    CCliText pszEncodingValue;
    CCliText pszMarkerEmpty;
    CCliText pszMarkerWithDedup;
    CCliText pszMarkerCodePage;
    CCliText pszStdinToFolder;
    CCliText pszIsDataFile;  // after the save path
    CCliText pszIsStdinFile; // after the save path
    CCliText pszFolderInWay; // after the save path
    CCliText pszNotAFile;    // after the save path
    CCliText pszRow;         // after a count of one
    CCliText pszRows;        // after any other count
    CCliText pszArrow;       // between the counts of rows read and rows kept
};

// Japanese where the locale (POSIX: the first of LC_ALL, LC_MESSAGES and LANG that is
// set) or the user's UI language (Windows) is Japanese.
const SCliTexts& CliTexts();
bool CliSpeaksJapanese();

// The job kelvane-cli runs by that name; nothing for another name, the load's among them.
std::optional<EJobId> CliJobNamed(std::string_view name);
// The usage error for a job name that is none, naming the jobs there are.
std::string CliUnknownJob(std::string_view name);
// The whole help.
std::string CliUsage();

// " (N rows)", or " (N rows -> M rows)" with pOut.
std::string CliRowCounts(std::size_t nIn, const std::size_t* pOut = nullptr);

// A job's message in the user's language, each line break a space. bRowsToStdout: a
// completion says that the rows went to standard output rather than to a file.
std::string CliMessage(std::string_view strJobMessage, bool bRowsToStdout);

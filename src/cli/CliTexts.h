#pragma once
// Everything kelvane-cli says, in the user's language: Japanese where the
// user's locale is Japanese, English otherwise. The jobs speak Japanese, as the
// window does; their messages are put into the user's language here.

#include <cstddef>
#include <string>
#include <string_view>

struct SCliTexts {
    const char* pszUsage;     // the whole help
    const char* pszSeeHelp;   // the line after a usage error
    const char* pszNeedsArgs; // too few arguments
    const char* pszTooMany;   // too many arguments
    const char* pszUnknownOption;
    const char* pszUnknownJob;
    const char* pszEncodingValue;
    const char* pszMarkerEmpty;
    const char* pszMarkerWithDedup;
    const char* pszMarkerCodePage;
    const char* pszStdinToFolder;
    const char* pszIsDataFile;  // after the save path
    const char* pszIsStdinFile; // after the save path
    const char* pszFolderInWay; // after the save path
    const char* pszNotAFile;    // after the save path
    const char* pszRow;         // after a count of one
    const char* pszRows;        // after any other count
    const char* pszArrow;       // between the counts of rows read and rows kept
};

// Japanese where the locale (POSIX: the first of LC_ALL, LC_MESSAGES and LANG that is
// set) or the user's UI language (Windows) is Japanese.
const SCliTexts& CliTexts();
bool CliSpeaksJapanese();

// " (N rows)", or " (N rows -> M rows)" with pOut.
std::string CliRowCounts(std::size_t nIn, const std::size_t* pOut = nullptr);

// A job's message in the user's language, each line break a space. bRowsToStdout: a
// completion says that the rows went to standard output rather than to a file.
std::string CliMessage(std::string_view strJobMessage, bool bRowsToStdout);

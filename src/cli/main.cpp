// kelvane-cli: the tool's jobs for scripts and machines without a desktop.
// It runs the trim and the duplicate removal by the window's rules, on a form
// kept in memory, as a filter: the data file streams through the job.

#include "ArgText.h"
#include "CliOptions.h"
#include "CliTexts.h"

#include "form/MemoryForm.h"
#include "jobs/StreamJobs.h"
#include "saving/AtomicFile.h"
#include "saving/PathText.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

namespace {

enum EExit { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitRefused = 3 };

void PrintLine(std::FILE* pStream, const std::string& strUtf8) {
    PrintText(pStream, (pStream == stderr ? "kelvane-cli: " : "") + strUtf8 + "\n");
}

// A line about the save path: the path, then what is said of it.
void PrintAboutSave(const std::filesystem::path& savePath, const char* pszSaid) {
    PrintLine(stderr, PathToUtf8(savePath) + " " + pszSaid);
}

struct SPrinter {
    std::FILE* pDone;   // where completion lines go: stdout, or stderr when the rows go there
    bool bQuiet;        // no completion lines at all
    bool bRowsToStdout; // a completion says where the rows went
};

// Prints what the job said, each message on one line in the user's language: the load's
// completion and the job's, followed by the row counts, or its failure on stderr.
void PrintMessages(CMemoryForm& form, bool bDone, const SStreamCounts& counts,
                   const SPrinter& printer) {
    for (std::size_t i = 0; i < form.m_messages.size(); ++i) {
        const std::string strLine = CliMessage(form.m_messages[i], printer.bRowsToStdout);
        const bool bLoadDone = i == 0 && counts.bReadWhole;
        if (!bDone && !bLoadDone)
            PrintLine(stderr, strLine);
        else if (!printer.bQuiet)
            PrintLine(printer.pDone,
                      strLine + (bLoadDone ? CliRowCounts(counts.nIn)
                                           : CliRowCounts(counts.nIn, &counts.nOut)));
    }
}

// After a failed save: a SAVE that exists but is no file was left alone. A folder there
// stands where a SAVE folder would put the data file's name; a device or a FIFO may
// have been meant as standard output.
void HintAtSave(const std::filesystem::path& savePath) {
    std::error_code ec;
    const auto status = std::filesystem::status(LongPathForm(savePath), ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status))
        return;
    PrintAboutSave(savePath, std::filesystem::is_directory(status) ? CliTexts().pszFolderInWay
                                                                   : CliTexts().pszNotAFile);
}

int RunCli(const std::vector<std::string>& args) {
    std::string strError;
    const auto options = ParseCliOptions(args, strError);
    // A SAVE naming an existing folder gets the data file's own name inside it, as the
    // window composes it; standard input has no name to give.
    std::error_code ec;
    const bool bSaveFolder = options && !options->bSaveToStdout &&
                             std::filesystem::is_directory(LongPathForm(options->savePath), ec);
    const SCliTexts& t = CliTexts();
    if (bSaveFolder && options->bDataFromStdin)
        strError = t.pszStdinToFolder;
    if (!options || !strError.empty()) {
        PrintLine(stderr, strError);
        PrintLine(stderr, std::string(t.pszSeeHelp));
        return kExitUsage;
    }
    if (options->bHelp) {
        PrintText(stdout, CliUsage());
        return kExitOk;
    }
    if (options->bVersion) {
        std::fputs(kCliVersion, stdout);
        return kExitOk;
    }

    // The save replaces its file only once standard input has ended, but the rows would
    // still be lost to the file they came from: as with a SAVE that is DATA itself.
    if (options->bDataFromStdin && !options->bSaveToStdout && !options->bForce &&
        IsStandardInput(options->savePath)) {
        PrintAboutSave(options->savePath, t.pszIsStdinFile);
        return kExitRefused;
    }

    CMemoryForm form;
    form.m_strDataPath = options->dataPath;
    form.m_bDataFromStdin = options->bDataFromStdin;
    form.m_bSaveToStdout = options->bSaveToStdout;
    form.m_strSavePath =
        bSaveFolder ? options->savePath / options->dataPath.filename() : options->savePath;
    form.m_strMarker = options->strMarker;
    form.m_strMarkerUtf8 = options->strMarkerUtf8;
    form.m_encodingRule = options->encoding;
    form.m_bAnswerYes = options->bForce;
    if (options->bSaveToStdout)
        SetStdoutBinary();

    const SPrinter printer{options->bSaveToStdout ? stderr : stdout, options->bQuiet,
                           options->bSaveToStdout};
    SStreamCounts counts;
    const EJobResult result = StreamJob(form, options->job, counts);
    PrintMessages(form, result == EJobResult::Completed, counts, printer);
    switch (result) {
    case EJobResult::Completed:
        return kExitOk;
    case EJobResult::Stopped:
        if (!form.m_questions.empty()) {
            PrintAboutSave(form.m_strSavePath, t.pszIsDataFile);
            return kExitRefused;
        }
        return kExitFailed;
    case EJobResult::Failed:
        if (!options->bSaveToStdout)
            HintAtSave(form.m_strSavePath);
        break;
    }
    return kExitFailed;
}

} // namespace

#ifdef _WIN32
// The wide command line, so that any file name arrives whole, whatever the ANSI code page.
int wmain(int argc, wchar_t** argv) {
    return RunCli(ArgsOf(argc, argv));
}
#else
int main(int argc, char** argv) {
    // A reader that goes away (head, a closed pipe) makes the write fail, which the save
    // reports, instead of ending the program by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    return RunCli(ArgsOf(argc, argv));
}
#endif

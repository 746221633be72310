// kelvane-cli: the tool's jobs for scripts and machines without a desktop.
// It runs the same load, trim and duplicate-removal jobs as the window, on a
// form kept in memory.

#include "ArgText.h"
#include "CliOptions.h"

#include "data/ControlIds.h"
#include "data/MemoryForm.h"
#include "data/PathText.h"
#include "jobs/Jobs.h"

#include <cstdio>
#include <string>
#include <system_error>
#include <vector>

namespace {

enum EExit { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitRefused = 3 };

void PrintLine(std::FILE* pStream, const std::string& strUtf8) {
    PrintText(pStream, (pStream == stderr ? "kelvane-cli: " : "") + strUtf8 + "\n");
}

void PrintMessages(CMemoryForm& form, std::FILE* pStream) {
    for (const std::string& strMessage : form.m_messages)
        PrintLine(pStream, strMessage);
    form.m_messages.clear();
}

// Runs one job; prints what it said on stdout when it completed, on stderr otherwise.
EJobResult Run(CMemoryForm& form, EJobResult (*pfnJob)(CToolForm&)) {
    const EJobResult result = pfnJob(form);
    PrintMessages(form, result == EJobResult::Completed ? stdout : stderr);
    return result;
}

// A save path naming an existing folder gets the data file's own name inside it,
// as the window composes it.
std::filesystem::path ComposeSavePath(const SCliOptions& options) {
    std::error_code ec;
    if (std::filesystem::is_directory(options.savePath, ec))
        return options.savePath / options.dataPath.filename();
    return options.savePath;
}

} // namespace

static int RunCli(const std::vector<std::string>& args) {
    std::string strError;
    const auto options = ParseCliOptions(args, strError);
    if (!options) {
        PrintLine(stderr, strError);
        std::fputs(kCliUsage, stderr);
        return kExitUsage;
    }
    if (options->bHelp) {
        std::fputs(kCliUsage, stdout);
        return kExitOk;
    }

    CMemoryForm form;
    form.m_strDataPath = options->dataPath;
    form.m_fieldPaths[IDC_DEST_PATH] = ComposeSavePath(*options);
    form.m_fieldBytes[IDC_MARKER] = options->strMarker;
    form.m_bAnswerYes = options->bForce;

    if (Run(form, RunLoadJob) != EJobResult::Completed)
        return kExitFailed;
    const EJobResult result =
        Run(form, options->job == ECliJob::Trim ? RunConvertJob : RunDedupJob);
    switch (result) {
    case EJobResult::Completed:
        return kExitOk;
    case EJobResult::Stopped:
        if (!form.m_questions.empty()) {
            PrintLine(stderr, PathToUtf8(form.m_fieldPaths[IDC_DEST_PATH]) +
                                  " is the data file itself; give --force to overwrite it");
            return kExitRefused;
        }
        return kExitFailed;
    case EJobResult::Failed:
        break;
    }
    return kExitFailed;
}

#ifdef _WIN32
// The wide command line, so that any file name arrives whole, whatever the ANSI code page.
int wmain(int argc, wchar_t** argv) {
    return RunCli(ArgsOf(argc, argv));
}
#else
int main(int argc, char** argv) {
    return RunCli(ArgsOf(argc, argv));
}
#endif

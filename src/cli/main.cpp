// kelvane-cli: the tool's jobs for scripts and machines without a desktop.
// It runs the same load, trim and duplicate-removal jobs as the window, on a
// form kept in memory.

#include "CliOptions.h"

#include "data/ControlIds.h"
#include "data/MemoryForm.h"
#include "jobs/Jobs.h"

#include <cstdio>
#include <string>
#include <system_error>

namespace {

enum EExit { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitRefused = 3 };

void PrintMessages(CMemoryForm& form, std::FILE* pStream) {
    for (const std::string& strMessage : form.m_messages)
        std::fprintf(pStream, "%s%s\n", pStream == stderr ? "kelvane-cli: " : "",
                     strMessage.c_str());
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

int main(int argc, char** argv) {
    std::string strError;
    const auto options = ParseCliOptions(argc - 1, argv + 1, strError);
    if (!options) {
        std::fprintf(stderr, "kelvane-cli: %s\n%s", strError.c_str(), kCliUsage);
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
            std::fprintf(stderr,
                         "kelvane-cli: %s is the data file itself; give --force to "
                         "overwrite it\n",
                         form.m_fieldPaths[IDC_DEST_PATH].string().c_str());
            return kExitRefused;
        }
        return kExitFailed;
    case EJobResult::Failed:
        break;
    }
    return kExitFailed;
}

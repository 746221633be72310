#include "JobSteps.h"

#include "form/Texts.h"
#include "saving/AtomicFile.h"
#include "saving/PathText.h"

#include <new>
#include <string>

namespace {
// A message followed by a line break and the path, or alone when the path has no text.
std::string WithPath(std::string_view message, const std::filesystem::path& path) {
    const std::string strPath = PathToUtf8(path);
    return std::string(message) + (strPath.empty() ? "" : "\n" + strPath);
}

// One data file, however it was named; by its path when it is gone.
bool IsSameData(const std::filesystem::path& a, const std::filesystem::path& b) {
    return a == b || IsSameFile(a, b);
}
} // namespace

bool ReadSavePath(CToolForm& form, std::filesystem::path& savePath) {
    savePath = form.GetSavePath();
    if (savePath.empty())
        form.ShowMessage(texts::kNoSavePath);
    return !savePath.empty();
}

bool AcceptSavePath(CToolForm& form, std::filesystem::path& savePath) {
    if (!ReadSavePath(form, savePath))
        return false;
    if (!form.GetLoadedCode()) {
        form.ShowMessage(texts::kNotLoaded);
        return false;
    }
    return MayOverwrite(form, savePath);
}

bool MayOverwrite(CToolForm& form, const std::filesystem::path& savePath) {
    // The question names the file at risk: it may be an earlier one than the data field shows.
    for (const std::filesystem::path& dataPath : form.GetChosenDataFiles())
        if (IsSameFile(savePath, dataPath))
            return form.AskYesNo(WithPath(texts::kOverwriteDataFile, dataPath));
    // A save path the user typed stays when another data file is chosen, so it may name
    // the result of an earlier one.
    const std::filesystem::path dataPath = form.GetDataPath();
    for (const SSavedFile& saved : form.GetSavedFiles())
        if (IsSameFile(savePath, saved.savePath) && !IsSameData(saved.dataPath, dataPath))
            return form.AskYesNo(WithPath(texts::kOverwriteOtherResult, savePath));
    return true;
}

EJobResult SaveAndReport(CToolForm& form, const std::filesystem::path& savePath,
                         std::string_view strDone, const SaveFn& save,
                         const std::function<void()>& undo) {
    bool bWritten = false;
    bool bOutOfMemory = false;
    SSaveFailure failure;
    try {
        bWritten = save(failure);
    } catch (const std::exception&) {
        bOutOfMemory = true;
    }
    if (!bWritten && undo)
        undo();
    if (bOutOfMemory) {
        ReportOutOfMemory(form);
        return EJobResult::Failed;
    }
    if (!bWritten) {
        // The row that could not be converted is named by its number in the list, "No,".
        std::string strMessage =
            failure.nUnconvertibleRow == SSaveFailure::kNoRow
                ? WithPath(texts::kSaveFailed, savePath)
                : WithPath(texts::kRowNotUtf8 +
                               ("\nNo," + std::to_string(failure.nUnconvertibleRow)),
                           savePath);
        if (!failure.stranded.empty())
            strMessage.append("\n").append(WithPath(texts::kOldContentKept, failure.stranded));
        form.ShowMessage(strMessage);
        return EJobResult::Failed;
    }
    try {
        form.RecordSave({savePath, form.GetDataPath()});
    } catch (const std::exception&) {
        // The record only adds a question to a later save; this one has been written.
    }
    form.ShowMessage(strDone);
    return EJobResult::Completed;
}

void ReportWithPath(CToolForm& form, const char* pszMessage, const std::filesystem::path& path) {
    form.ShowMessage(WithPath(pszMessage, path));
}

void ReportOutOfMemory(CToolForm& form) {
    form.ShowMessage(texts::kOutOfMemory);
}

void ReportFault(CToolForm& form, EJobFile file) {
    const char* pszMessage = file == EJobFile::Data ? texts::kDataReadFailed : texts::kSaveFailed;
    std::filesystem::path path;
    try {
        path = file == EJobFile::Data ? form.GetDataPath() : form.GetSavePath();
    } catch (...) {
        // The message goes out without the path.
    }
    ReportWithPath(form, pszMessage, path);
}

EJobResult RunJob(CToolForm& form, const SJobKind& job) {
    return RunGuarded(form, job.failFile, [&] { return job.pfnRun(form); });
}

unsigned RunAsWorker(void* pForm, const SJobKind& job) {
    RunJob(*static_cast<CToolForm*>(pForm), job);
    return 0;
}

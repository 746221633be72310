#include "JobSteps.h"

#include "data/AtomicFile.h"
#include "data/ControlIds.h"
#include "data/PathText.h"
#include "data/Texts.h"

#include <string>

bool AcceptSavePath(CToolForm& form, std::filesystem::path& savePath) {
    savePath = form.GetFieldPath(IDC_DEST_PATH);
    if (savePath.empty()) {
        form.ShowMessage(texts::kNoSavePath);
        return false;
    }
    if (IsSameFile(savePath, form.GetDataPath()))
        return form.AskYesNo(texts::kOverwriteDataFile);
    return true;
}

EJobResult SaveAndReport(CToolForm& form, const std::filesystem::path& savePath,
                         std::string_view strDone, const std::function<bool()>& save) {
    bool bWritten = false;
    try {
        bWritten = save();
    } catch (const std::exception&) {
        ReportOutOfMemory(form);
        return EJobResult::Failed;
    }
    if (!bWritten) {
        ReportWithPath(form, texts::kSaveFailed, savePath);
        return EJobResult::Failed;
    }
    form.ShowMessage(strDone);
    return EJobResult::Completed;
}

void ReportWithPath(CToolForm& form, const char* pszMessage, const std::filesystem::path& path) {
    form.ShowMessage(std::string(pszMessage) + "\n" + PathToUtf8(path));
}

void ReportOutOfMemory(CToolForm& form) {
    form.ShowMessage(texts::kOutOfMemory);
}

unsigned RunAsWorker(void* pForm, EJobResult (*pfnRun)(CToolForm&)) {
    try {
        pfnRun(*static_cast<CToolForm*>(pForm));
    } catch (...) {
        // Every job reports its own failures; this only keeps a thread from dying with one.
    }
    return 0;
}

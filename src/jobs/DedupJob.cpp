#include "JobSteps.h"
#include "Jobs.h"

#include "data/Texts.h"

EJobResult RunDedupJob(CToolForm& form) {
    std::filesystem::path savePath;
    if (!AcceptSavePath(form, savePath))
        return EJobResult::Stopped;
    CUniqueRows& unique = form.GetUnique();
    const CRowList& input = form.GetRows(ERowList::In);
    try {
        // Every input row is compared once, in order; the first of each text is kept.
        unique.Reserve(input.Count());
        unique.AddAll(input);
    } catch (const std::exception&) {
        unique.Clear();
        ReportOutOfMemory(form);
        return EJobResult::Failed;
    }
    // The kept rows become the output list whole, numbered 0 to M-1, and the collection is empty.
    form.ReplaceRows(ERowList::Out, unique.TakeRows());
    unique.Clear();
    return SaveOutputAndReport(form, savePath, texts::kDedupDone);
}

unsigned DedupThreadProc(void* pForm) {
    return RunAsWorker(pForm, RunDedupJob);
}

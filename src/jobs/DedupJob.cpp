#include "JobSteps.h"
#include "Jobs.h"

#include "form/Texts.h"
#include "jobs/RowGatherer.h"
#include "jobs/UniqueRows.h"
#include "saving/SaveFile.h"

#include <algorithm>
#include <optional>

EJobResult RunDedupJob(CToolForm& form) {
    std::filesystem::path savePath;
    if (!AcceptSavePath(form, savePath))
        return EJobResult::Stopped;
    // The distinct rows found so far: the run's own scratch, gone with it.
    CUniqueRows unique;
    const CRowList& input = form.GetRows(ERowList::In);
    const ETextCode loadedCode = form.GetLoadedCode().value_or(ETextCode::Ansi);
    // The kept rows are copied out and written to the save file behind the
    // search, a batch at a time, while the search goes on. Only input rows of one
    // code say before the search how the save file is written; of several, the
    // kept rows are saved once they are known.
    const bool bSaveBehind = input.HasOneCode();
    std::optional<CRowGatherer> output;
    CRowList kept;
    try {
        // Every input row is compared once, in order; the first of each text is kept.
        unique.Reserve(input.Count());
        output.emplace(input, bSaveBehind ? form.MakeSaveTarget(savePath) : nullptr,
                       SaveCodeOf(input, loadedCode).bBom);
        for (std::size_t nFirst = 0; nFirst < input.Count(); nFirst += kBatchRows) {
            const std::size_t nEnd = std::min(input.Count(), nFirst + kBatchRows);
            output->Publish(unique.AddAll(input, nFirst, nEnd, output->NextPicks()));
        }
        kept = output->Finish();
    } catch (const std::exception&) {
        output.reset(); // no save file is left behind
        unique.Clear();
        ReportOutOfMemory(form);
        return EJobResult::Failed;
    }
    // The kept rows become the output list whole, numbered from 0, and the collection is empty.
    form.ReplaceRows(ERowList::Out, std::move(kept));
    unique.Clear();
    return SaveAndReport(form, savePath, kJobs[kDedupJob].pszDone, [&](SSaveFailure& failure) {
        if (bSaveBehind)
            return output->CommitSave(failure.stranded);
        return WriteSaveFile(form.MakeSaveTarget(savePath), form.GetRows(ERowList::Out), loadedCode,
                             &failure);
    });
}

unsigned DedupThreadProc(void* pForm) {
    return RunAsWorker(pForm, kJobs[kDedupJob]);
}

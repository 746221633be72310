#include "JobSteps.h"
#include "Jobs.h"

#include "form/Texts.h"
#include "jobs/TrimSearch.h"
#include "saving/SaveFile.h"

EJobResult RunConvertJob(CToolForm& form) {
    std::filesystem::path savePath;
    if (!AcceptSavePath(form, savePath))
        return EJobResult::Stopped;
    const CTrimSearch search(form);
    const CRowList& input = form.GetRows(ERowList::In);
    const std::size_t nOutBefore = form.GetRows(ERowList::Out).Count();
    const SBatchSize size = form.GetBatchSize();
    try {
        // The cut rows are the starts of their input rows, where those lie.
        CRowList batch;
        int nLastMatch = -1;
        std::size_t nScanned = 0;
        bool bReserved = false;
        auto flush = [&] {
            // Room for the whole output, guessed from the first rows.
            if (!bReserved && nScanned > 0 && input.Count() > nScanned) {
                const double dScale =
                    static_cast<double>(input.Count()) / static_cast<double>(nScanned) * 1.1;
                form.ReserveRows(ERowList::Out, static_cast<std::size_t>(
                                                    static_cast<double>(batch.Count()) * dScale));
            }
            bReserved = true;
            if (!batch.Empty())
                form.AppendRows(ERowList::Out, batch);
            if (nLastMatch >= 0)
                form.SetProgressPos(nLastMatch);
            batch.Clear();
            nLastMatch = -1;
            nScanned = 0;
        };
        // Bounded by the row figure of the last load, read again at every step, and never
        // past the rows the input list really holds; the rows are appended to what the
        // output list holds (docs/BEHAVIOUR.md).
        for (std::size_t i = 0; i < input.Count(); ++i) {
            const int nLastRow = form.GetLastRow();
            if (nLastRow < 0 || i > static_cast<std::size_t>(nLastRow))
                break;
            const std::string_view row = input.Row(i);
            const ETextCode code = input.CodeOf(i);
            if (const auto nLength = search.CutLength(row, code)) {
                batch.SetCode(code);
                batch.AppendViewOf(input, row.substr(0, *nLength));
                nLastMatch = static_cast<int>(i);
            }
            if (++nScanned >= size.nRows || batch.ByteSize() >= size.nBytes)
                flush();
        }
        flush();
    } catch (const std::exception&) {
        form.TruncateRows(ERowList::Out, nOutBefore);
        ReportOutOfMemory(form);
        return EJobResult::Failed;
    }
    // A save that fails takes back this run's rows, so that a retry once the cause is
    // fixed saves what a first success would have saved.
    return SaveAndReport(
        form, savePath, kJobs[kConvertJob].pszDone,
        [&](SSaveFailure& failure) {
            return WriteSaveFile(form.MakeSaveTarget(savePath), form.GetRows(ERowList::Out),
                                 form.GetLoadedCode().value_or(ETextCode::Ansi), &failure);
        },
        [&] { form.TruncateRows(ERowList::Out, nOutBefore); });
}

unsigned ConvertThreadProc(void* pForm) {
    return RunAsWorker(pForm, kJobs[kConvertJob]);
}

#include "JobSteps.h"
#include "Jobs.h"

#include "form/Texts.h"
#include "reading/BatchReader.h"

#include <cstdint>
#include <memory>
#include <new>

EJobResult LoadRows(CToolForm& form, CByteSource& source, const std::filesystem::path& path) {
    const std::size_t nBefore = form.GetRows(ERowList::In).Count();
    bool bReadFailed = false;
    bool bUtf16 = false;
    ETextCode code = ETextCode::Ansi;
    try {
        const SBatchSize size = form.GetBatchSize();
        CBatchReader reader(source, size.nRows, size.nBytes, form.GetEncodingRule());
        CRowList batch;
        // Room for the whole file at once, guessed from the first rows, so that the list
        // is not moved again and again while it grows.
        bool bFirst = true;
        while (reader.Next(batch)) {
            if (batch.Count() > kMaxRows - form.GetRows(ERowList::In).Count())
                throw std::bad_alloc();
            if (const std::size_t nGuess = bFirst ? RowsGuess(source, batch) : 0)
                form.ReserveRows(ERowList::In, nGuess);
            bFirst = false;
            form.AppendRows(ERowList::In, batch);
        }
        bReadFailed = reader.ReadFailed();
        bUtf16 = reader.IsUtf16();
        code = reader.Code();
        // The rows went in before the end of the file decided their code.
        if (!bReadFailed && code != ETextCode::Ansi)
            form.SetRowsCode(ERowList::In, nBefore, code);
    } catch (const std::exception&) {
        form.TruncateRows(ERowList::In, nBefore);
        ReportOutOfMemory(form);
        return EJobResult::Failed;
    }
    if (bReadFailed || bUtf16) {
        form.TruncateRows(ERowList::In, nBefore);
        ReportWithPath(form, bUtf16 ? texts::kUtf16Unsupported : texts::kDataReadFailed, path);
        return EJobResult::Failed;
    }
    form.SetLoaded({static_cast<int>(form.GetRows(ERowList::In).Count()) - 1, code});
    return EJobResult::Completed;
}

namespace {
// Appends to the input list, as a load always has (docs/BEHAVIOUR.md).
EJobResult LoadDataFile(CToolForm& form, const std::filesystem::path& path) {
    EJobResult result;
    {
        const std::unique_ptr<CByteSource> file = form.OpenDataSource(path);
        if (!file) {
            ReportWithPath(form, texts::kDataOpenFailed, path);
            return EJobResult::Failed;
        }
        result = LoadRows(form, *file, path);
    } // the file is closed before the user is told
    if (result == EJobResult::Completed)
        form.ShowMessage(LoadDoneMessage(form.GetLoadedCode().value_or(ETextCode::Ansi)));
    return result;
}
} // namespace

const char* LoadDoneMessage(ETextCode code) {
    return IsUtf8(code) ? texts::kLoadDoneUtf8 : kJobs[kLoadJob].pszDone;
}

std::size_t RowsGuess(const CByteSource& source, const CRowList& firstRows) {
    const std::uint64_t nBytes = source.SizeHint();
    if (nBytes == 0 || nBytes > SIZE_MAX || firstRows.Empty())
        return 0;
    const double dRows = static_cast<double>(nBytes) * static_cast<double>(firstRows.Count()) /
                         static_cast<double>(firstRows.ByteSize() + firstRows.Count());
    return static_cast<std::size_t>(dRows * 1.1) + 1;
}

EJobResult RunLoadJob(CToolForm& form) {
    const std::filesystem::path path = form.GetDataPath();
    const EJobResult result = LoadDataFile(form, path);
    // Only after the user has dismissed the message, and only when the rows are in.
    if (result == EJobResult::Completed)
        form.EnableSaveFolderChoice();
    return result;
}

unsigned LoadThreadProc(void* pForm) {
    return RunAsWorker(pForm, kJobs[kLoadJob]);
}

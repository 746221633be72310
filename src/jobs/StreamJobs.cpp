#include "StreamJobs.h"

#include "JobSteps.h"

#include "form/Texts.h"
#include "jobs/TrimSearch.h"
#include "jobs/UniqueRows.h"
#include "reading/BatchReader.h"
#include "saving/SaveFile.h"

#include <memory>
#include <new>
#include <optional>

namespace {

// One run: the data file's batches in, the kept rows out to the save target.
class CStreamRun {
public:
    CStreamRun(CToolForm& form, EJobId job, SStreamCounts& counts)
        : m_form(form), m_job(job), m_counts(counts), m_search(form) {}

    EJobResult Run() {
        const std::filesystem::path dataPath = m_form.GetDataPath();
        std::unique_ptr<CByteSource> source = m_form.OpenDataSource(dataPath);
        if (!source) {
            ReportWithPath(m_form, texts::kDataOpenFailed, dataPath);
            return EJobResult::Failed;
        }
        if (!ReadSavePath(m_form, m_savePath) || !MayOverwrite(m_form, m_savePath))
            return EJobResult::Stopped;
        std::optional<ETextCode> code;
        const char* pszReadFailure = nullptr;
        try {
            code = ReadAll(*source, pszReadFailure);
        } catch (const std::exception&) {
            // No save file is left behind, not even while the user is told, and the rows
            // held go first.
            m_writer.reset();
            m_held.Free();
            m_kept.Free();
            m_unique.Clear();
            ReportOutOfMemory(m_form);
            return EJobResult::Failed;
        }
        // Closed before the save takes its place, which may be the data file's own.
        source.reset();
        if (pszReadFailure != nullptr) {
            m_writer.reset();
            ReportWithPath(m_form, pszReadFailure, dataPath);
            return EJobResult::Failed;
        }
        if (code) {
            m_counts.bReadWhole = true;
            m_form.ShowMessage(LoadDoneMessage(*code));
        }
        return SaveAndReport(m_form, m_savePath, kJobs[m_job].pszDone, [&](SSaveFailure& failure) {
            return code && m_bWriting && m_writer->Commit(&failure.stranded);
        });
    }

private:
    // Reads every batch and writes the rows the job keeps; the data file's code once it
    // has been read to its end and every write went through, else nothing, and then
    // pszReadFailure tells what went wrong in the reading, if that did.
    std::optional<ETextCode> ReadAll(CByteSource& source, const char*& pszReadFailure) {
        const SBatchSize size = m_form.GetBatchSize();
        CBatchReader reader(source, size.nRows, size.nBytes, m_form.GetEncodingRule());
        CRowList batch;
        while (m_bWriting && reader.Next(batch)) {
            if (batch.Count() > kMaxRows - m_counts.nIn)
                throw std::bad_alloc();
            const bool bFirst = m_counts.nIn == 0;
            if (bFirst)
                Start(reader.CodeSoFar().value_or(ETextCode::Ansi));
            m_counts.nIn += batch.Count();
            if (m_job == kDedupJob)
                KeepNew(batch, bFirst ? RowsGuess(source, batch) : 0);
            else
                Cut(batch, reader.CodeSoFar());
            m_bWriting = m_bWriting && m_writer->Deliver();
        }
        if (!m_bWriting)
            return std::nullopt;
        if (reader.ReadFailed() || reader.IsUtf16()) {
            pszReadFailure = reader.IsUtf16() ? texts::kUtf16Unsupported : texts::kDataReadFailed;
            return std::nullopt;
        }
        if (m_counts.nIn == 0)
            Start(reader.Code());
        CutHeld(reader.Code());
        return reader.Code();
    }

    // Before the first row: the save file is made, starting as the code says.
    void Start(ETextCode code) {
        m_writer.emplace(m_form.MakeSaveTarget(m_savePath));
        m_bWriting = m_writer->Create(SaveCodeOf(code).bBom);
    }

    void Write(std::string_view row) {
        m_bWriting = m_bWriting && m_writer->WriteRow(row);
        ++m_counts.nOut;
    }

    // nRowsGuess, with the first batch: the rows the file may hold, of which about as
    // many will be kept as of the first batch, so that the index is sized once for them
    // and a file of few texts takes little.
    void KeepNew(const CRowList& batch, std::size_t nRowsGuess) {
        const std::size_t nBefore = m_kept.Count();
        m_unique.CopyNewInto(batch, m_kept);
        if (nRowsGuess > 0) {
            const double dKept = static_cast<double>(nRowsGuess) *
                                 static_cast<double>(m_kept.Count()) /
                                 static_cast<double>(batch.Count());
            try {
                m_unique.Reserve(m_kept, static_cast<std::size_t>(dKept));
            } catch (const std::bad_alloc&) {
                // Only a hint: the index grows as the rows come.
            }
        }
        for (std::size_t i = nBefore; i < m_kept.Count(); ++i)
            Write(m_kept.Row(i));
    }

    // Rows whose code is not known yet wait for it, and so do the rows after them.
    void Cut(const CRowList& rows, std::optional<ETextCode> code) {
        if (code && m_held.Empty())
            return CutNow(rows, *code);
        m_held.AppendAll(rows);
        if (code)
            CutHeld(*code);
    }
    void CutHeld(ETextCode code) {
        CutNow(m_held, code);
        m_held.Free();
    }
    void CutNow(const CRowList& rows, ETextCode code) {
        for (std::size_t i = 0; i < rows.Count(); ++i) {
            const std::string_view row = rows.Row(i);
            if (const auto nLength = m_search.CutLength(row, code))
                Write(row.substr(0, *nLength));
        }
    }

    CToolForm& m_form;
    const EJobId m_job;
    SStreamCounts& m_counts;
    const CTrimSearch m_search;
    std::filesystem::path m_savePath;
    std::optional<CSaveFileWriter> m_writer;
    bool m_bWriting = true; // the save file is made, and every write so far went through
    CRowList m_held;        // the trim's rows waiting for their code
    CUniqueRows m_unique;   // the duplicate removal's index over m_kept
    CRowList m_kept;        // a copy of each row it kept
};

} // namespace

EJobResult StreamJob(CToolForm& form, EJobId job, SStreamCounts& counts) {
    counts = {};
    return RunGuarded(form, kJobs[job].failFile,
                      [&] { return CStreamRun(form, job, counts).Run(); });
}

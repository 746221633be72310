#include "JobSteps.h"
#include "Jobs.h"

#include "data/ControlIds.h"
#include "data/LineSplitter.h"
#include "data/PathText.h"
#include "data/Texts.h"

#include <climits>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr std::size_t kReadBlock = 128 << 10;

// The row figure is a signed 32-bit index, so a list holds at most INT_MAX rows.
constexpr std::size_t kMaxRows = INT_MAX;

class CRowAppender {
public:
    CRowAppender(CToolForm& form, std::size_t nBefore) : m_form(form), m_nTotal(nBefore) {}
    void Add(std::string_view line) {
        if (m_nTotal + m_batch.Count() >= kMaxRows)
            throw std::bad_alloc();
        m_batch.Append(line);
        if (m_batch.Count() >= kBatchRows || m_batch.ByteSize() >= kBatchBytes)
            Flush();
    }
    void Flush() {
        if (m_batch.Empty())
            return;
        m_form.AppendRows(ERowList::In, m_batch);
        m_nTotal += m_batch.Count();
        m_batch.Clear();
    }

private:
    CToolForm& m_form;
    std::size_t m_nTotal;
    CRowList m_batch;
};

} // namespace

EJobResult LoadRows(CToolForm& form, CByteSource& source, const std::filesystem::path& path) {
    const std::size_t nBefore = form.GetRows(ERowList::In).Count();
    try {
        CRowAppender appender(form, nBefore);
        CLineSplitter splitter;
        const std::unique_ptr<char[]> buffer(new char[kReadBlock]);
        auto onLine = [&](std::string_view line) { appender.Add(line); };
        for (;;) {
            const std::ptrdiff_t nRead = source.Read(buffer.get(), kReadBlock);
            if (nRead < 0) {
                form.TruncateRows(ERowList::In, nBefore);
                form.ShowMessage(std::string(texts::kDataReadFailed) + "\n" + PathToUtf8(path));
                return EJobResult::Failed;
            }
            if (nRead == 0 || !splitter.Feed({buffer.get(), std::size_t(nRead)}, onLine))
                break;
        }
        splitter.Finish(onLine);
        appender.Flush();
    } catch (const std::exception&) {
        form.TruncateRows(ERowList::In, nBefore);
        ReportOutOfMemory(form);
        return EJobResult::Failed;
    }
    form.SetLastRow(static_cast<int>(form.GetRows(ERowList::In).Count()) - 1);
    return EJobResult::Completed;
}

EJobResult LoadDataFile(CToolForm& form, const std::filesystem::path& path) {
    EJobResult result;
    {
        const std::unique_ptr<CFileSource> file = CFileSource::Open(path);
        if (!file) {
            form.ShowMessage(std::string(texts::kDataOpenFailed) + "\n" + PathToUtf8(path));
            return EJobResult::Failed;
        }
        result = LoadRows(form, *file, path);
    } // the file is closed before the user is told
    if (result == EJobResult::Completed)
        form.ShowMessage(texts::kLoadDone);
    return result;
}

EJobResult RunLoadJob(CToolForm& form) {
    const std::filesystem::path path = form.GetDataPath();
    const EJobResult result = LoadDataFile(form, path);
    // Only after the user has dismissed the message, and only when the rows are in.
    if (result == EJobResult::Completed)
        form.EnableButton(IDC_BROWSE_DEST);
    return result;
}

unsigned LoadThreadProc(void* pForm) {
    return RunAsWorker(pForm, RunLoadJob);
}

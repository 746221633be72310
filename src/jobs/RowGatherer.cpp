#include "jobs/RowGatherer.h"

#include <utility>

CRowGatherer::CRowGatherer(const CRowList& source, std::unique_ptr<CSaveTarget> pTarget, bool bBom)
    : m_source(source), m_writer(std::move(pTarget)), m_bBom(bBom) {
    m_arrPicks.Reserve(source.Count());
    // Without a second thread, Finish gathers on the caller's thread.
    m_helper.Start([this] { Follow(); });
}

void CRowGatherer::Publish(std::size_t nCount) {
    m_nPicked += nCount;
    {
        std::lock_guard<std::mutex> lock(m_helper.m_mutex);
        m_nPublished = m_nPicked;
    }
    m_helper.m_changed.notify_one();
}

void CRowGatherer::Gather(std::size_t nFrom, std::size_t nTo) {
    for (std::size_t i = nFrom; i < nTo; ++i) {
        const std::size_t nPick = m_arrPicks[i];
        const std::string_view row = m_source.Row(nPick);
        m_rows.SetCode(m_source.CodeOf(nPick));
        m_rows.AppendViewOf(m_source, row); // where it lies
        // A write that failed stays failed; the rows are still wanted for the list.
        if (m_bWriting)
            m_bWriting = m_writer.WriteRow(row);
    }
}

void CRowGatherer::Follow() {
    try {
        m_bWriting = m_writer.HasTarget() && m_writer.Create(m_bBom);
        std::size_t nDone = 0;
        for (;;) {
            std::size_t nReady;
            bool bLast;
            {
                std::unique_lock<std::mutex> lock(m_helper.m_mutex);
                m_helper.m_changed.wait(lock, [&] {
                    return m_helper.StopAsked() || m_bFinished || m_nPublished > nDone;
                });
                if (m_helper.StopAsked())
                    return;
                nReady = m_nPublished;
                bLast = m_bFinished;
            }
            Gather(nDone, nReady);
            nDone = nReady;
            if (bLast)
                return;
        }
    } catch (...) {
        m_pFailure = std::current_exception();
    }
}

CRowList CRowGatherer::Finish() {
    const bool bHelped = m_helper.Started();
    {
        std::lock_guard<std::mutex> lock(m_helper.m_mutex);
        m_bFinished = true;
    }
    if (bHelped)
        m_helper.Join();
    else
        Follow();
    if (m_pFailure)
        std::rethrow_exception(std::exchange(m_pFailure, nullptr));
    return std::move(m_rows);
}

bool CRowGatherer::CommitSave(std::filesystem::path& stranded) {
    return m_bWriting && m_writer.Commit(&stranded);
}

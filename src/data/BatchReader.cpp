#include "BatchReader.h"

#include <system_error>
#include <utility>

namespace {
constexpr std::size_t kReadBlock = 128 << 10;
// Batches read ahead of the caller at most: enough to keep both threads busy.
constexpr std::size_t kAhead = 3;
} // namespace

CBatchReader::CBatchReader(CByteSource& source, std::size_t nBatchRows, std::size_t nBatchBytes)
    : m_source(source), m_nBatchRows(nBatchRows), m_nBatchBytes(nBatchBytes) {
    m_block.Reserve(kReadBlock);
    try {
        m_helper = std::thread([this] { Produce(); });
    } catch (const std::system_error&) {
        // No second thread: Next reads on the caller's thread.
    }
}

CBatchReader::~CBatchReader() {
    if (m_helper.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bStop = true;
        }
        m_changed.notify_all();
        m_helper.join();
    }
}

void CBatchReader::Publish(bool bFinal) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_filling.Empty()) {
        ++m_nPublished;
        m_ready.push_back(std::move(m_filling));
        m_filling = CRowList();
        if (!m_spare.empty()) {
            m_filling.Swap(m_spare.front());
            m_spare.pop_front();
        }
    }
    if (bFinal)
        m_bDone = true;
    m_changed.notify_all();
}

void CBatchReader::ReadSome() {
    auto onLine = [this](std::string_view line) {
        m_filling.Append(line);
        if (m_filling.Count() >= m_nBatchRows || m_filling.ByteSize() >= m_nBatchBytes)
            Publish(false);
    };
    const std::size_t nPublishedBefore = m_nPublished;
    while (!m_bEnded && m_nPublished == nPublishedBefore) {
        const std::ptrdiff_t nRead = m_source.Read(m_block.Data(), kReadBlock);
        if (nRead < 0) {
            m_bReadFailed = true;
            m_bEnded = true;
        } else if (nRead == 0 ||
                   !m_splitter.Feed({m_block.Data(), static_cast<std::size_t>(nRead)}, onLine)) {
            m_splitter.Finish(onLine);
            m_bEnded = true;
        }
    }
    if (m_bEnded)
        Publish(true);
}

void CBatchReader::Produce() {
    try {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return m_bStop || m_ready.size() < kAhead; });
                if (m_bStop)
                    return;
            }
            ReadSome();
            if (m_bEnded)
                return;
        }
    } catch (...) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pFailure = std::current_exception();
        m_bDone = true;
        m_changed.notify_all();
    }
}

bool CBatchReader::Next(CRowList& batch) {
    if (!m_helper.joinable() && !m_bEnded && m_ready.empty())
        ReadSome();
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_bDone; });
    if (m_pFailure)
        std::rethrow_exception(m_pFailure);
    if (m_ready.empty())
        return false;
    batch.Swap(m_ready.front());
    // The caller's old batch, now at the front, is filled again later.
    m_ready.front().Clear();
    m_spare.push_back(std::move(m_ready.front()));
    m_ready.pop_front();
    m_changed.notify_all();
    return true;
}

#include "reading/BatchReader.h"

#include <utility>

namespace {
constexpr std::size_t kReadBlock = 128 << 10;
// Batches read ahead of the caller at most: enough to keep both threads busy.
constexpr std::size_t kAhead = 3;
} // namespace

CBatchReader::CBatchReader(CByteSource& source, std::size_t nBatchRows, std::size_t nBatchBytes,
                           EEncodingRule rule)
    : m_source(source), m_nBatchRows(nBatchRows), m_nBatchBytes(nBatchBytes), m_code(rule) {
    m_block.Reserve(kReadBlock);
    // Without a second thread, Next reads on the caller's thread.
    m_helper.Start([this] { Produce(); });
}

void CBatchReader::Publish(bool bFinal) {
    std::unique_lock<std::mutex> lock(m_helper.m_mutex);
    if (!m_filling.Empty()) {
        ++m_nPublished;
        m_ready.push_back(std::move(m_filling));
        m_filling = CRowList();
        if (!m_spare.empty()) {
            m_filling.Swap(m_spare.front());
            m_spare.pop_front();
        }
        m_filling.ContinueChunkOf(m_ready.back());
    }
    if (bFinal)
        m_bDone = true;
    m_readyCodeSoFar = m_code.CodeSoFar();
    m_helper.m_changed.notify_all();
}

bool CBatchReader::ReadStart(std::size_t& nRead, std::size_t& nStart) {
    m_bStarted = true;
    nRead = 0;
    while (nRead < CTextCodeDecision::kBytesWanted) {
        const std::ptrdiff_t n = m_source.Read(m_block.Data() + nRead, kReadBlock - nRead);
        if (n < 0) {
            m_bReadFailed = true;
            return false;
        }
        if (n == 0)
            break;
        nRead += static_cast<std::size_t>(n);
    }
    nStart = m_code.Begin(std::string_view(m_block.Data(), nRead));
    return nRead > 0 && !m_code.IsUtf16();
}

void CBatchReader::ReadSome() {
    auto onLine = [this](std::string_view line) {
        m_filling.Append(line);
        if (m_filling.Count() >= m_nBatchRows || m_filling.ByteSize() >= m_nBatchBytes)
            Publish(false);
    };
    const std::size_t nPublishedBefore = m_nPublished;
    while (!m_bEnded && m_nPublished == nPublishedBefore) {
        std::size_t nRead = 0;
        std::size_t nStart = 0;
        bool bMore;
        if (!m_bStarted) {
            bMore = ReadStart(nRead, nStart);
        } else {
            const std::ptrdiff_t n = m_source.Read(m_block.Data(), kReadBlock);
            m_bReadFailed = n < 0;
            bMore = n > 0;
            nRead = n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        std::string_view block(m_block.Data() + nStart, nRead - nStart);
        if (m_bReadFailed || m_code.IsUtf16()) {
            m_bEnded = true;
            break;
        }
        // The decision sees the block before its rows are handed over, so that what it
        // says with a batch holds for every byte of it; it never sees what follows a 0x1A.
        m_code.Feed(block.substr(0, block.find('\x1A')));
        const bool bGoesOn = bMore && m_splitter.Feed(block, onLine);
        if (!bGoesOn) {
            m_splitter.Finish(onLine);
            m_bEnded = true;
        } else if (nRead < kReadBlock) {
            Publish(false); // the source had no more at hand
        }
    }
    if (m_bEnded) {
        m_code.End();
        Publish(true);
        m_filling.EndAppends();
    }
}

void CBatchReader::Produce() {
    try {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_helper.m_mutex);
                m_helper.m_changed.wait(
                    lock, [this] { return m_helper.StopAsked() || m_ready.size() < kAhead; });
                if (m_helper.StopAsked())
                    return;
            }
            ReadSome();
            if (m_bEnded)
                return;
        }
    } catch (...) {
        std::lock_guard<std::mutex> lock(m_helper.m_mutex);
        m_pFailure = std::current_exception();
        m_bDone = true;
        m_helper.m_changed.notify_all();
    }
}

bool CBatchReader::Next(CRowList& batch) {
    if (!m_helper.Started() && !m_bEnded && m_ready.empty())
        ReadSome();
    std::unique_lock<std::mutex> lock(m_helper.m_mutex);
    m_helper.m_changed.wait(lock, [this] { return !m_ready.empty() || m_bDone; });
    if (m_pFailure)
        std::rethrow_exception(m_pFailure);
    m_codeSoFar = m_readyCodeSoFar;
    if (m_ready.empty())
        return false;
    batch.Swap(m_ready.front());
    // The caller's old batch, now at the front, is filled again later.
    m_ready.front().Clear();
    m_spare.push_back(std::move(m_ready.front()));
    m_ready.pop_front();
    m_helper.m_changed.notify_all();
    return true;
}

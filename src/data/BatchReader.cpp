#include "BatchReader.h"

#include <system_error>
#include <utility>

namespace {
constexpr std::size_t kReadBlock = 128 << 10;
// Batches read ahead of the caller at most: enough to keep both threads busy.
constexpr std::size_t kAhead = 3;
} // namespace

CBatchReader::CBatchReader(CByteSource& source, std::size_t nBatchRows, std::size_t nBatchBytes,
                           EEncodingRule rule)
    : m_source(source), m_nBatchRows(nBatchRows), m_nBatchBytes(nBatchBytes), m_rule(rule) {
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

namespace {
// How many first bytes show UTF-16 written without a byte-order mark.
constexpr std::size_t kSniffBytes = 64;

// ASCII text in UTF-16 has a zero byte in every second place, from the first byte (big
// endian) or from the second (little endian), and the others are not all zero. A stray
// NUL in a row of bytes does not look like that.
bool LooksLikeUtf16(const unsigned char* p, std::size_t n) {
    if (n < 4)
        return false;
    for (std::size_t nZeros = 0; nZeros < 2; ++nZeros) {
        bool bZeros = true;
        bool bOthers = false;
        for (std::size_t i = 0; i < n; ++i) {
            if (i % 2 == nZeros)
                bZeros = bZeros && p[i] == 0;
            else
                bOthers = bOthers || p[i] != 0;
        }
        if (bZeros && bOthers)
            return true;
    }
    return false;
}
} // namespace

bool CBatchReader::ReadStart(std::size_t& nRead, std::size_t& nStart) {
    m_bStarted = true;
    nRead = 0;
    nStart = 0;
    // A byte-order mark is three bytes, and UTF-16 shows in the first 64: read until there
    // are that many, or the end. The ANSI rule asks neither.
    const std::size_t nWanted = m_rule == EEncodingRule::Ansi ? 1 : kSniffBytes;
    while (nRead < nWanted) {
        const std::ptrdiff_t n = m_source.Read(m_block.Data() + nRead, kReadBlock - nRead);
        if (n < 0) {
            m_bReadFailed = true;
            return false;
        }
        if (n == 0)
            break;
        nRead += static_cast<std::size_t>(n);
    }
    if (m_rule == EEncodingRule::Ansi)
        return nRead > 0;
    const auto* p = reinterpret_cast<const unsigned char*>(m_block.Data());
    if ((nRead >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) ||
        LooksLikeUtf16(p, nRead < kSniffBytes ? nRead : kSniffBytes)) {
        m_bUtf16 = true;
        return false;
    }
    if (nRead >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        m_code = ETextCode::Utf8Bom;
        nStart = 3;
    } else if (m_rule == EEncodingRule::Utf8) {
        m_code = ETextCode::Utf8;
    }
    return nRead > 0;
}

// Shift-JIS that is valid UTF-8 throughout is taken as UTF-8 (docs/BEHAVIOUR.md).
void CBatchReader::DecideCode() {
    if (!BytesDecide() || m_bUtf16)
        return;
    m_check.Finish();
    if (!m_check.Invalid() && m_check.SawMultibyte())
        m_code = ETextCode::Utf8;
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
        if (m_bReadFailed || m_bUtf16) {
            m_bEnded = true;
            break;
        }
        // The splitter cuts the block at 0x1A, so the check never sees what follows it.
        const bool bGoesOn = bMore && m_splitter.Feed(block, onLine);
        if (BytesDecide() && !m_check.Invalid())
            m_check.Feed(block);
        if (!bGoesOn) {
            m_splitter.Finish(onLine);
            m_bEnded = true;
        }
    }
    if (m_bEnded) {
        DecideCode();
        Publish(true);
    }
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

#include "rows/RowList.h"

#include "rows/Pages.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {
// A list's own chunks double from the first to the last size: a short list takes little
// memory, a long one few chunks, and EndAppends gives back the unused end of the last.
constexpr std::size_t kFirstChunkBytes = 4 << 10;
constexpr std::size_t kLastChunkBytes = kHugePageBytes;
} // namespace

// A chunk of the largest size takes one huge page where the system has them, so that
// filling it costs one page fault instead of five hundred.
CRowList::SChunk::SChunk(std::size_t nSize) : nCapacity(nSize) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (nSize == kLastChunkBytes) {
        pBytes = static_cast<char*>(std::aligned_alloc(kLastChunkBytes, kLastChunkBytes));
        if (pBytes != nullptr)
            AdviseWholePages(pBytes, pBytes + kLastChunkBytes, MADV_HUGEPAGE);
    } else
#endif
        pBytes = static_cast<char*>(std::malloc(nSize));
    if (pBytes == nullptr)
        throw std::bad_alloc();
}

CRowList::SChunk::~SChunk() {
    std::free(pBytes);
}

// Both arrays grow, and the run starts, before any changes, so that a failed allocation
// leaves the list as it was.
void CRowList::MakeRoomForRow(std::size_t nLength) {
    if (nLength > UINT32_MAX)
        throw std::bad_alloc();
    m_arrStarts.Grow(1);
    m_arrLengths.Grow(1);
    if (m_code != TailCode())
        StartRun(m_code);
}

void CRowList::AppendViewOf(const CRowList& source, std::string_view text) {
    MakeRoomForRow(text.size());
    // An empty row's bytes are never read, so it needs no chunk.
    if (!text.empty())
        ShareChunkHolding(source, text.data());
    PushRow(text);
}

// Rows are taken in the order they lie in, so the search starts at the chunk found last.
void CRowList::ShareChunkHolding(const CRowList& source, const char* p) {
    const auto nAt = reinterpret_cast<std::uintptr_t>(p);
    const std::size_t nChunks = source.m_chunks.size();
    for (std::size_t k = 0; k < nChunks; ++k) {
        const std::size_t i = (m_nSourceHint + k) % nChunks;
        const SChunk& chunk = *source.m_chunks[i];
        const auto nBegin = reinterpret_cast<std::uintptr_t>(chunk.pBytes);
        if (nAt < nBegin || nAt >= nBegin + chunk.nCapacity)
            continue;
        m_nSourceHint = i;
        if (&chunk != m_pLastShared) {
            Share(source.m_chunks[i]);
            m_pLastShared = &chunk;
        }
        return;
    }
}

void CRowList::Share(const std::shared_ptr<SChunk>& pChunk) {
    if (m_sharedChunks.insert(pChunk.get()).second) {
        try {
            m_chunks.push_back(pChunk);
        } catch (...) {
            m_sharedChunks.erase(pChunk.get());
            throw;
        }
    }
}

void CRowList::Append(std::string_view text) {
    if (!m_pOwn || text.size() > m_pOwn->nCapacity - m_pOwn->nUsed) {
        const std::size_t nSize =
            m_pOwn ? std::min(m_pOwn->nCapacity * 2, kLastChunkBytes) : kFirstChunkBytes;
        auto pChunk = std::make_shared<SChunk>(std::max(nSize, text.size()));
        Share(pChunk);
        m_pOwn = std::move(pChunk);
    }
    MakeRoomForRow(text.size());
    char* pStart = m_pOwn->pBytes + m_pOwn->nUsed;
    if (!text.empty())
        std::memcpy(pStart, text.data(), text.size());
    m_pOwn->nUsed += text.size();
    PushRow({pStart, text.size()});
}

void CRowList::ContinueChunkOf(CRowList& other) {
    if (!other.m_pOwn)
        return;
    Share(other.m_pOwn);
    m_pOwn = std::move(other.m_pOwn);
}

void CRowList::EndAppends() {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (m_pOwn && m_pOwn->nCapacity == kLastChunkBytes) {
        // Not a huge page again either, which the system could otherwise rebuild in time.
        const char* const pUnused = m_pOwn->pBytes + m_pOwn->nUsed;
        const char* const pEnd = m_pOwn->pBytes + kLastChunkBytes;
        AdviseWholePages(pUnused, pEnd, MADV_NOHUGEPAGE);
        AdviseWholePages(pUnused, pEnd, MADV_DONTNEED);
    }
#endif
    m_pOwn.reset();
}

void CRowList::ShareChunksOf(const CRowList& rows) {
    for (const std::shared_ptr<SChunk>& pChunk : rows.m_chunks)
        Share(pChunk);
}

void CRowList::StartRun(ETextCode code) {
    // A run that holds no row yet is only relabelled.
    if (!m_runs.empty() && m_runs.back().nFirst == Count())
        m_runs.back().code = code;
    else
        m_runs.push_back({Count(), code});
}

ETextCode CRowList::CodeOfSlow(std::size_t i) const {
    const auto it = std::upper_bound(m_runs.begin(), m_runs.end(), i,
                                     [](std::size_t n, const SRun& run) { return n < run.nFirst; });
    return std::prev(it)->code;
}

void CRowList::DropRunsFrom(std::size_t nRow) {
    while (!m_runs.empty() && m_runs.back().nFirst >= nRow)
        m_runs.pop_back();
}

void CRowList::SetCodeFrom(std::size_t nFirst, ETextCode code) {
    DropRunsFrom(nFirst);
    if (code != TailCode() && nFirst < Count())
        m_runs.push_back({nFirst, code});
    m_code = code;
}

// Every run holds at least one row, and rows before the first run are ANSI.
bool CRowList::Holds(ETextCode code) const {
    if (code == ETextCode::Ansi && !Empty() && (m_runs.empty() || m_runs.front().nFirst > 0))
        return true;
    return std::any_of(m_runs.begin(), m_runs.end(),
                       [code](const SRun& run) { return run.code == code; });
}

void CRowList::AppendAll(const CRowList& rows) {
    if (rows.Empty())
        return;
    const std::size_t nBase = Count();
    // Everything that can fail is done first, so that a failed allocation changes no row.
    m_runs.reserve(m_runs.size() + rows.m_runs.size() + 1);
    m_arrStarts.Grow(rows.Count());
    m_arrLengths.Grow(rows.Count());
    ShareChunksOf(rows);
    m_arrStarts.Append(rows.m_arrStarts.Data(), rows.Count());
    m_arrLengths.Append(rows.m_arrLengths.Data(), rows.Count());
    m_nBytes += rows.m_nBytes;
    if (rows.CodeOf(0) != TailCode())
        m_runs.push_back({nBase, rows.CodeOf(0)});
    for (const SRun& run : rows.m_runs)
        if (run.nFirst > 0 && run.code != TailCode())
            m_runs.push_back({nBase + run.nFirst, run.code});
}

void CRowList::Truncate(std::size_t nCount) {
    if (nCount < Count()) {
        for (std::size_t i = nCount; i < Count(); ++i)
            m_nBytes -= m_arrLengths[i];
        m_arrStarts.Truncate(nCount);
        m_arrLengths.Truncate(nCount);
        DropRunsFrom(nCount);
    }
    // A failed job's rows go, and so do the chunks only they lay in, or that an append
    // which failed had shared before its rows, so that retries do not pile them up;
    // another list may still share them.
    ReleaseChunksWithoutRows();
}

void CRowList::ReleaseChunksWithoutRows() noexcept try {
    std::vector<std::pair<std::uintptr_t, std::size_t>> bounds; // a chunk's start, its index
    bounds.reserve(m_chunks.size());
    for (std::size_t i = 0; i < m_chunks.size(); ++i)
        bounds.emplace_back(reinterpret_cast<std::uintptr_t>(m_chunks[i]->pBytes), i);
    std::sort(bounds.begin(), bounds.end());
    std::vector<bool> used(m_chunks.size(), false);
    for (std::size_t nRow = 0; nRow < Count(); ++nRow) {
        if (m_arrLengths[nRow] == 0)
            continue;
        const auto nAt = reinterpret_cast<std::uintptr_t>(m_arrStarts[nRow]);
        const auto it =
            std::upper_bound(bounds.begin(), bounds.end(), std::make_pair(nAt, SIZE_MAX));
        if (it != bounds.begin())
            used[std::prev(it)->second] = true;
    }
    std::vector<std::shared_ptr<SChunk>> kept;
    kept.reserve(m_chunks.size()); // nothing fails once the first chunk is let go
    for (std::size_t i = 0; i < m_chunks.size(); ++i)
        if (used[i] || m_chunks[i] == m_pOwn)
            kept.push_back(m_chunks[i]);
        else
            m_sharedChunks.erase(m_chunks[i].get());
    m_chunks.swap(kept);
    m_pLastShared = nullptr;
} catch (const std::bad_alloc&) {
    // Taking rows back cannot fail: the chunks go with the list instead.
}

void CRowList::Clear() {
    m_arrStarts.Truncate(0);
    m_arrLengths.Truncate(0);
    m_nBytes = 0;
    m_runs.clear();
    m_code = ETextCode::Ansi;
    // No row lies in the chunks any more: a batch used again for the next rows must not
    // keep every chunk it ever held.
    std::erase_if(m_chunks, [this](const std::shared_ptr<SChunk>& pChunk) {
        if (pChunk == m_pOwn)
            return false;
        m_sharedChunks.erase(pChunk.get());
        return true;
    });
    m_pLastShared = nullptr;
    m_nSourceHint = 0;
}

void CRowList::Free() {
    m_arrStarts.Free();
    m_arrLengths.Free();
    m_nBytes = 0;
    std::vector<std::shared_ptr<SChunk>>().swap(m_chunks);
    std::unordered_set<const SChunk*>().swap(m_sharedChunks);
    m_pLastShared = nullptr;
    m_nSourceHint = 0;
    m_pOwn.reset();
    std::vector<SRun>().swap(m_runs);
    m_code = ETextCode::Ansi;
}

void CRowList::Swap(CRowList& other) noexcept {
    m_arrStarts.Swap(other.m_arrStarts);
    m_arrLengths.Swap(other.m_arrLengths);
    std::swap(m_nBytes, other.m_nBytes);
    m_chunks.swap(other.m_chunks);
    m_sharedChunks.swap(other.m_sharedChunks);
    std::swap(m_pLastShared, other.m_pLastShared);
    std::swap(m_nSourceHint, other.m_nSourceHint);
    m_pOwn.swap(other.m_pOwn);
    m_runs.swap(other.m_runs);
    std::swap(m_code, other.m_code);
}

void CRowList::ReserveMore(std::size_t nRows) noexcept {
    if (nRows > SIZE_MAX - Count())
        return;
    try {
        m_arrStarts.Reserve(Count() + nRows);
        m_arrLengths.Reserve(Count() + nRows);
    } catch (const std::bad_alloc&) {
        // Only a hint: the rows still grow as they come, or fail then.
    }
}

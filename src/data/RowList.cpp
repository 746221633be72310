#include "RowList.h"

#include <algorithm>
#include <cstdint>
#include <new>

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
    // The runs are room-checked first, so that a failed allocation changes nothing.
    m_runs.reserve(m_runs.size() + rows.m_runs.size() + 1);
    m_arrBytes.Grow(rows.ByteSize());
    m_arrEnds.Grow(rows.Count());
    const std::size_t nByteBase = m_arrBytes.Size();
    m_arrBytes.Append(rows.m_arrBytes.Data(), rows.ByteSize());
    for (std::size_t i = 0; i < rows.Count(); ++i)
        m_arrEnds.PushBack(nByteBase + rows.m_arrEnds[i]);
    if (rows.CodeOf(0) != TailCode())
        m_runs.push_back({nBase, rows.CodeOf(0)});
    for (const SRun& run : rows.m_runs)
        if (run.nFirst > 0 && run.code != TailCode())
            m_runs.push_back({nBase + run.nFirst, run.code});
}

void CRowList::Truncate(std::size_t nCount) {
    if (nCount >= Count())
        return;
    m_arrBytes.Truncate(nCount == 0 ? 0 : m_arrEnds[nCount - 1]);
    m_arrEnds.Truncate(nCount);
    DropRunsFrom(nCount);
}

void CRowList::Clear() {
    m_arrBytes.Truncate(0);
    m_arrEnds.Truncate(0);
    m_runs.clear();
    m_code = ETextCode::Ansi;
}

void CRowList::Free() {
    m_arrBytes.Free();
    m_arrEnds.Free();
    std::vector<SRun>().swap(m_runs);
    m_code = ETextCode::Ansi;
}

void CRowList::Swap(CRowList& other) noexcept {
    m_arrBytes.Swap(other.m_arrBytes);
    m_arrEnds.Swap(other.m_arrEnds);
    m_runs.swap(other.m_runs);
    std::swap(m_code, other.m_code);
}

void CRowList::ReserveMore(std::size_t nBytes, std::size_t nRows) noexcept {
    if (nBytes > SIZE_MAX - ByteSize() || nRows > SIZE_MAX - Count())
        return;
    try {
        m_arrBytes.Reserve(ByteSize() + nBytes);
        m_arrEnds.Reserve(Count() + nRows);
    } catch (const std::bad_alloc&) {
        // Only a hint: the rows still grow as they come, or fail then.
    }
}

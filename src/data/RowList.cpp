#include "RowList.h"

#include <new>

void CRowList::AppendAll(const CRowList& rows) {
    if (rows.Empty())
        return;
    m_arrBytes.Grow(rows.ByteSize());
    m_arrEnds.Grow(rows.Count());
    const std::size_t nBase = m_arrBytes.Size();
    m_arrBytes.Append(rows.m_arrBytes.Data(), rows.ByteSize());
    for (std::size_t i = 0; i < rows.Count(); ++i)
        m_arrEnds.PushBack(nBase + rows.m_arrEnds[i]);
}

void CRowList::Truncate(std::size_t nCount) {
    if (nCount >= Count())
        return;
    m_arrBytes.Truncate(nCount == 0 ? 0 : m_arrEnds[nCount - 1]);
    m_arrEnds.Truncate(nCount);
}

void CRowList::Clear() {
    m_arrBytes.Truncate(0);
    m_arrEnds.Truncate(0);
}

void CRowList::Free() {
    m_arrBytes.Free();
    m_arrEnds.Free();
}

void CRowList::Swap(CRowList& other) noexcept {
    m_arrBytes.Swap(other.m_arrBytes);
    m_arrEnds.Swap(other.m_arrEnds);
}

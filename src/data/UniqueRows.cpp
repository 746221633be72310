#include "UniqueRows.h"

#include <functional>

namespace {
std::size_t HashOf(std::string_view text) {
    return std::hash<std::string_view>{}(text);
}
} // namespace

bool CUniqueRows::Add(std::string_view text) {
    // Keep the table at most half full so probe runs stay short.
    if ((m_rows.Count() + 1) * 2 > m_arrSlots.Size())
        Rehash(m_arrSlots.Size() == 0 ? 1024 : m_arrSlots.Size() * 2);
    std::size_t nSlot = SlotOf(HashOf(text));
    while (m_arrSlots[nSlot] != kNoRow) {
        if (m_rows.Row(m_arrSlots[nSlot]) == text)
            return false;
        nSlot = (nSlot + 1) & (m_arrSlots.Size() - 1);
    }
    m_rows.Append(text); // may throw; the slot is taken only once the row is in
    m_arrSlots[nSlot] = m_rows.Count() - 1;
    return true;
}

void CUniqueRows::Rehash(std::size_t nSlots) {
    CPodArray<std::size_t> arrSlots;
    arrSlots.Reserve(nSlots);
    for (std::size_t i = 0; i < nSlots; ++i)
        arrSlots.PushBack(kNoRow);
    const std::size_t nMask = nSlots - 1;
    for (std::size_t nRow = 0; nRow < m_rows.Count(); ++nRow) {
        std::size_t nSlot = HashOf(m_rows.Row(nRow)) & nMask;
        while (arrSlots[nSlot] != kNoRow)
            nSlot = (nSlot + 1) & nMask;
        arrSlots[nSlot] = nRow;
    }
    m_arrSlots.Swap(arrSlots);
}

CRowList CUniqueRows::TakeRows() {
    CRowList rows;
    rows.Swap(m_rows);
    m_arrSlots.Free();
    return rows;
}

void CUniqueRows::Clear() {
    if (m_rows.Empty() && m_arrSlots.Size() == 0)
        return;
    m_rows.Free();
    m_arrSlots.Free();
}

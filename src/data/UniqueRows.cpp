#include "UniqueRows.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>

std::uint64_t CUniqueRows::HashOf(std::string_view text) {
    std::uint64_t nHash = std::hash<std::string_view>{}(text);
    // std::hash gives 32 bits on a 32-bit build; spread them over 64 for the tag.
    if constexpr (sizeof(std::size_t) < 8)
        nHash = (nHash * 0x9E3779B97F4A7C15ull) ^ (nHash << 32);
    return nHash;
}

void CUniqueRows::GrowFor(std::size_t nRows) {
    // Keep the table at most half full so probe runs stay short.
    std::size_t nSlots = m_arrSlots.Size() == 0 ? 1024 : m_arrSlots.Size();
    while (nRows > nSlots / 2) {
        if (nSlots > (std::size_t(-1) >> 2) / sizeof(SSlot))
            throw std::bad_alloc();
        nSlots *= 2;
    }
    if (nSlots != m_arrSlots.Size())
        Rehash(nSlots);
}

void CUniqueRows::Reserve(std::size_t nRows) {
    GrowFor(nRows);
}

bool CUniqueRows::Add(std::string_view text) {
    return AddHashed(text, HashOf(text));
}

bool CUniqueRows::AddHashed(std::string_view text, std::uint64_t nHash) {
    if (text.size() > kMaxLength)
        throw std::bad_alloc();
    GrowFor(m_rows.Count() + 1);
    const std::uint64_t nKey = KeyOf(nHash, text.size());
    const std::size_t nMask = m_arrSlots.Size() - 1;
    std::size_t nSlot = SlotOf(nHash);
    for (; m_arrSlots[nSlot].nKey != 0; nSlot = (nSlot + 1) & nMask) {
        const SSlot& slot = m_arrSlots[nSlot];
        if (slot.nKey == nKey && std::string_view(KeptBytes(slot), text.size()) == text)
            return false;
    }
    const std::size_t nOffset = m_rows.ByteSize();
    m_rows.Append(text); // may throw; the slot is taken only once the row is in
    m_arrSlots[nSlot] = SSlot{nOffset, nKey};
    return true;
}

void CUniqueRows::AddAll(const CRowList& rows) {
    // Three passes over a group of rows: fetch their home slots, then the kept
    // bytes those slots point to, then look each row up, by then mostly in cache.
    constexpr std::size_t kGroup = 16;
    std::uint64_t arrHash[kGroup];
    for (std::size_t nFirst = 0; nFirst < rows.Count(); nFirst += kGroup) {
        const std::size_t nGroup = std::min(kGroup, rows.Count() - nFirst);
        GrowFor(m_rows.Count() + nGroup); // the slots fetched below stay where they are
        for (std::size_t i = 0; i < nGroup; ++i) {
            arrHash[i] = HashOf(rows.Row(nFirst + i));
            __builtin_prefetch(&m_arrSlots[SlotOf(arrHash[i])]);
        }
        for (std::size_t i = 0; i < nGroup; ++i) {
            const SSlot& slot = m_arrSlots[SlotOf(arrHash[i])];
            if (slot.nKey == KeyOf(arrHash[i], rows.Row(nFirst + i).size())) {
                __builtin_prefetch(KeptBytes(slot));
                // The second cache line; by address, as the rows may hold no bytes at all.
                __builtin_prefetch(reinterpret_cast<const void*>(
                    reinterpret_cast<std::uintptr_t>(KeptBytes(slot)) + 64));
            }
        }
        for (std::size_t i = 0; i < nGroup; ++i)
            AddHashed(rows.Row(nFirst + i), arrHash[i]);
    }
}

void CUniqueRows::Rehash(std::size_t nSlots) {
    CPodArray<SSlot> arrSlots;
    arrSlots.Reserve(nSlots);
    for (std::size_t i = 0; i < nSlots; ++i)
        arrSlots.PushBack(SSlot{0, 0});
    const std::size_t nMask = nSlots - 1;
    for (std::size_t nRow = 0; nRow < m_rows.Count(); ++nRow) {
        const std::string_view text = m_rows.Row(nRow);
        const std::uint64_t nHash = HashOf(text);
        std::size_t nSlot = static_cast<std::size_t>(nHash) & nMask;
        while (arrSlots[nSlot].nKey != 0)
            nSlot = (nSlot + 1) & nMask;
        arrSlots[nSlot] = SSlot{static_cast<std::uint64_t>(text.data() - m_rows.Bytes()),
                                KeyOf(nHash, text.size())};
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

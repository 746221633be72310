#pragma once
// The member functions of CUniqueRowsT, for the product's hash (instantiated
// once in UniqueRows.cpp) and for the tests' own.

#include "jobs/UniqueRows.h"

#include <algorithm>
#include <new>

template <std::uint64_t (*pfnHash)(std::string_view)>
std::size_t CUniqueRowsT<pfnHash>::LeastSlotsFor(std::size_t nRows) {
    // At most 70% full, so that probe runs stay short. Slots are named by 32 bits.
    if (nRows > (UINT32_MAX - 1024) / 10 * 7)
        throw std::bad_alloc();
    return nRows / 7 * 10 + 1024;
}

template <std::uint64_t (*pfnHash)(std::string_view)>
std::size_t CUniqueRowsT<pfnHash>::SlotsFor(std::size_t nRows) const {
    const std::size_t nLeast = LeastSlotsFor(nRows);
    std::size_t nSlots = m_arrSlots.Size();
    if (nSlots == 0)
        return nLeast;
    // A table that grows doubles, so that the rows are moved a few times only.
    while (nSlots < nLeast)
        nSlots = nSlots > UINT32_MAX / 2 ? nLeast : nSlots * 2;
    return nSlots;
}

template <std::uint64_t (*pfnHash)(std::string_view)>
void CUniqueRowsT<pfnHash>::GrowFor(const CRowList& rows, std::size_t nRows) {
    const std::size_t nSlots = SlotsFor(nRows);
    if (nSlots != m_arrSlots.Size())
        Rehash(rows, nSlots);
}

template <std::uint64_t (*pfnHash)(std::string_view)>
void CUniqueRowsT<pfnHash>::Reserve(const CRowList& kept, std::size_t nRows) {
    const std::size_t nSlots = LeastSlotsFor(std::max(nRows, m_nKept));
    if (nSlots > m_arrSlots.Size())
        Rehash(kept, nSlots);
}

template <std::uint64_t (*pfnHash)(std::string_view)>
void CUniqueRowsT<pfnHash>::Reserve(std::size_t nRows) {
    // With nothing kept there is nothing to move into the larger table.
    const std::size_t nSlots = SlotsFor(nRows);
    if (m_nKept == 0 && nSlots != m_arrSlots.Size())
        m_arrSlots.AssignZeroed(nSlots);
}

template <std::uint64_t (*pfnHash)(std::string_view)>
template <typename Keep>
bool CUniqueRowsT<pfnHash>::AddHashed(std::string_view text, std::uint64_t nHash,
                                      const CRowList& kept, Keep&& keep) {
    const std::uint32_t nTag = TagOf(nHash);
    std::size_t nSlot = SlotOf(nHash);
    for (; m_arrSlots[nSlot].nTag != 0; nSlot = NextSlot(nSlot)) {
        const SSlot& slot = m_arrSlots[nSlot];
        if (slot.nTag == nTag && kept.Row(slot.nRow) == text)
            return false;
    }
    // Kept before the slot is taken, so that a keep that fails leaves the index as it was.
    m_arrSlots[nSlot] = SSlot{static_cast<std::uint32_t>(keep()), nTag};
    ++m_nKept;
    return true;
}

template <std::uint64_t (*pfnHash)(std::string_view)>
template <typename Keep>
std::size_t CUniqueRowsT<pfnHash>::AddGroups(const CRowList& rows, std::size_t nFirst,
                                             std::size_t nEnd, const CRowList& kept, Keep&& keep) {
    // Three passes over a group of rows: fetch their home slots, then the kept
    // bytes those slots point to, then look each row up, by then mostly in cache.
    constexpr std::size_t kGroup = 16;
    // Kept rows are named by a 32-bit index; the row figure never counts further.
    if constexpr (sizeof(std::size_t) > sizeof(std::uint32_t))
        if (nEnd > UINT32_MAX || kept.Count() + (nEnd - nFirst) > UINT32_MAX)
            throw std::bad_alloc();
    std::uint64_t arrHash[kGroup];
    std::size_t nKept = 0;
    for (std::size_t nGroupFirst = nFirst; nGroupFirst < nEnd; nGroupFirst += kGroup) {
        const std::size_t nGroup = std::min(kGroup, nEnd - nGroupFirst);
        GrowFor(kept, m_nKept + nGroup); // the slots fetched below stay where they are
        for (std::size_t i = 0; i < nGroup; ++i) {
            arrHash[i] = pfnHash(rows.Row(nGroupFirst + i));
            __builtin_prefetch(&m_arrSlots[SlotOf(arrHash[i])]);
        }
        for (std::size_t i = 0; i < nGroup; ++i) {
            const SSlot& slot = m_arrSlots[SlotOf(arrHash[i])];
            if (slot.nTag == TagOf(arrHash[i])) {
                // The kept bytes, and their second cache line too, by address, which
                // may lie past the row's end.
                const char* pKeptBytes = kept.Row(slot.nRow).data();
                __builtin_prefetch(pKeptBytes);
                __builtin_prefetch(reinterpret_cast<const void*>(
                    reinterpret_cast<std::uintptr_t>(pKeptBytes) + 64));
            }
        }
        for (std::size_t i = 0; i < nGroup; ++i) {
            const std::size_t nRow = nGroupFirst + i;
            if (AddHashed(rows.Row(nRow), arrHash[i], kept, [&] { return keep(nRow); }))
                ++nKept;
        }
    }
    return nKept;
}

template <std::uint64_t (*pfnHash)(std::string_view)>
std::size_t CUniqueRowsT<pfnHash>::AddAll(const CRowList& rows, std::size_t nFirst,
                                          std::size_t nEnd, std::uint32_t* pKept) {
    std::size_t nKept = 0;
    return AddGroups(rows, nFirst, nEnd, rows, [&](std::size_t nRow) {
        pKept[nKept++] = static_cast<std::uint32_t>(nRow);
        return nRow;
    });
}

template <std::uint64_t (*pfnHash)(std::string_view)>
std::size_t CUniqueRowsT<pfnHash>::CopyNewInto(const CRowList& rows, CRowList& store) {
    return AddGroups(rows, 0, rows.Count(), store, [&](std::size_t nRow) {
        store.Append(rows.Row(nRow));
        return store.Count() - 1;
    });
}

template <std::uint64_t (*pfnHash)(std::string_view)>
void CUniqueRowsT<pfnHash>::Rehash(const CRowList& rows, std::size_t nSlots) {
    CPodArray<SSlot> arrSlots;
    arrSlots.AssignZeroed(nSlots);
    arrSlots.Swap(m_arrSlots); // the slots are found in the new table from here on
    for (std::size_t nOld = 0; nOld < arrSlots.Size(); ++nOld) {
        const SSlot& slot = arrSlots[nOld];
        if (slot.nTag == 0)
            continue;
        std::size_t nSlot = SlotOf(pfnHash(rows.Row(slot.nRow)));
        while (m_arrSlots[nSlot].nTag != 0)
            nSlot = NextSlot(nSlot);
        m_arrSlots[nSlot] = slot;
    }
}

template <std::uint64_t (*pfnHash)(std::string_view)> void CUniqueRowsT<pfnHash>::Clear() {
    m_nKept = 0;
    m_arrSlots.Free();
}

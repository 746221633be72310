#pragma once
// The unique-URL collection: which rows of a list are the first of their text,
// in the order they were met. A hash index over those rows answers "seen
// before?" in constant time, so a million rows take one pass instead of a
// comparison with every kept text. Equality is exact byte equality.
//
// The index refers to the rows by their index in the list, so it copies
// nothing; the list must keep its rows, but for rows appended at its end, from
// the first call after Clear to the next Clear.

#include "rows/PodArray.h"
#include "rows/RowList.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// The hash of a row text that the collection uses: a multiply-and-fold hash
// over 16 bytes a step.
std::uint64_t RowHash(std::string_view text);

// The collection over a given hash; tests give it one that collides on purpose.
template <std::uint64_t (*pfnHash)(std::string_view)> class CUniqueRowsT {
public:
    // Sizes the index for nRows kept rows at once, so that adding them never rebuilds it.
    void Reserve(std::size_t nRows);
    // The same once rows are kept: those, which lie in kept, move into the larger index.
    void Reserve(const CRowList& kept, std::size_t nRows);
    // Looks rows [nFirst, nEnd) of rows up, in order. Each that is the first of
    // its text is kept, and its index goes to pKept, which has room for one per
    // row. Returns how many were kept. While a group of rows is looked up, the
    // index slots and kept texts of the next are fetched from memory.
    std::size_t AddAll(const CRowList& rows, std::size_t nFirst, std::size_t nEnd,
                       std::uint32_t* pKept);
    // The same for rows that go once looked up: each that is the first of its text is
    // copied to the end of store, which holds every row kept since Clear and only those,
    // and the index refers to the copy. Returns how many were kept.
    std::size_t CopyNewInto(const CRowList& rows, CRowList& store);
    // Rows kept since Clear.
    std::size_t Count() const { return m_nKept; }
    // Forgets every kept row and releases the index.
    void Clear();

private:
    // A slot names a kept row and holds the top bits of its hash (0: the slot is
    // empty), so that most texts that differ are told apart without reading the kept
    // row; eight bytes a slot keep the index small beside the rows.
    struct SSlot {
        std::uint32_t nRow;
        std::uint32_t nTag;
    };
    static std::uint32_t TagOf(std::uint64_t nHash) {
        return static_cast<std::uint32_t>(nHash >> 32) | 1u;
    }
    // Looks rows [nFirst, nEnd) up against the kept rows, which lie in kept, in groups;
    // keep(i) keeps row i of rows and returns its index in kept.
    template <typename Keep>
    std::size_t AddGroups(const CRowList& rows, std::size_t nFirst, std::size_t nEnd,
                          const CRowList& kept, Keep&& keep);
    // Keeps text unless an equal one is kept already; true when it was kept.
    template <typename Keep>
    bool AddHashed(std::string_view text, std::uint64_t nHash, const CRowList& kept, Keep&& keep);
    // The low half of the hash scaled to the table, whatever its size; the tag is the high half.
    std::size_t SlotOf(std::uint64_t nHash) const {
        return static_cast<std::size_t>(((nHash & UINT32_MAX) * m_arrSlots.Size()) >> 32);
    }
    std::size_t NextSlot(std::size_t nSlot) const {
        return nSlot + 1 == m_arrSlots.Size() ? 0 : nSlot + 1;
    }
    // The table size that holds nRows kept rows, never less than the present one.
    std::size_t SlotsFor(std::size_t nRows) const;
    // The least table size that holds nRows kept rows.
    static std::size_t LeastSlotsFor(std::size_t nRows);
    void GrowFor(const CRowList& rows, std::size_t nRows);
    void Rehash(const CRowList& rows, std::size_t nSlots);

    CPodArray<SSlot> m_arrSlots;
    std::size_t m_nKept = 0;
};

using CUniqueRows = CUniqueRowsT<RowHash>;
extern template class CUniqueRowsT<RowHash>;

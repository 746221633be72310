#pragma once
// The unique-URL collection: the distinct row texts met so far, in the order
// they were first met. A hash index over the kept rows answers "seen before?"
// in constant time, so a million rows take one pass instead of a comparison
// with every kept text. Equality is exact byte equality.

#include "PodArray.h"
#include "RowList.h"

#include <cstddef>
#include <string_view>

class CUniqueRows {
public:
    // Keeps text unless an equal text is kept already; true when it was kept.
    bool Add(std::string_view text);
    std::size_t Count() const { return m_rows.Count(); }
    const CRowList& Rows() const { return m_rows; }
    // Hands the kept rows over and leaves the collection empty.
    CRowList TakeRows();
    // Destroys every kept text and releases the storage; an empty collection is left alone.
    void Clear();

private:
    static constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);
    void Rehash(std::size_t nSlots);
    std::size_t SlotOf(std::size_t nHash) const { return nHash & (m_arrSlots.Size() - 1); }

    CRowList m_rows;
    CPodArray<std::size_t> m_arrSlots; // row index per slot, kNoRow where empty
};

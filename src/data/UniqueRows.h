#pragma once
// The unique-URL collection: the distinct row texts met so far, in the order
// they were first met. A hash index over the kept rows answers "seen before?"
// in constant time, so a million rows take one pass instead of a comparison
// with every kept text. Equality is exact byte equality.

#include "PodArray.h"
#include "RowList.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

class CUniqueRows {
public:
    // Sizes the index for nRows texts at once, so that adding them never rebuilds it.
    void Reserve(std::size_t nRows);
    // Keeps text unless an equal text is kept already; true when it was kept.
    bool Add(std::string_view text);
    // Adds every row of rows, in order. Faster than one Add at a time: the index
    // slots of the next rows are fetched from memory while the current one is looked up.
    void AddAll(const CRowList& rows);
    std::size_t Count() const { return m_rows.Count(); }
    const CRowList& Rows() const { return m_rows; }
    // Hands the kept rows over and leaves the collection empty.
    CRowList TakeRows();
    // Destroys every kept text and releases the storage; an empty collection is left alone.
    void Clear();

private:
    // A slot says where a kept text starts among the kept bytes, and holds its
    // length plus one (0: the slot is empty) under the top bits of its hash, so
    // that most texts that differ are told apart without reading the kept bytes.
    struct SSlot {
        std::uint64_t nOffset;
        std::uint64_t nKey;
    };
    static constexpr int kLengthBits = 40;
    static constexpr std::uint64_t kMaxLength = (std::uint64_t(1) << kLengthBits) - 2;

    static std::uint64_t HashOf(std::string_view text);
    static std::uint64_t KeyOf(std::uint64_t nHash, std::size_t nLength) {
        return (nHash >> kLengthBits << kLengthBits) | (nLength + 1);
    }
    bool AddHashed(std::string_view text, std::uint64_t nHash);
    const char* KeptBytes(const SSlot& slot) const { return m_rows.Bytes() + slot.nOffset; }
    void Rehash(std::size_t nSlots);
    std::size_t SlotOf(std::uint64_t nHash) const {
        return static_cast<std::size_t>(nHash) & (m_arrSlots.Size() - 1);
    }
    void GrowFor(std::size_t nRows);

    CRowList m_rows;
    CPodArray<SSlot> m_arrSlots;
};

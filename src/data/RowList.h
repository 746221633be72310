#pragma once
// The rows of one list (the input list or the output list) as bytes: one
// growing buffer and the offset where each row ends. Rows are appended at the
// end and the list is emptied as a whole; nothing is ever inserted, sorted or
// transcoded, so the bytes read are the bytes written.

#include "PodArray.h"

#include <cstddef>
#include <string_view>

class CRowList {
public:
    std::size_t Count() const { return m_arrEnds.Size(); }
    bool Empty() const { return m_arrEnds.Empty(); }
    // Bytes held by all rows together.
    std::size_t ByteSize() const { return m_arrBytes.Size(); }
    // All rows' bytes, one after the other.
    const char* Bytes() const { return m_arrBytes.Data(); }

    std::string_view Row(std::size_t i) const {
        const std::size_t nBegin = i == 0 ? 0 : m_arrEnds[i - 1];
        return {m_arrBytes.Data() + nBegin, m_arrEnds[i] - nBegin};
    }

    void Append(std::string_view text) {
        // Both arrays grow before either changes, so a failed allocation leaves the list as it was.
        m_arrBytes.Grow(text.size());
        m_arrEnds.Grow(1);
        m_arrBytes.Append(text.data(), text.size());
        m_arrEnds.PushBack(m_arrBytes.Size());
    }
    // Appends every row of another list, in order.
    void AppendAll(const CRowList& rows);

    // Takes back the rows from index nCount on.
    void Truncate(std::size_t nCount);
    // Empties the list but keeps its storage for the next rows.
    void Clear();
    // Empties the list and gives its storage back.
    void Free();
    void Swap(CRowList& other) noexcept;

private:
    CPodArray<char> m_arrBytes;
    CPodArray<std::size_t> m_arrEnds;
};

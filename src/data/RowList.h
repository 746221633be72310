#pragma once
// The rows of one list (the input list or the output list) as bytes: one
// growing buffer and the offset where each row ends. Rows are appended at the
// end and the list is emptied as a whole; nothing is ever inserted, sorted or
// transcoded, so the bytes read are the bytes written. Each row also carries
// the text code of the data file it came from, kept as runs of rows that share
// one, so a list of one file's rows holds a single run or none.

#include "PodArray.h"
#include "TextCode.h"

#include <cstddef>
#include <string_view>
#include <vector>

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
        // Both arrays grow, and the run starts, before either array changes, so a failed
        // allocation leaves the list as it was.
        m_arrBytes.Grow(text.size());
        m_arrEnds.Grow(1);
        if (m_code != TailCode())
            StartRun(m_code);
        m_arrBytes.Append(text.data(), text.size());
        m_arrEnds.PushBack(m_arrBytes.Size());
    }
    // Appends every row of another list, in order, each with its code.
    void AppendAll(const CRowList& rows);
    // Room for nRows more rows of nBytes more bytes, so that appending up to that never
    // moves the rows; only a hint: when the room cannot be had, nothing changes.
    void ReserveMore(std::size_t nBytes, std::size_t nRows) noexcept;

    // The code of the rows that Append adds from now on (ANSI at first).
    void SetCode(ETextCode code) { m_code = code; }
    // Gives rows [nFirst, Count()) the code, and Append's rows after them too.
    void SetCodeFrom(std::size_t nFirst, ETextCode code);
    ETextCode CodeOf(std::size_t i) const {
        if (m_runs.empty() || i < m_runs.front().nFirst)
            return ETextCode::Ansi;
        if (m_runs.size() == 1)
            return m_runs.front().code;
        return CodeOfSlow(i);
    }
    // True when any row has the code.
    bool Holds(ETextCode code) const;
    // True when every row has one and the same code (so also when there is no row).
    bool HasOneCode() const {
        return m_runs.empty() || (m_runs.size() == 1 && m_runs.front().nFirst == 0);
    }

    // Takes back the rows from index nCount on.
    void Truncate(std::size_t nCount);
    // Empties the list but keeps its storage for the next rows.
    void Clear();
    // Empties the list and gives its storage back.
    void Free();
    void Swap(CRowList& other) noexcept;

private:
    struct SRun {
        std::size_t nFirst; // the first row of the run; it lasts until the next run
        ETextCode code;
    };
    void StartRun(ETextCode code);
    // Forgets the runs that start at nRow or later.
    void DropRunsFrom(std::size_t nRow);
    ETextCode CodeOfSlow(std::size_t i) const;
    // The code of the last run; ANSI when there is none.
    ETextCode TailCode() const { return m_runs.empty() ? ETextCode::Ansi : m_runs.back().code; }

    CPodArray<char> m_arrBytes;
    CPodArray<std::size_t> m_arrEnds;
    std::vector<SRun> m_runs;           // none while every row is ANSI
    ETextCode m_code = ETextCode::Ansi; // for rows that Append adds
};

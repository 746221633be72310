#pragma once
// The rows of one list (the input list, the output list, or a batch on its way
// between them) as bytes. A row is a place and a length in a chunk of memory.
// A chunk's bytes are written once, when a row is read into it, and never move
// or change after that; every list that holds a row of a chunk shares the
// chunk, which goes when the last list holding it lets it go. So the input list
// takes a batch's rows without copying them, and an output list's rows (a
// trimmed row is the start of its input row, a kept row is its input row) lie
// in the input's bytes, and stay valid when the input list is emptied or
// cleared. Rows are appended at the end and a list is emptied as a whole;
// nothing is ever inserted, sorted or transcoded. Each row also carries the
// text code of the data file it came from, kept as runs of rows that share one,
// so a list of one file's rows holds a single run or none.

#include "rows/PodArray.h"
#include "text/TextCode.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

class CRowList {
public:
    CRowList() = default;
    CRowList(CRowList&& other) noexcept { Swap(other); }
    CRowList& operator=(CRowList&& other) noexcept {
        if (this != &other) {
            Free();
            Swap(other);
        }
        return *this;
    }

    std::size_t Count() const { return m_arrStarts.Size(); }
    bool Empty() const { return m_arrStarts.Empty(); }
    // Bytes held by all rows together.
    std::size_t ByteSize() const { return m_nBytes; }
    // The chunks the list keeps alive.
    std::size_t ChunkCount() const { return m_chunks.size(); }

    std::string_view Row(std::size_t i) const { return {m_arrStarts[i], m_arrLengths[i]}; }

    // Appends a copy of text, written into a chunk of the list's own.
    void Append(std::string_view text);
    // Appends text where it lies, a row or the start of a row of source, without a copy;
    // the list then shares the chunk it lies in, and no other.
    void AppendViewOf(const CRowList& source, std::string_view text);
    // Appends from now on into the chunk other appended into last, so that a run of lists
    // filled one after another leaves one chunk partly used, not one each.
    void ContinueChunkOf(CRowList& other);
    // Says that Append adds nothing more to the chunk it writes into: the unused end of it
    // goes back to the system where it was taken as a huge page.
    void EndAppends();
    // Appends every row of another list, in order, each with its code, sharing its chunks.
    void AppendAll(const CRowList& rows);
    // Room for nRows more rows, so that appending up to that never moves the list's
    // places; only a hint: when the room cannot be had, nothing changes.
    void ReserveMore(std::size_t nRows) noexcept;

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
    // Empties the list but keeps its room for the next rows: its places, and the rest of
    // the chunk it writes into. The other chunks it shared are let go.
    void Clear();
    // Empties the list and gives everything back.
    void Free();
    void Swap(CRowList& other) noexcept;

private:
    // Bytes that never move: their block is sized once.
    struct SChunk {
        explicit SChunk(std::size_t nCapacity);
        ~SChunk();
        SChunk(const SChunk&) = delete;
        SChunk& operator=(const SChunk&) = delete;
        char* pBytes;
        std::size_t nCapacity;
        std::size_t nUsed = 0;
    };
    struct SRun {
        std::size_t nFirst; // the first row of the run; it lasts until the next run
        ETextCode code;
    };
    // Room for one more row; the row's code starts a run where it must.
    void MakeRoomForRow(std::size_t nLength);
    // Lets go of the chunks that no row lies in any more, but the one Append writes into;
    // when that needs memory that cannot be had, of none.
    void ReleaseChunksWithoutRows() noexcept;
    void ShareChunksOf(const CRowList& rows);
    // Shares the chunk of source that the byte at p lies in.
    void ShareChunkHolding(const CRowList& source, const char* p);
    // Adds the row; it cannot fail after MakeRoomForRow.
    void PushRow(std::string_view text) {
        m_arrStarts.PushBack(text.data());
        m_arrLengths.PushBack(static_cast<std::uint32_t>(text.size()));
        m_nBytes += text.size();
    }
    void Share(const std::shared_ptr<SChunk>& pChunk);
    void StartRun(ETextCode code);
    // Forgets the runs that start at nRow or later.
    void DropRunsFrom(std::size_t nRow);
    ETextCode CodeOfSlow(std::size_t i) const;
    // The code of the last run; ANSI when there is none.
    ETextCode TailCode() const { return m_runs.empty() ? ETextCode::Ansi : m_runs.back().code; }

    CPodArray<const char*> m_arrStarts;
    CPodArray<std::uint32_t> m_arrLengths;
    std::size_t m_nBytes = 0;
    std::vector<std::shared_ptr<SChunk>> m_chunks; // every chunk a row may lie in
    std::unordered_set<const SChunk*> m_sharedChunks;
    const SChunk* m_pLastShared = nullptr; // AppendViewOf's shortcut: rows come in order
    std::size_t m_nSourceHint = 0;         // where in the source's chunks to look first
    // The chunk Append writes into: made by this list, which alone writes to it, past
    // the bytes of every row already in it.
    std::shared_ptr<SChunk> m_pOwn;
    std::vector<SRun> m_runs;           // none while every row is ANSI
    ETextCode m_code = ETextCode::Ansi; // for rows that Append adds
};

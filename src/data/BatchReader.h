#pragma once
// Reads a byte source and splits it into batches of rows on a helper thread,
// so that reading and splitting the next rows overlaps with storing the last
// batch. Where no thread can be started it reads on the caller's thread.

#include "ByteSource.h"
#include "LineSplitter.h"
#include "RowList.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

class CBatchReader {
public:
    CBatchReader(CByteSource& source, std::size_t nBatchRows, std::size_t nBatchBytes);
    ~CBatchReader();
    CBatchReader(const CBatchReader&) = delete;
    CBatchReader& operator=(const CBatchReader&) = delete;

    // Swaps the next batch into batch (whose old storage is used again for later rows);
    // false at the end of the file or after a read error. Rethrows what the reading threw.
    bool Next(CRowList& batch);
    // True when the rows ended because the source failed to read.
    bool ReadFailed() const { return m_bReadFailed; }

private:
    void Produce();
    // Reads and splits until at least one batch is full or the file has ended.
    void ReadSome();
    void Publish(bool bFinal);

    CByteSource& m_source;
    const std::size_t m_nBatchRows;
    const std::size_t m_nBatchBytes;
    CLineSplitter m_splitter;
    CRowList m_filling;
    CPodArray<char> m_block;
    bool m_bEnded = false;        // no more bytes will be read
    std::size_t m_nPublished = 0; // batches handed over so far

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<CRowList> m_ready; // filled batches, oldest first
    std::deque<CRowList> m_spare; // emptied batches to fill again
    bool m_bDone = false;         // the last batch is in m_ready
    bool m_bStop = false;         // the caller has gone
    bool m_bReadFailed = false;
    std::exception_ptr m_pFailure;
    std::thread m_helper;
};

#pragma once
// Reads a byte source and splits it into batches of rows on a helper thread,
// so that reading and splitting the next rows overlaps with storing the last
// batch. Where no thread can be started it reads on the caller's thread. On
// the way it decides the data's text code by the rule it is given, in the same
// pass: a UTF-8 byte-order mark is taken off the first row, and bytes that
// start as UTF-16 give no rows at all. A batch is handed over when it is full,
// and also when the source has no more bytes at hand, so that rows from a slow
// pipe are not kept back until more arrive.

#include "reading/ByteSource.h"
#include "reading/HelperThread.h"
#include "reading/LineSplitter.h"
#include "rows/RowList.h"
#include "text/TextCodeDecision.h"

#include <cstddef>
#include <deque>
#include <exception>
#include <optional>

class CBatchReader {
public:
    CBatchReader(CByteSource& source, std::size_t nBatchRows, std::size_t nBatchBytes,
                 EEncodingRule rule = EEncodingRule::Auto);
    CBatchReader(const CBatchReader&) = delete;
    CBatchReader& operator=(const CBatchReader&) = delete;

    // Swaps the next batch into batch (whose old storage is used again for later rows);
    // false at the end of the file or after a read error. Rethrows what the reading threw.
    bool Next(CRowList& batch);
    // True when the rows ended because the source failed to read.
    bool ReadFailed() const { return m_bReadFailed; }
    // Once Next has returned false: the code of every row read, and whether the bytes
    // began as UTF-16, which cannot be rows of bytes.
    ETextCode Code() const { return m_code.Code(); }
    bool IsUtf16() const { return m_code.IsUtf16(); }
    // What the rows handed over so far may be searched by, before the end decides their
    // code (CTextCodeDecision::CodeSoFar), as known when the last batch was handed over.
    std::optional<ETextCode> CodeSoFar() const { return m_codeSoFar; }

private:
    void Produce();
    // Reads and splits until at least one batch is full or the file has ended.
    void ReadSome();
    // Reads the first bytes and lets the code decision look at how they begin; the bytes
    // that are text, from nStart on, are then in m_block. False when the source ended or
    // failed there, or the bytes cannot be read as rows.
    bool ReadStart(std::size_t& nRead, std::size_t& nStart);
    void Publish(bool bFinal);

    CByteSource& m_source;
    const std::size_t m_nBatchRows;
    const std::size_t m_nBatchBytes;
    CLineSplitter m_splitter;
    CRowList m_filling;
    CPodArray<char> m_block;
    CTextCodeDecision m_code;
    bool m_bStarted = false;      // the first bytes were looked at
    bool m_bEnded = false;        // no more bytes will be read
    std::size_t m_nPublished = 0; // batches handed over so far

    // Under the helper's lock.
    std::deque<CRowList> m_ready; // filled batches, oldest first
    std::deque<CRowList> m_spare; // emptied batches to fill again
    bool m_bDone = false;         // the last batch is in m_ready
    bool m_bReadFailed = false;
    std::exception_ptr m_pFailure;
    std::optional<ETextCode> m_readyCodeSoFar; // for the batches in m_ready
    std::optional<ETextCode> m_codeSoFar;      // the caller's
    CHelperThread m_helper;                    // last: stopped before the members it uses go
};

#pragma once
// The output of a job that picks whole rows out of a list: the picked rows as a
// list of their own, and the save file that holds them. Both are built on a
// helper thread that follows the picking a batch behind, so that listing and
// writing the rows overlap with the search for them instead of coming after it.
// Where no thread can be started, Finish does that work on the caller's thread.

#include "reading/HelperThread.h"
#include "rows/PodArray.h"
#include "rows/RowList.h"
#include "saving/SaveFile.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>

class CRowGatherer {
public:
    // The source list must stay as it is until Finish returns. bBom: the save file
    // starts with a UTF-8 byte-order mark. Without a target the rows are only gathered.
    // A save file that was not committed is removed when the gatherer goes.
    CRowGatherer(const CRowList& source, std::unique_ptr<CSaveTarget> pTarget, bool bBom);
    CRowGatherer(const CRowGatherer&) = delete;
    CRowGatherer& operator=(const CRowGatherer&) = delete;

    // Where the next picks go, as source row indices: room for one per source row in all.
    std::uint32_t* NextPicks() { return m_arrPicks.Data() + m_nPicked; }
    // The next nCount picks are in place.
    void Publish(std::size_t nCount);
    // Waits until every pick is copied and written, and hands the picked rows
    // over. Rethrows what the helper threw.
    CRowList Finish();
    // Puts the save file in its target's place; false when it could not be written, and
    // then stranded names where the old content is if it could not be put back.
    bool CommitSave(std::filesystem::path& stranded);

private:
    void Follow();
    void Gather(std::size_t nFrom, std::size_t nTo);

    const CRowList& m_source;
    CPodArray<std::uint32_t> m_arrPicks;
    std::size_t m_nPicked = 0; // picks in place; the picking thread's own count

    // Only the helper thread uses these until Finish has joined it.
    CRowList m_rows;
    CSaveFileWriter m_writer;
    const bool m_bBom;
    bool m_bWriting = false; // the save file is created and every write so far went through
    std::exception_ptr m_pFailure;

    // Under the helper's lock.
    std::size_t m_nPublished = 0; // picks the helper may copy
    bool m_bFinished = false;     // no picks will follow
    CHelperThread m_helper;       // last: stopped before the members it uses go
};

#pragma once

#include "AtomicFile.h"
#include "PodArray.h"
#include "RowList.h"

#include <filesystem>
#include <memory>
#include <string_view>

// Writes rows to a save file, each followed by CR LF, through a buffer, so that
// a million short rows cost a few dozen writes. The file replaces its target
// whole on Commit; one that is not committed is removed. A write or a commit
// that fails removes it at once, so that none is left while the user reads
// the failure message.
class CSaveFileWriter {
public:
    explicit CSaveFileWriter(std::unique_ptr<CSaveTarget> pTarget)
        : m_pTarget(std::move(pTarget)) {}

    // bBom: the file starts with a UTF-8 byte-order mark.
    bool Create(bool bBom = false);
    bool WriteRow(std::string_view row);
    // False when the file could not be put in place; then pStranded, if given, is set
    // to where the old content is when it could not be put back (else empty).
    bool Commit(std::filesystem::path* pStranded = nullptr);

private:
    bool Flush();
    // Removes the file at once; false, for the caller to return.
    bool Fail();

    std::unique_ptr<CSaveTarget> m_pTarget;
    CPodArray<char> m_buffer;
};

// Writes every row followed by CR LF to the save file, replacing its whole
// content in one step; false when it could not, and then the file is as it was,
// or, in the rare case that the old file could not be put back, its content is
// in the file that pStranded is set to.
bool WriteSaveFile(std::unique_ptr<CSaveTarget> pTarget, const CRowList& rows, bool bBom,
                   std::filesystem::path* pStranded = nullptr);
// The same into the file at path, without a byte-order mark.
bool WriteSaveFile(const std::filesystem::path& path, const CRowList& rows);

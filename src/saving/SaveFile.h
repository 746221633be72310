#pragma once

#include "rows/PodArray.h"
#include "rows/RowList.h"
#include "saving/AtomicFile.h"
#include "text/TextCode.h"

#include <cstddef>
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

    // False for a writer given no target, which writes nothing.
    bool HasTarget() const { return m_pTarget != nullptr; }
    // bBom: the file starts with a UTF-8 byte-order mark.
    bool Create(bool bBom = false);
    bool WriteRow(std::string_view row);
    // Hands the rows written so far on to the target's reader, where one waits (a stream).
    bool Deliver();
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

// How a save file's bytes are written. Rows that share one code go out as they
// are. Rows of several codes go out as UTF-8, the ANSI ones converted, since a
// file of both would be neither. The file starts with a UTF-8 byte-order mark
// when any row came from a data file that began with one, or, holding no rows,
// when the data file last loaded did.
struct SSaveCode {
    bool bBom = false;
    bool bAnsiToUtf8 = false;
};
SSaveCode SaveCodeOf(const CRowList& rows, ETextCode loadedCode);
// The same for rows that all come from one data file, of the code given.
SSaveCode SaveCodeOf(ETextCode code);

// Why a save failed, where that is more than "could not write".
struct SSaveFailure {
    static constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);
    // Where the old content is when it could not be put back under the target's name.
    std::filesystem::path stranded;
    // The row whose ANSI bytes could not be converted to UTF-8.
    std::size_t nUnconvertibleRow = kNoRow;
};

// Writes every row followed by CR LF to the save file, by SaveCodeOf, replacing
// its whole content in one step; false when it could not, and then the file is
// as it was, and pFailure (if given) says why where it can.
bool WriteSaveFile(std::unique_ptr<CSaveTarget> pTarget, const CRowList& rows, ETextCode loadedCode,
                   SSaveFailure* pFailure = nullptr);

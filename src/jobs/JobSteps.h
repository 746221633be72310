#pragma once
// Steps that the trim job and the duplicate-removal job share.

#include "Jobs.h"

#include "saving/SaveFile.h"

#include <filesystem>
#include <functional>
#include <new>
#include <string_view>

// How many rows the duplicate removal looks up before it hands the kept ones over to be
// gathered and saved.
inline constexpr std::size_t kBatchRows = 4096;

// Reads the save path field. False when the job ends here: the field is empty,
// or the input list stands emptied by a data file choice with no load since
// (either message is shown), or the field names a data file chosen in this run
// and the user declines to overwrite it.
bool AcceptSavePath(CToolForm& form, std::filesystem::path& savePath);
// The parts of it for a job that reads its data file itself: the field read, false when
// it is empty (the message is shown); and false when the user declines to overwrite a
// data file chosen in this run or the result of another one.
bool ReadSavePath(CToolForm& form, std::filesystem::path& savePath);
bool MayOverwrite(CToolForm& form, const std::filesystem::path& savePath);

// Runs save, which writes the save file and says whether it could (and, when it
// could not, why, where it knows), then tells the user: strDone, or the save
// failure message with the path, or that memory ran out. On a failure, undo runs
// first, so that the user sees the lists as they were before the job while the
// message is up.
using SaveFn = std::function<bool(SSaveFailure& failure)>;
EJobResult SaveAndReport(CToolForm& form, const std::filesystem::path& savePath,
                         std::string_view strDone, const SaveFn& save,
                         const std::function<void()>& undo = {});

// A failure message followed by a line break and the path concerned.
void ReportWithPath(CToolForm& form, const char* pszMessage, const std::filesystem::path& path);

// What a load that read rows of the code says when it is done.
const char* LoadDoneMessage(ETextCode code);

// How many rows the source holds, guessed a little high from its size and its first rows,
// so that room for them all can be made at once; 0 where its size is not known.
std::size_t RowsGuess(const CByteSource& source, const CRowList& firstRows);

// The message for a job that ran out of memory.
void ReportOutOfMemory(CToolForm& form);

// The message for a job that ended by a fault of its own: the read or save failure text
// with the path of failFile.
void ReportFault(CToolForm& form, EJobFile file);

// Runs run as RunJob runs a job: nothing it throws unwinds into the caller, and failFile
// is named when it ends by a fault of its own. Nothing is allocated on the way in.
template <typename Run> EJobResult RunGuarded(CToolForm& form, EJobFile failFile, Run&& run) {
    try {
        try {
            return run();
        } catch (const std::bad_alloc&) {
            ReportOutOfMemory(form);
        } catch (...) {
            ReportFault(form, failFile);
        }
    } catch (...) {
        // Not even the message could be shown; the caller must still go on cleanly.
    }
    return EJobResult::Failed;
}

// The body of a worker entry: runs the job on the form behind the untyped argument.
unsigned RunAsWorker(void* pForm, const SJobKind& job);

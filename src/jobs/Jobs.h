#pragma once
// The jobs. Each worker entry takes the form (a CToolForm*, passed as
// the untyped worker argument), runs its job to the end and returns 0. The
// Run functions do the same work and say how it ended, for callers that wait.

#include "form/Texts.h"
#include "form/ToolForm.h"
#include "reading/ByteSource.h"

#include <climits>
#include <cstddef>
#include <filesystem>

enum class EJobResult {
    Completed, // the job's completion message was shown
    Stopped,   // stopped before changing anything: no save path, or overwriting declined
    // Its failure message was shown. The lists are as before the job, but for a duplicate
    // removal whose save failed: its output list already holds the kept rows, which a retry
    // gives again.
    Failed,
};

unsigned LoadThreadProc(void* pForm);
unsigned ConvertThreadProc(void* pForm);
unsigned DedupThreadProc(void* pForm);

EJobResult RunLoadJob(CToolForm& form);
EJobResult RunConvertJob(CToolForm& form);
EJobResult RunDedupJob(CToolForm& form);

// The row figure is a signed 32-bit index, so a data file has at most INT_MAX rows.
inline constexpr std::size_t kMaxRows = INT_MAX;

// Reads a data file's bytes from source into the input list and sets the row figure and
// the loaded code; path only names the file in messages.
EJobResult LoadRows(CToolForm& form, CByteSource& source, const std::filesystem::path& path);

// Which file a job works towards, for the message when it ends by a fault of its own.
enum class EJobFile { Data, Save };

// What the window, kelvane-cli, the tests and the bench know of a job. The load comes
// first: the other jobs work on the rows it loaded.
struct SJobKind {
    const char* pszName; // kelvane-cli's name for it
    EJobResult (*pfnRun)(CToolForm& form);
    unsigned (*pfnWorker)(void* pForm); // the worker entry the window starts
    EJobFile failFile;                  // named when it ends by a fault of its own
    const char* pszDone;                // its completion message
    // Its start puts the progress bar at 0 with the range 0 .. the row figure.
    bool bProgress = false;
};
// Runs a job to its end. Nothing it throws unwinds into the caller, and none ends
// unseen: running out of memory is reported as such, anything else as a failure
// to read the data file or to write the save file, and the job has then Failed.
EJobResult RunJob(CToolForm& form, const SJobKind& job);

// Everything else that knows the jobs (the window's buttons, kelvane-cli's names and
// texts, the tests and the bench) is derived from this table; the load stays first.
enum EJobId : std::size_t { kLoadJob, kConvertJob, kDedupJob, kJobCount };
inline constexpr SJobKind kJobs[kJobCount] = {
    {"load", RunLoadJob, LoadThreadProc, EJobFile::Data, texts::kLoadDone},
    {"trim", RunConvertJob, ConvertThreadProc, EJobFile::Save, texts::kConvertDone, true},
    {"dedup", RunDedupJob, DedupThreadProc, EJobFile::Save, texts::kDedupDone},
};

#pragma once
// The three jobs. Each worker entry takes the form (a CToolForm*, passed as
// the untyped worker argument), runs its job to the end and returns 0. The
// Run functions do the same work and say how it ended, for callers that wait.

#include "data/ByteSource.h"
#include "data/ToolForm.h"

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

// Reads the data file at path into the input list and sets the row figure.
EJobResult LoadDataFile(CToolForm& form, const std::filesystem::path& path);
// The same from any source of bytes; path only names the file in messages. On
// completion, pCode (if given) is the text code that the load decided.
EJobResult LoadRows(CToolForm& form, CByteSource& source, const std::filesystem::path& path,
                    ETextCode* pCode = nullptr);

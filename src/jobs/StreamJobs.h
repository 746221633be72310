#pragma once
// kelvane-cli's way of running the trim and the duplicate removal, as a filter
// does: the data file is read, searched and written a batch at a time, each
// batch's memory used again for the next, by the rules the window's jobs
// follow. Memory then holds a few batches, and for a duplicate removal a copy
// of each kept row with its index, rather than the whole file; a stream gets
// the rows as their batch is done. The one exception is a data file that the
// Auto rule may yet read as UTF-8 (valid UTF-8 so far, without a byte-order
// mark, with a character beyond ASCII): its trimmed rows depend on a code that
// only the file's end decides, so its rows are held until then.

#include "Jobs.h"

#include <cstddef>

struct SStreamCounts {
    std::size_t nIn = 0;     // rows read
    std::size_t nOut = 0;    // rows written
    bool bReadWhole = false; // the data file was read to its end: the first message says so
};

// Runs the job (kConvertJob or kDedupJob) from the form's data file to its save path, as
// RunJob runs one: it says how it ended, and the form is told what a load followed by the
// job would have said. The load's completion is said once the data file has been read
// to its end, before the save is put in place; on a failure the save file stays as it
// was, while what a stream got stays there.
EJobResult StreamJob(CToolForm& form, EJobId job, SStreamCounts& counts);

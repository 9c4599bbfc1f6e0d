#pragma once

#include "BatchPoint.h"
#include "Journal.h"

#include <QSqlDatabase>

#include <optional>

namespace vxr {

// A run taken up again (vxrimp import --resume): the store's newest
// journaled run, when it stopped before its end (killed: 'interrupted';
// ended by a lost connection or a failed commit: 'failed'; or 'cancelled')
// with at least one batch committed, goes on from the first line after its
// last committed batch, in the same run.
struct ResumePlan
{
    qint64 runId = 0;
    int batchesBefore = 0; // the run's highest batch number so far
    BatchPoint point;      // of its last committed batch
};

// The plan for taking up the store's newest run with the text file and the
// set-up of now, read from a settled journal; nullopt with why in *refusal
// when there is none: no run, a run that finished, is going on or was
// undone, nothing of it committed, another text file (its size and SHA-256
// are compared) or another table or set-up (its mapping and options; the
// file's path and the connection are not compared).
std::optional<ResumePlan> planResume(const QSqlDatabase &journal, const JournalRunStart &now, QString *refusal);

} // namespace vxr

#pragma once

#include <QString>

namespace vxr {

struct HistoryResult;
struct JournalRun;
struct UndoOutcome;

// The question asked before a run is taken back, from its dry run: how many
// rows of which tables go, and how many get back the values the run
// overwrote.
QString undoQuestion(const UndoOutcome &dryRun);

// What the history window says of a task's result, in a sentence or a few
// lines: what the undo did or would do, why it was refused or failed.
QString historyResultText(const HistoryResult &result);

// A journal time (ISO 8601 UTC) as the operator's local time.
QString localRunTime(const QString &journalTime);

// A run's outcome as the history lists it ("finished", "killed", ...).
QString runOutcomeWord(const JournalRun &run);

} // namespace vxr

#pragma once

#include "Undo.h"

#include <QString>

namespace vxr {

// The outcome as the command line prints it and the wizard shows it: what
// the undo did (or would do) per table, or the conflicts one per line.
QString undoOutcomeText(const UndoOutcome &outcome);

// The conflict list's file beside the journal: <journal>.run<ID>-conflicts.csv.
QString conflictListPath(const QString &journalPath, qint64 runId);

// Writes the conflicts as CSV (Table,Key,Column,Written,Now; fields quoted
// where they need it), replacing the file; false with *error when it cannot.
bool writeConflictList(const QString &path, const QList<UndoConflict> &conflicts, QString *error);

} // namespace vxr

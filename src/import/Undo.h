#pragma once

#include "UndoChecks.h"
#include "UndoPlan.h"

#include <QMap>
#include <QSqlDatabase>
#include <QString>

namespace vxr {

class DbConnection;

// What became of a request to take a run back.
struct UndoOutcome
{
    enum class Result {
        Undone,    // the run's rows are out of the store, the values it overwrote back, the journal marked
        DryRun,    // nothing changed; the counts say what the undo would do
        Conflicts, // the store has moved on: nothing changed, the conflicts say where
        Refused,   // nothing to take back (no such run, undone already, another store's)
        Failed,    // the store or the journal failed: nothing changed, or (see message) the journal lags
    };
    Result result = Result::Failed;
    qint64 runId = 0;
    QMap<QString, int> deleted;  // rows to delete (or deleted) per table
    QMap<QString, int> restored; // rows whose values go (or went) back, per table
    QList<UndoConflict> conflicts;
    QString message; // why refused or failed; a note beside success
};

// Takes the run back (runId 0: the newest of the store not undone) in one
// transaction of the store: first every check, then the added rows deleted,
// newest first (children before parents), and the overwritten values put
// back. Any failure rolls it all back. Only then is the run marked undone in
// the journal. With dryRun, the checks run and nothing changes.
//
// Runs are taken back newest first unless the older run's rows are untouched
// by the newer ones: a later run (not undone) that wrote a column of a row
// this run added or wrote, or added a row pointing at one of this run's rows,
// is a conflict, and that run must be undone first.
UndoOutcome undoRun(DbConnection &store, const QSqlDatabase &journal, const QString &storeIdentity, qint64 runId,
                    bool dryRun);

} // namespace vxr

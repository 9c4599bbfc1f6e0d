#pragma once

#include <QLockFile>
#include <QSqlDatabase>
#include <QString>

#include <memory>

namespace vxr {

// What tells a live run from a dead one: a lock file beside the journal,
// held by the run's process for as long as the run goes on. The system
// lets go of it when the process dies, however it dies, so a run whose row
// still says 'running' and whose lock anyone can take was killed (or its
// computer stopped). A lock held on another computer (a journal in a shared
// folder) is never taken for a dead one.
class RunLock
{
public:
    // Takes the run's lock; nullptr with why in *error when it cannot.
    static std::unique_ptr<RunLock> take(const QString &journalPath, qint64 runId, QString *error);

    // Where the lock of run runId of the journal at journalPath is.
    static QString pathOf(const QString &journalPath, qint64 runId);

    // Whether run runId is still going on somewhere: its lock is held.
    static bool isHeld(const QString &journalPath, qint64 runId);

private:
    explicit RunLock(const QString &path);
    QLockFile m_lock;
};

// Marks the runs of the journal that still say 'running' but whose process
// is gone 'interrupted' (Ended stays NULL: when it died is not known).
// Returns how many; -1 with *error when the journal cannot be written.
int settleKilledRuns(const QSqlDatabase &journal, const QString &journalPath, QString *error);

} // namespace vxr

#include "RunLock.h"

#include <QList>
#include <QSqlError>
#include <QSqlQuery>

namespace vxr {

namespace {

// A lock is stale only when its process is gone, never by its age: a run
// may go on for hours.
void neverStaleByAge(QLockFile &lock)
{
    lock.setStaleLockTime(0);
}

} // namespace

RunLock::RunLock(const QString &path) : m_lock(path)
{
    neverStaleByAge(m_lock);
}

QString RunLock::pathOf(const QString &journalPath, qint64 runId)
{
    return QStringLiteral("%1.run-%2.lock").arg(journalPath).arg(runId);
}

std::unique_ptr<RunLock> RunLock::take(const QString &journalPath, qint64 runId, QString *error)
{
    std::unique_ptr<RunLock> lock(new RunLock(pathOf(journalPath, runId)));
    if (lock->m_lock.tryLock(0))
        return lock;
    *error = QStringLiteral("the run's lock %1 cannot be taken (error %2)")
                     .arg(pathOf(journalPath, runId))
                     .arg(int(lock->m_lock.error()));
    return nullptr;
}

bool RunLock::isHeld(const QString &journalPath, qint64 runId)
{
    QLockFile lock(pathOf(journalPath, runId));
    neverStaleByAge(lock);
    if (!lock.tryLock(0))
        return lock.error() == QLockFile::LockFailedError;
    lock.unlock(); // and the file goes
    return false;
}

int settleKilledRuns(const QSqlDatabase &journal, const QString &journalPath, QString *error)
{
    QList<qint64> running;
    {
        QSqlQuery query(journal);
        if (!query.exec(QStringLiteral("SELECT Id FROM Run WHERE Outcome = 'running'"))) {
            *error = query.lastError().text();
            return -1;
        }
        while (query.next())
            running.append(query.value(0).toLongLong());
    }
    int settled = 0;
    for (const qint64 runId : std::as_const(running)) {
        if (RunLock::isHeld(journalPath, runId))
            continue;
        QSqlQuery mark(journal);
        mark.prepare(QStringLiteral("UPDATE Run SET Outcome = 'interrupted' WHERE Id = ? AND Outcome = 'running'"));
        mark.addBindValue(runId);
        if (!mark.exec()) {
            *error = mark.lastError().text();
            return -1;
        }
        ++settled;
    }
    return settled;
}

} // namespace vxr

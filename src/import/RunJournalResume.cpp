#include "ResumePlan.h"
#include "RunJournal.h"

#include <QSqlError>
#include <QSqlQuery>

namespace vxr {

// The lock that tells others the run goes on.
bool RunJournal::lock(QString *error)
{
    m_lock = RunLock::take(m_journal.path(), m_runId, error);
    return m_lock != nullptr;
}

std::unique_ptr<RunJournal> RunJournal::proceed(const QString &path, const QSqlDatabase &store, qint64 runId,
                                                int batchesBefore, QString *error)
{
    std::optional<Journal> journal = Journal::open(path, error);
    if (!journal || journal->settle(store, error) < 0)
        return nullptr;
    std::unique_ptr<RunJournal> run(new RunJournal(std::move(*journal), runId));
    run->m_batches = batchesBefore;
    if (!run->lock(error))
        return nullptr;
    QSqlQuery again(run->m_journal.database());
    again.prepare(QStringLiteral("UPDATE Run SET Outcome = 'running', Ended = NULL WHERE Id = ?"));
    again.addBindValue(runId);
    if (!again.exec()) {
        *error = again.lastError().text();
        return nullptr;
    }
    if (!run->startWriter(error))
        return nullptr;
    return run;
}

} // namespace vxr

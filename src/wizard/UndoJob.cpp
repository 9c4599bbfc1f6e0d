#include "UndoJob.h"

#include "database/DbConnection.h"
#include "import/Journal.h"
#include "import/UndoReport.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <utility>

namespace vxr {

namespace {

QString journalProblem(const QString &path, const QString &error)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (error.contains(QLatin1String("locked"), Qt::CaseInsensitive)
        || error.contains(QLatin1String("busy"), Qt::CaseInsensitive))
        return QStringLiteral("The journal %1 is in use by another program. Try again when that program is "
                              "through with it.").arg(shown);
    return QStringLiteral("The journal %1 cannot be read: %2").arg(shown, error.trimmed());
}

void takeBack(const HistoryTask &task, DbConnection &store, Journal &journal, HistoryResult &result)
{
    UndoOutcome outcome = undoRun(store, journal.database(), result.storeIdentity, task.runId, task.dryRun);
    if (outcome.result == UndoOutcome::Result::Conflicts) {
        const QString path = conflictListPath(result.journalPath, outcome.runId);
        QString error;
        if (writeConflictList(path, outcome.conflicts, &error))
            result.conflictListPath = path;
        else
            outcome.message = error;
    }
    result.outcome = std::move(outcome);
}

} // namespace

HistoryResult runHistoryTask(const HistoryTask &task)
{
    HistoryResult result;
    result.storeIdentity = Journal::storeIdentity(task.connectionString);
    result.journalPath = Journal::defaultPath(result.storeIdentity);
    result.journalExists = QFileInfo::exists(result.journalPath);
    if (!result.journalExists) {
        result.runsRead = true;
        if (task.runId != 0)
            result.error = QStringLiteral("There is no journal of this store at %1: no run of it can be taken back.")
                                   .arg(QDir::toNativeSeparators(result.journalPath));
        return result;
    }
    QString error;
    std::optional<Journal> journal = Journal::open(result.journalPath, &error);
    if (!journal) {
        result.error = journalProblem(result.journalPath, error);
        return result;
    }
    DbConnection store;
    DbError failure;
    if (!store.open(task.connectionString, &failure, task.connectTimeoutSeconds)) {
        result.error = QStringLiteral("The store cannot be reached: %1").arg(failure.description.trimmed());
    } else if (task.settle && journal->settle(store.database(), &error) < 0) {
        result.error = journalProblem(result.journalPath, error);
    } else if (task.runId != 0) {
        takeBack(task, store, *journal, result);
    }
    store.close();
    result.runs = journalRuns(journal->database(), result.storeIdentity, &error);
    result.runsRead = error.isEmpty();
    if (!result.runsRead && result.error.isEmpty())
        result.error = journalProblem(result.journalPath, error);
    return result;
}

UndoJob::UndoJob(QObject *parent) : QObject(parent)
{
}

UndoJob::~UndoJob()
{
    wait();
    delete m_thread;
}

bool UndoJob::start(const HistoryTask &task)
{
    if (m_thread)
        return false;
    // The connections are made, used and closed on the task's thread.
    m_thread = QThread::create([this, task] {
        HistoryResult result = runHistoryTask(task);
        QMetaObject::invokeMethod(this, [this, result = std::move(result)] { ended(result); }, Qt::QueuedConnection);
    });
    m_thread->setObjectName(QStringLiteral("run history"));
    m_thread->start();
    return true;
}

void UndoJob::wait()
{
    if (m_thread)
        m_thread->wait();
}

void UndoJob::ended(const HistoryResult &result)
{
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    emit finished(result);
}

} // namespace vxr

#include "ResumePlan.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

namespace vxr {

namespace {

// The set-up as far as it decides what a line stores: the text file's path
// and the connection are named otherwise (by the file's hash, by the
// journal's store).
QStringList whatMatters(const QString &setup)
{
    QStringList kept;
    for (const QString &line : setup.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.startsWith(QLatin1String("FileName=")) && !trimmed.startsWith(QLatin1String("ConnectionString=")))
            kept << trimmed;
    }
    return kept;
}

QString outcomeRefusal(qint64 runId, const QString &outcome)
{
    if (outcome == QLatin1String("finished"))
        return QStringLiteral("run %1, the store's last, finished: there is nothing to resume").arg(runId);
    if (outcome == QLatin1String("running"))
        return QStringLiteral("run %1 is still going on").arg(runId);
    return QStringLiteral("run %1 ended %2 and cannot be resumed").arg(runId).arg(outcome);
}

std::optional<BatchPoint> lastCommitted(const QSqlDatabase &journal, qint64 runId, int *batchesBefore)
{
    QSqlQuery query(journal);
    query.prepare(QStringLiteral("SELECT NextLine, Added, Updated, Failed, Skipped, RejectBytes, RejectLines,"
                                 " Rejected, (SELECT MAX(Number) FROM Batch WHERE RunId = ?) FROM Batch"
                                 " WHERE RunId = ? AND State = 'committed' ORDER BY Number DESC LIMIT 1"));
    query.addBindValue(runId);
    query.addBindValue(runId);
    if (!query.exec() || !query.next() || query.value(0).isNull())
        return std::nullopt;
    const std::optional<QList<qint64>> rejected = unpackLineNumbers(query.value(7).toString());
    if (!rejected)
        return std::nullopt;
    *batchesBefore = query.value(8).toInt();
    return BatchPoint{query.value(0).toLongLong(), query.value(1).toLongLong(), query.value(2).toLongLong(),
                      query.value(3).toLongLong(), query.value(4).toLongLong(), query.value(5).toLongLong(),
                      query.value(6).toLongLong(), *rejected};
}

} // namespace

std::optional<ResumePlan> planResume(const QSqlDatabase &journal, const JournalRunStart &now, QString *refusal)
{
    QSqlQuery run(journal);
    run.prepare(QStringLiteral("SELECT Id, Outcome, Undone, FileSize, FileHash, TableName, Setup FROM Run"
                               " WHERE StoreIdentity = ? ORDER BY Id DESC LIMIT 1"));
    run.addBindValue(now.storeIdentity);
    if (!run.exec()) {
        *refusal = QStringLiteral("the journal cannot be read: %1").arg(run.lastError().text());
        return std::nullopt;
    }
    if (!run.next()) {
        *refusal = QStringLiteral("the journal holds no run of this store to resume");
        return std::nullopt;
    }
    ResumePlan plan;
    plan.runId = run.value(0).toLongLong();
    const QString outcome = run.value(1).toString();
    if (!run.value(2).isNull())
        *refusal = QStringLiteral("run %1, the store's last, was undone: there is nothing to resume").arg(plan.runId);
    else if (outcome != QLatin1String("interrupted") && outcome != QLatin1String("failed")
             && outcome != QLatin1String("cancelled"))
        *refusal = outcomeRefusal(plan.runId, outcome);
    else if (run.value(3).toLongLong() != now.fileSize || run.value(4).toString() != now.fileHash)
        *refusal = QStringLiteral("the text file is not the one run %1 read: its size or its SHA-256 differ (it "
                                  "changed after the run stopped, or another file was named)")
                           .arg(plan.runId);
    else if (run.value(5).toString() != now.tableName || whatMatters(run.value(6).toString()) != whatMatters(now.setup))
        *refusal = QStringLiteral("the set-up is not the one of run %1: resume it with the same table, mapping and "
                                  "options")
                           .arg(plan.runId);
    if (!refusal->isEmpty())
        return std::nullopt;
    std::optional<BatchPoint> point = lastCommitted(journal, plan.runId, &plan.batchesBefore);
    if (!point) {
        *refusal = QStringLiteral("no batch of run %1 was stored (or its journal is older than resuming): import "
                                  "the file again as a new run")
                           .arg(plan.runId);
        return std::nullopt;
    }
    plan.point = *point;
    return plan;
}

} // namespace vxr

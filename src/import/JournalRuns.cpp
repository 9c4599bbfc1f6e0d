#include "JournalRuns.h"

#include "RunLock.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace vxr {

QList<JournalRun> journalRuns(const QSqlDatabase &journal, const QString &storeIdentity, QString *error)
{
    // A run whose process is gone is listed as interrupted, not running (a
    // journal that cannot be written is listed as it is).
    QString unsettled;
    settleKilledRuns(journal, journal.databaseName(), &unsettled);
    QSqlQuery query(journal);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT Id, Started, Ended, FilePath, TableName, Added, Updated, Failed, Outcome,"
                                 " Undone FROM Run WHERE COALESCE(?, '') = '' OR StoreIdentity = ? ORDER BY Id"));
    query.addBindValue(storeIdentity);
    query.addBindValue(storeIdentity);
    if (!query.exec()) {
        *error = query.lastError().text();
        return {};
    }
    QList<JournalRun> runs;
    while (query.next()) {
        JournalRun run;
        run.id = query.value(0).toLongLong();
        run.started = query.value(1).toString();
        run.ended = query.value(2).toString();
        run.filePath = query.value(3).toString();
        run.tableName = query.value(4).toString();
        run.added = query.value(5).toLongLong();
        run.updated = query.value(6).toLongLong();
        run.failed = query.value(7).toLongLong();
        run.outcome = query.value(8).toString();
        run.undone = query.value(9).toString();
        runs.append(run);
    }
    if (query.lastError().isValid()) {
        *error = query.lastError().text();
        return {};
    }
    return runs;
}

} // namespace vxr

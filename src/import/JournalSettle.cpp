#include "Journal.h"

#include "AddedBlock.h"
#include "RunLock.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace vxr {

namespace {

struct PreparedBatch
{
    qint64 runId = 0;
    int number = 0;
};

QString sameText(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString().trimmed();
}

// A row the store holds by ID and with the value journaled for the column:
// 1 yes, 0 no, -1 the store could not be read.
int storeHas(const QSqlDatabase &store, const QString &table, qint64 id, const QString &column,
             const QVariant &expected)
{
    // Names as the program spells them, unquoted as its own statements
    // write them; a journal naming anything else is not followed.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z][A-Za-z0-9_]*$"));
    if (!plainName.match(table).hasMatch() || !plainName.match(column).hasMatch())
        return -1;
    QSqlQuery query(store);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?").arg(column, table)))
        return -1;
    query.addBindValue(id);
    if (!query.exec())
        return -1;
    if (!query.next())
        return 0;
    const QVariant stored = query.value(0);
    if (stored.toString() == expected.toString())
        return 1;
    // Numbers may come back in another type than they were journaled in.
    bool storedNumber = false;
    bool expectedNumber = false;
    const double a = stored.toDouble(&storedNumber);
    const double b = expected.toDouble(&expectedNumber);
    if (storedNumber && expectedNumber)
        return a == b ? 1 : 0;
    return sameText(stored) == sameText(expected) ? 1 : 0;
}

// Whether the store holds what the batch wrote: the first of its added rows
// (they were committed together or not at all), or else the first of its
// written values.
int storeHoldsBatch(const QSqlDatabase &journal, const QSqlDatabase &store, const PreparedBatch &batch)
{
    QList<JournalAddedRow> first;
    QString error;
    if (!readAddedRows(journal, QStringLiteral("b.RunId = ? AND b.Number = ?"), {batch.runId, batch.number}, &first,
                       &error, true))
        return -1;
    if (!first.isEmpty())
        return storeHas(store, first.constFirst().table, first.constFirst().rowId, first.constFirst().keyColumn,
                        first.constFirst().keyValue);
    QSqlQuery query(journal);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT TableName, RowId, ColumnName, WrittenValue, PreviousValue FROM UpdatedRow"
                                 " WHERE RunId = ? AND BatchNumber = ? ORDER BY Seq"));
    query.addBindValue(batch.runId);
    query.addBindValue(batch.number);
    if (!query.exec())
        return -1;
    // A column the update left as it was says nothing either way.
    while (query.next()) {
        if (query.value(3).toString() == query.value(4).toString())
            continue;
        return storeHas(store, query.value(0).toString(), query.value(1).toLongLong(), query.value(2).toString(),
                        query.value(3));
    }
    return 0;
}

} // namespace

int Journal::settle(const QSqlDatabase &store, QString *error)
{
    if (settleKilledRuns(database(), path(), error) < 0)
        return -1;
    QList<PreparedBatch> batches;
    {
        QSqlQuery query(database());
        if (!query.exec(QStringLiteral("SELECT RunId, Number FROM Batch WHERE State = 'prepared'"))) {
            *error = query.lastError().text();
            return -1;
        }
        while (query.next())
            batches.append({query.value(0).toLongLong(), query.value(1).toInt()});
    }
    int settled = 0;
    for (const PreparedBatch &batch : std::as_const(batches)) {
        // A live run's batch between its two marks is its own: its commit
        // may be under way.
        if (RunLock::isHeld(path(), batch.runId))
            continue;
        ++settled;
        const int held = storeHoldsBatch(database(), store, batch);
        if (held < 0) {
            *error = QStringLiteral("the store cannot be read to settle batch %1 of run %2")
                             .arg(batch.number)
                             .arg(batch.runId);
            return -1;
        }
        if (!markBatch(batch.runId, batch.number, held ? QStringLiteral("committed") : QStringLiteral("discarded"),
                       error))
            return -1;
    }
    return settled;
}

} // namespace vxr

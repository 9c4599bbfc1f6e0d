#include "UndoPlan.h"

#include "AddedBlock.h"
#include "Journal.h"

#include "catalogue/TableCatalogue.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QSqlQuery>

namespace vxr {

namespace {

// A query on the journal that ran, or the journal's reason why not.
bool run(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error)
{
    if (runJournalQuery(query, sql, values, error))
        return true;
    *error = QStringLiteral("The journal failed: %1").arg(*error);
    return false;
}

struct RunHead
{
    qint64 id = 0;
    QString store;
    QString started;
    QString filePath;
    QString table;
    bool undone = false;
};

std::optional<RunHead> readRunHead(const QSqlDatabase &journal, const QString &storeIdentity, qint64 runId,
                                   QString *refusal)
{
    QSqlQuery query(journal);
    const QString columns = QStringLiteral("SELECT Id, StoreIdentity, Started, FilePath, TableName, Undone FROM Run ");
    const bool found = runId > 0
            ? run(query, columns + QStringLiteral("WHERE Id = ?"), {runId}, refusal)
            : run(query, columns + QStringLiteral("WHERE StoreIdentity = ? AND Undone IS NULL ORDER BY Id DESC LIMIT 1"),
                  {storeIdentity}, refusal);
    if (!found)
        return std::nullopt;
    if (!query.next()) {
        *refusal = runId > 0 ? QStringLiteral("The journal has no run %1.").arg(runId)
                             : QStringLiteral("The journal holds no run of this store that is not undone.");
        return std::nullopt;
    }
    RunHead head{query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString(),
                 query.value(3).toString(), query.value(4).toString(), !query.value(5).isNull()};
    if (head.store != storeIdentity) {
        *refusal = QStringLiteral("Run %1 was made on another store (%2).").arg(head.id).arg(head.store);
        return std::nullopt;
    }
    if (head.undone) {
        *refusal = QStringLiteral("Run %1 is undone already (%2).").arg(head.id).arg(query.value(5).toString());
        return std::nullopt;
    }
    return head;
}

// A batch whose end the journal does not know may or may not be in the store.
bool checkBatchesSettled(const QSqlDatabase &journal, qint64 runId, QString *refusal)
{
    QSqlQuery query(journal);
    if (!run(query, QStringLiteral("SELECT Number FROM Batch WHERE RunId = ? AND State = 'prepared' ORDER BY Number"),
             {runId}, refusal))
        return false;
    if (!query.next())
        return true;
    *refusal = QStringLiteral("Batch %1 of run %2 was never marked committed or discarded: open the journal with "
                              "the store connected to settle it first.").arg(query.value(0).toLongLong()).arg(runId);
    return false;
}

const QString CommittedRows = QStringLiteral(
        " r JOIN Batch b ON b.RunId = r.RunId AND b.Number = r.BatchNumber AND b.State = 'committed'"
        " WHERE r.RunId = ? ORDER BY r.Seq");

// The table as the program spells it (the journal may spell it otherwise).
QString tableNamed(const QString &name)
{
    for (const QString &known : importTableNames()) {
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            return known;
    }
    return name;
}

QString rowKey(const QString &table, qint64 id)
{
    return table + QLatin1Char('#') + QString::number(id);
}

bool readAdded(const QSqlDatabase &journal, UndoPlan &plan, QString *refusal)
{
    QList<JournalAddedRow> rows;
    QString error;
    if (!readAddedRows(journal, QStringLiteral("b.RunId = ? AND b.State = 'committed'"), {plan.runId}, &rows, &error)) {
        *refusal = QStringLiteral("The journal failed: %1").arg(error);
        return false;
    }
    plan.added.reserve(rows.size());
    for (const JournalAddedRow &row : std::as_const(rows)) {
        // The columns the row was written with and their values; none from
        // a journal that did not keep them.
        QList<UndoValue> written;
        written.reserve(row.values.size());
        for (qsizetype i = 0; i < row.values.size() && i < row.columns.size(); ++i)
            written.append({row.columns.at(i), QVariant(), row.values.at(i)});
        plan.added.append({tableNamed(row.table), row.rowId, row.keyColumn, row.keyValue, row.seq, written});
    }
    return true;
}

// A column of a row the run added, written again by a later step of the run.
void writeAgain(UndoRow &row, const UndoValue &value)
{
    const auto same = std::find_if(row.written.begin(), row.written.end(), [&](const UndoValue &v) {
        return v.column.compare(value.column, Qt::CaseInsensitive) == 0;
    });
    if (same == row.written.end())
        row.written.append({value.column, QVariant(), value.written});
    else
        same->written = value.written;
}

bool readUpdated(const QSqlDatabase &journal, UndoPlan &plan, QString *refusal)
{
    QHash<QString, qsizetype> added;
    for (qsizetype i = 0; i < plan.added.size(); ++i)
        added.insert(rowKey(plan.added.at(i).table, plan.added.at(i).id), i);
    QSqlQuery query(journal);
    if (!run(query, QStringLiteral("SELECT r.TableName, r.RowId, r.KeyColumn, r.KeyValue, r.Seq, r.ColumnName, "
                                   "r.PreviousValue, r.WrittenValue FROM UpdatedRow") + CommittedRows,
             {plan.runId}, refusal))
        return false;
    QHash<QString, qsizetype> rowIndex;
    while (query.next()) {
        const UndoRow row{tableNamed(query.value(0).toString()), query.value(1).toLongLong(), query.value(2).toString(),
                          query.value(3), query.value(4).toLongLong(), {}};
        const QString key = rowKey(row.table, row.id);
        const UndoValue value{query.value(5).toString(), query.value(6), query.value(7)};
        if (const auto own = added.constFind(key); own != added.cend()) {
            writeAgain(plan.added[*own], value);
            continue;
        }
        auto found = rowIndex.constFind(key);
        if (found == rowIndex.constEnd()) {
            found = rowIndex.insert(key, plan.updated.size());
            plan.updated.append({row, {}});
        }
        QList<UndoValue> &values = plan.updated[*found].values;
        const auto same = std::find_if(values.begin(), values.end(),
                                       [&](const UndoValue &v) { return v.column.compare(value.column, Qt::CaseInsensitive) == 0; });
        if (same == values.end())
            values.append(value);
        else
            same->written = value.written;
    }
    return true;
}

} // namespace

std::optional<UndoPlan> readUndoPlan(const QSqlDatabase &journal, const QString &storeIdentity, qint64 runId,
                                     QString *refusal)
{
    const std::optional<RunHead> head = readRunHead(journal, storeIdentity, runId, refusal);
    if (!head || !checkBatchesSettled(journal, head->id, refusal))
        return std::nullopt;
    UndoPlan plan;
    plan.runId = head->id;
    plan.storeIdentity = head->store;
    plan.started = head->started;
    plan.filePath = head->filePath;
    plan.tableName = head->table;
    if (!readAdded(journal, plan, refusal) || !readUpdated(journal, plan, refusal))
        return std::nullopt;
    return plan;
}

bool readLaterWrites(const QSqlDatabase &journal, const UndoPlan &plan, QList<LaterWrite> *writes, QString *error)
{
    QSqlQuery query(journal);
    if (!run(query, QStringLiteral(
                     "SELECT u.RunId, u.TableName, u.RowId, u.ColumnName FROM UpdatedRow u"
                     " JOIN Run r ON r.Id = u.RunId"
                     " JOIN Batch b ON b.RunId = u.RunId AND b.Number = u.BatchNumber AND b.State = 'committed'"
                     " WHERE u.RunId > ? AND r.StoreIdentity = ? AND r.Undone IS NULL ORDER BY u.RunId, u.Seq"),
             {plan.runId, plan.storeIdentity}, error))
        return false;
    while (query.next())
        writes->append({query.value(0).toLongLong(), tableNamed(query.value(1).toString()), query.value(2).toLongLong(),
                        query.value(3).toString()});
    return true;
}

bool markRunUndone(const QSqlDatabase &journal, qint64 runId, QString *error)
{
    QSqlQuery query(journal);
    const QString now = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    if (!run(query, QStringLiteral("UPDATE Run SET Undone = ? WHERE Id = ?"), {now, runId}, error))
        return false;
    if (query.numRowsAffected() == 1)
        return true;
    *error = QStringLiteral("The journal has no run %1 to mark undone.").arg(runId);
    return false;
}

} // namespace vxr

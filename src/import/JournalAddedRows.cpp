// Reading the rows a run added back out of the journal, from blocks and
// from the single rows that journals kept before blocks.

#include "AddedBlock.h"
#include "Journal.h"
#include "JournalValues.h"

#include <QHash>
#include <QSqlQuery>

#include <algorithm>

namespace vxr {

namespace {

QStringList columnsOf(const QString &text, QHash<QString, QStringList> &known)
{
    auto found = known.constFind(text);
    if (found == known.cend())
        found = known.insert(text, text.split(QLatin1Char(','), Qt::SkipEmptyParts));
    return *found;
}

// The added rows of one layout (table) that a query's condition picks, in
// the order the run added them; the rows' columns by their shape, and their
// batch's state as b.State.
bool queryAdded(QSqlQuery &query, const QString &columns, const QString &table, const QString &condition,
                const QVariantList &values, bool firstOnly, QString *error)
{
    return runJournalQuery(query,
                           QStringLiteral("SELECT %1 FROM %2 r LEFT JOIN AddedShape s ON s.Id = r.Shape"
                                          " JOIN Batch b ON b.RunId = r.RunId AND b.Number = r.BatchNumber"
                                          " WHERE %3 ORDER BY r.Seq%4")
                                   .arg(columns, table, condition, firstOnly ? QStringLiteral(" LIMIT 1") : QString()),
                           values, error);
}

bool readBlocks(const QSqlDatabase &journal, const QString &condition, const QVariantList &values, bool firstOnly,
                QList<JournalAddedRow> *rows, QString *error)
{
    QSqlQuery query(journal);
    if (!queryAdded(query, QStringLiteral("r.TableName, r.KeyColumn, s.Columns, r.BatchNumber, r.Seq, r.Rows"),
                    QStringLiteral("AddedBlock"), condition, values, firstOnly, error))
        return false;
    QHash<QString, QStringList> shapes;
    while (query.next()) {
        const AddedBlockHead head{query.value(0).toString(), query.value(1).toString(),
                                  columnsOf(query.value(2).toString(), shapes), query.value(3).toLongLong(),
                                  query.value(4).toLongLong()};
        const std::optional<QList<JournalAddedRow>> block = readAddedBlock(head, query.value(5).toByteArray());
        if (!block) {
            // Taking back less than the run added would say it was all.
            *error = QStringLiteral("the rows batch %1 added to %2 cannot be read (Seq %3): the journal is damaged")
                             .arg(head.batch)
                             .arg(head.table)
                             .arg(head.firstSeq);
            return false;
        }
        rows->append(*block);
    }
    return true;
}

// One row each, the values packed against the row before of the same
// batch and column list.
bool readSingleRows(const QSqlDatabase &journal, const QString &condition, const QVariantList &values,
                    bool firstOnly, QList<JournalAddedRow> *rows, QString *error)
{
    QSqlQuery query(journal);
    if (!queryAdded(query,
                    QStringLiteral("r.TableName, r.RowId, r.KeyColumn, r.KeyValue, r.Seq, r.BatchNumber, s.Columns,"
                                   " r.WrittenValues, r.Shape"),
                    QStringLiteral("AddedRow"), condition, values, firstOnly, error))
        return false;
    QHash<QString, QStringList> shapes;
    QHash<QPair<qint64, qint64>, ValueUnpacker> unpackers; // by batch and shape
    while (query.next()) {
        JournalAddedRow row{query.value(0).toString(), query.value(1).toLongLong(), query.value(2).toString(),
                            query.value(3), query.value(4).toLongLong(), query.value(5).toLongLong(),
                            !query.value(7).isNull(), columnsOf(query.value(6).toString(), shapes), {}};
        if (row.valuesKept)
            row.values = unpackers[{row.batch, query.value(8).toLongLong()}].unpack(query.value(7).toString());
        rows->append(std::move(row));
    }
    return true;
}

} // namespace

bool readAddedRows(const QSqlDatabase &journal, const QString &batchCondition, const QVariantList &values,
                   QList<JournalAddedRow> *rows, QString *error, bool firstOnly)
{
    QList<JournalAddedRow> read;
    if (!readSingleRows(journal, batchCondition, values, firstOnly, &read, error)
        || !readBlocks(journal, batchCondition, values, firstOnly, &read, error))
        return false;
    // A part of a batch holds a block per table: the rows of all of them
    // in the order they were added.
    std::stable_sort(read.begin(), read.end(),
                     [](const JournalAddedRow &a, const JournalAddedRow &b) { return a.seq < b.seq; });
    if (firstOnly && read.size() > 1)
        read.resize(1);
    rows->append(std::move(read));
    return true;
}

} // namespace vxr

// The journal's write path: a batch's entries, as one journal transaction
// before the store commits the batch, or in parts ahead of it.

#include "Journal.h"

#include "AddedBlock.h"

#include "database/DbError.h"
#include "database/SqlDialect.h"
#include "database/SqlitePreparedStatement.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <memory>
#include <vector>

namespace vxr {

namespace {

// A value as the journal keeps it: text as text, numbers as numbers, NULL
// as NULL; dates and the like as their text.
QVariant kept(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Bool:
    case QMetaType::QString:
        return value;
    default: return value.toString();
    }
}

} // namespace

void Journal::openBatch(qint64 runId, int number)
{
    // Seq goes on across the run's batches: the batch number leads it.
    if (m_open.runId != runId || m_open.number != number)
        m_open = OpenBatch{runId, number, qint64(number) << 32, false};
}

bool Journal::prepareBatch(qint64 runId, int number, qint64 firstLine, qint64 lastLine, const BatchPoint &point,
                           const QList<JournalEntry> &entries, int committedBefore, QString *error)
{
    openBatch(runId, number);
    // Parts written ahead made the batch's row; a settling of the journal by
    // another program meanwhile (seeing nothing of it in the store yet)
    // cannot have the last word.
    const QString batchRow = m_open.written
            ? QStringLiteral("UPDATE Batch SET State = 'prepared', FirstLine = ?, LastLine = ?, NextLine = ?, Added = ?,"
                             " Updated = ?, Failed = ?, Skipped = ?, RejectBytes = ?, RejectLines = ?, Rejected = ?"
                             " WHERE RunId = ? AND Number = ?")
            : QStringLiteral("INSERT INTO Batch (FirstLine, LastLine, NextLine, Added, Updated, Failed, Skipped,"
                             " RejectBytes, RejectLines, Rejected, RunId, Number, State)"
                             " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'prepared')");
    const QVariantList values{firstLine, lastLine, point.nextLine, point.added, point.updated, point.failed,
                              point.skipped, point.rejectBytes, point.rejectLines, packLineNumbers(point.rejected),
                              runId, number};
    const bool ok = writeBatch(batchRow, values, entries, committedBefore, error);
    m_open = {};
    return ok;
}

bool Journal::writeBatchPart(qint64 runId, int number, const QList<JournalEntry> &entries, int committedBefore,
                             QString *error)
{
    openBatch(runId, number);
    // The lines are known when the batch is prepared.
    const QString batchRow = m_open.written ? QString()
                                            : QStringLiteral("INSERT INTO Batch (FirstLine, LastLine, RunId, Number,"
                                                             " State) VALUES (0, 0, ?, ?, 'prepared')");
    // Not flushed on its own: the batch's prepare, which the store's commit
    // waits for, flushes the journal's file, and with it every part before
    // it. A part the machine loses before that belongs to a batch the store
    // has not committed. One flush a batch, not one a part: the flushes'
    // interrupts and wake-ups slowed the store's own thread.
    if (!exec(QStringLiteral("PRAGMA synchronous = NORMAL"), {}, error))
        return false;
    const bool ok = writeBatch(batchRow, {runId, number}, entries, committedBefore, error);
    return exec(QStringLiteral("PRAGMA synchronous = FULL"), {}, ok ? error : nullptr) && ok;
}

bool Journal::takeBackBatchPart(qint64 runId, int number, qint64 kept, QString *error)
{
    openBatch(runId, number);
    const qint64 lastKept = (qint64(number) << 32) + kept;
    bool ok = exec(QStringLiteral("BEGIN IMMEDIATE"), {}, error);
    for (const QString &table : {QStringLiteral("AddedBlock"), QStringLiteral("UpdatedRow")})
        ok = ok && exec(QStringLiteral("DELETE FROM %1 WHERE RunId = ? AND BatchNumber = ? AND Seq > ?").arg(table),
                        {runId, number, lastKept}, error);
    ok = ok && cutBlocks(lastKept, error);
    if (kept == 0)
        ok = ok && exec(QStringLiteral("DELETE FROM Batch WHERE RunId = ? AND Number = ?"), {runId, number}, error);
    if (!ok || !exec(QStringLiteral("COMMIT"), {}, error)) {
        exec(QStringLiteral("ROLLBACK"), {}, nullptr);
        return false;
    }
    m_open.seq = lastKept;
    m_open.written = kept > 0;
    return true;
}

// The open batch's blocks that reach past lastKept keep their rows up to it.
bool Journal::cutBlocks(qint64 lastKept, QString *error)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("SELECT rowid, Seq, Rows FROM AddedBlock WHERE RunId = ? AND BatchNumber = ?"
                                 " AND LastSeq > ?"));
    for (const QVariant &value : {QVariant(m_open.runId), QVariant(m_open.number), QVariant(lastKept)})
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError().text();
        return false;
    }
    QVariantList cuts;
    while (query.next())
        cuts << addedBlockUpTo(query.value(2).toByteArray(), query.value(1).toLongLong(), lastKept) << lastKept
             << query.value(0);
    query.finish();
    for (qsizetype i = 0; i < cuts.size(); i += 3) {
        if (!exec(QStringLiteral("UPDATE AddedBlock SET Rows = ?, LastSeq = ? WHERE rowid = ?"), cuts.mid(i, 3), error))
            return false;
    }
    return true;
}

// One journal transaction, on disk when it returns true: the mark of the
// batch before (stored since), the batch's row and its entries.
bool Journal::writeBatch(const QString &batchRow, const QVariantList &batchValues, const QList<JournalEntry> &entries,
                         int committedBefore, QString *error)
{
    const qint64 runId = m_open.runId;
    const int number = m_open.number;
    qint64 seq = m_open.seq;
    QVariantList updated;
    QVariantList shapes;
    QHash<QString, qint64> newShapes;
    // The added rows of one table and column list go to one block; the
    // rows of one statement share their list of columns (one table's): its
    // shape known by where the list is held, while the entries hold it.
    struct OpenBlock
    {
        qint64 shape;
        const AddedRowChange *first;
        AddedBlockWriter writer;
    };
    std::vector<OpenBlock> blocks;
    QHash<const QString *, qint64> shapeOfList;
    for (const JournalEntry &entry : entries) {
        ++seq;
        if (const auto *row = std::get_if<AddedRowChange>(&entry)) {
            qint64 &shape = shapeOfList[row->columns.isEmpty() ? nullptr : row->columns.constData()];
            if (shape == 0 || row->columns.isEmpty())
                shape = shapeOf(row->tableName, row->columns, newShapes, shapes);
            auto block = std::find_if(blocks.begin(), blocks.end(), [&](const OpenBlock &open) {
                return open.shape == shape && open.first->keyColumn == row->keyColumn;
            });
            if (block == blocks.end())
                block = blocks.insert(blocks.end(), OpenBlock{shape, row, AddedBlockWriter(seq)});
            block->writer.add(seq, *row);
        } else {
            const auto &column = std::get<UpdatedColumnChange>(entry);
            updated << runId << number << seq << column.tableName << column.rowId << column.keyColumn
                    << kept(column.keyValue) << column.columnName << kept(column.previousValue)
                    << kept(column.writtenValue);
        }
    }
    QVariantList added;
    for (const OpenBlock &block : blocks)
        added << runId << number << block.writer.firstSeq() << block.writer.lastSeq() << block.first->tableName
              << block.first->keyColumn << block.shape << block.writer.rows();
    if (!exec(QStringLiteral("BEGIN IMMEDIATE"), {}, error))
        return false;
    // The batch before, stored since, is marked in the same transaction.
    bool ok = (committedBefore < 1 || markBatch(runId, committedBefore, QStringLiteral("committed"), error))
            && (batchRow.isEmpty() || exec(batchRow, batchValues, error));
    try {
        if (ok) {
            insertRows(QStringLiteral("AddedShape (Id, TableName, Columns)"), 3, shapes);
            insertRows(QStringLiteral("AddedBlock (RunId, BatchNumber, Seq, LastSeq, TableName, KeyColumn, Shape,"
                                      " Rows)"),
                       8, added);
            insertRows(QStringLiteral("UpdatedRow (RunId, BatchNumber, Seq, TableName, RowId, KeyColumn, KeyValue,"
                                      " ColumnName, PreviousValue, WrittenValue)"),
                       10, updated);
        }
    } catch (const DbError &failure) {
        *error = failure.description;
        ok = false;
    }
    if (ok && exec(QStringLiteral("COMMIT"), {}, error)) {
        m_nextShape += newShapes.size();
        m_shapes.insert(newShapes);
        m_open.seq = seq;
        m_open.written = true;
        return true;
    }
    exec(QStringLiteral("ROLLBACK"), {}, nullptr);
    return false;
}

// Many rows to a statement, through the SQLite library itself: a batch of a
// thousand lines journals a thousand rows or more. Statements of 100, 10
// and 1 rows are kept for the run, so that a part of any length is written
// without preparing one for it.
void Journal::insertRows(const QString &into, int width, const QVariantList &values)
{
    if (!m_handle)
        m_handle = SqlitePreparedStatement::handleOf(database());
    sqlite3 *handle = m_handle;
    if (!handle)
        throw DbError{ErrorNumbers::StatementFailed, QStringLiteral("the journal's connection has no handle")};
    const qsizetype rows = values.size() / width;
    qsizetype first = 0;
    for (const int count : {100, 10, 1}) {
        for (; rows - first >= count; first += count) {
            PreparedStatement &statement = insertStatement(handle, into, width, count);
            statement.execute(values.mid(first * width, count * width));
            statement.finish();
        }
    }
}

PreparedStatement &Journal::insertStatement(sqlite3 *handle, const QString &into, int width, int rows)
{
    std::unique_ptr<PreparedStatement> &kept = m_inserts[into + QLatin1Char('#') + QString::number(rows)];
    if (!kept) {
        const QString row = QLatin1Char('(') + QStringLiteral("?, ").repeated(width - 1) + QStringLiteral("?)");
        const QString sql = QStringLiteral("INSERT INTO %1 VALUES %2")
                                    .arg(into, QStringList(rows, row).join(QStringLiteral(", ")));
        kept = std::make_unique<SqlitePreparedStatement>(handle, sql, sqlDialect(Dialect::SQLite));
    }
    return *kept;
}

// The number of the table's column list in AddedShape; a list new to this
// journal gets the next number, its row added to shapes.
qint64 Journal::shapeOf(const QString &table, const QStringList &columns, QHash<QString, qint64> &newShapes,
                        QVariantList &shapes)
{
    const QString key = table + QLatin1Char('\n') + columns.join(QLatin1Char(','));
    if (const auto known = m_shapes.constFind(key); known != m_shapes.cend())
        return *known;
    if (const auto known = newShapes.constFind(key); known != newShapes.cend())
        return *known;
    if (m_nextShape == 0) {
        QSqlQuery highest(database());
        m_nextShape = highest.exec(QStringLiteral("SELECT COALESCE(MAX(Id), 0) FROM AddedShape")) && highest.next()
                ? highest.value(0).toLongLong() + 1
                : 1;
    }
    const qint64 id = m_nextShape + newShapes.size();
    newShapes.insert(key, id);
    shapes << id << table << columns.join(QLatin1Char(','));
    return id;
}

} // namespace vxr

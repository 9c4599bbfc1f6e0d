// The ID a new row was given, and what the rows written tell the change
// sink (the run's journal).

#include "TableRecordsetsPrivate.h"

#include "ColumnValue.h"
#include "DbError.h"
#include "PreparedStatement.h"
#include "RowChangeSink.h"

#include <QMultiHash>
#include <QSqlDriver>

namespace vxr {

using namespace recordsets;

qint64 TableRecordsets::Private::newId(PreparedStatement &query, const QString &tableName)
{
    bool ok = false;
    if (newIdSource != NewIdSource::LastInsertId && query.next()) {
        // SQL Server's SCOPE_IDENTITY() is NULL after an INSTEAD OF trigger
        // did the insert: no ID, not 0.
        const QVariant returned = query.value(0);
        const qint64 id = returned.isNull() ? 0 : returned.toLongLong(&ok);
        // The statement is stepped to its end: an error the database raises
        // only then (a full disk, a constraint checked late) must fail the
        // row, not pass unseen when the result is released.
        while (query.next()) {
        }
        if (ok)
            return id;
    }
    const QVariant last = query.lastInsertId();
    if (last.isValid()) {
        const qint64 id = last.toLongLong(&ok);
        if (ok)
            return id;
    }
    // A backend that reports nothing: the highest ID, which is the new row as
    // long as nobody else adds rows to the table at the same moment.
    query.finish();
    PreparedStatement &highest = statements.run(QStringLiteral("SELECT MAX(ID) FROM %1").arg(tableName), {});
    const ResultRelease release(highest);
    if (highest.next()) {
        const qint64 id = highest.value(0).toLongLong(&ok);
        if (ok)
            return id;
    }
    throw DbError{ErrorNumbers::NoCurrentRecord,
                  QStringLiteral("The ID of the row just added to %1 cannot be read.").arg(tableName)};
}

QString TableRecordsets::Private::highestIdSql(const QString &tableName)
{
    const QString key = tableName.toLower();
    auto found = highestIdSqls.constFind(key);
    if (found == highestIdSqls.cend())
        found = highestIdSqls.insert(key, statements.sqlDialect().highestIdSql(statements.database(), tableName));
    return *found;
}

qint64 TableRecordsets::Private::highestId(const QString &sql)
{
    PreparedStatement &query = statements.run(sql, {});
    const ResultRelease release(query);
    bool ok = false;
    const qint64 highest = query.next() ? query.value(0).toLongLong(&ok) : 0;
    if (!ok)
        throw DbError{ErrorNumbers::NoCurrentRecord, QStringLiteral("The highest ID cannot be read: %1").arg(sql)};
    return highest;
}

// The rows one insert added took the IDs after the highest before it, one
// after the other: so they did when the last is as many past it as there
// are rows. When it is further on, something else added rows to the table
// meanwhile (a trigger, say) and which ID is whose cannot be told: the rows
// fail, to be added one by one.
void TableRecordsets::Private::appendFollowingIds(const PreparedStatement &insert, qint64 before,
                                                  const QString &tableName, const QList<QVariantList> &rows,
                                                  const QVariantList &shared, qsizetype keyAt,
                                                  QList<std::pair<QVariant, qint64>> &added) const
{
    bool ok = false;
    const qint64 last = insert.lastInsertId().toLongLong(&ok);
    if (!ok || last - before != rows.size())
        throw DbError{ErrorNumbers::NoCurrentRecord,
                      QStringLiteral("The IDs of the %1 rows just added to %2 cannot be told apart.")
                              .arg(rows.size())
                              .arg(tableName)};
    for (qsizetype r = 0; r < rows.size(); ++r)
        added.append({rowValue(rows.at(r), shared, keyAt), before + 1 + r});
}

// The new row, named by the value bound to its naming column (its ID when
// it has none among the columns written).
void TableRecordsets::Private::reportAdded(const RowShape &shape, const QVariantList &bound, qint64 id)
{
    const QString naming = rowNamingColumn(shape.tableName);
    QVariant keyValue = id;
    for (qsizetype i = 0; i < shape.columns.size(); ++i) {
        if (shape.columns.at(i).name.compare(naming, Qt::CaseInsensitive) == 0)
            keyValue = bound.at(i);
    }
    sink->rowAdded(AddedRowChange{shape.tableName, id, naming, keyValue, shape.columnNames, bound, {}},
                   transaction.mark());
}

// Rows added by one statement and given back as (key, ID): each matched to
// the values bound for it by its key, the backend's order being the rows'
// order as a rule but not a promise.
void TableRecordsets::Private::reportAddedRows(const RowShape &shape, const QList<QVariantList> &rows,
                                               const QVariantList &shared, const QString &returnColumn,
                                               const QList<std::pair<QVariant, qint64>> &added)
{
    qsizetype keyAt = -1;
    for (qsizetype i = 0; i < shape.columns.size(); ++i) {
        if (shape.columns.at(i).name.compare(returnColumn, Qt::CaseInsensitive) == 0)
            keyAt = i;
    }
    const auto keyOf = [&](qsizetype r) {
        return keyAt < 0 ? QString() : rowValue(rows.at(r), shared, keyAt).toString();
    };
    // The same key as bound and as given back, without making texts when
    // both are whole numbers (a companion's parent ID).
    const auto sameKey = [&](qsizetype r, const QVariant &key) {
        if (keyAt < 0)
            return key.toString().isEmpty();
        const QVariant &bound = rowValue(rows.at(r), shared, keyAt);
        if (sameBound(bound, key))
            return true;
        const auto whole = [](const QVariant &v) {
            return v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int;
        };
        if (whole(bound) && whole(key))
            return bound.toLongLong() == key.toLongLong();
        return bound.toString() == key.toString();
    };
    QMultiHash<QString, qsizetype> unmatched;
    const quint64 mark = transaction.mark();
    for (qsizetype r = 0; r < added.size(); ++r) {
        const auto &[key, id] = added.at(r);
        qsizetype row = r;
        if (!sameKey(r, key)) {
            const QString wanted = key.toString();
            if (unmatched.isEmpty()) {
                for (qsizetype u = 0; u < rows.size(); ++u)
                    unmatched.insert(keyOf(u), u);
            }
            row = unmatched.value(wanted, r);
            unmatched.remove(wanted, row);
        }
        sink->rowAdded(
                AddedRowChange{shape.tableName, id, returnColumn, key, shape.columnNames, rows.value(row), shared},
                mark);
    }
}

// The columns about to be written, read first as they are, with the
// column that names the row.
void TableRecordsets::Private::reportUpdated(const WriteStatement &statement, qint64 id, const QVariantList &bound,
                                             const QStringList &columnNames)
{
    const QSqlDriver *driver = statements.database().driver();
    const QString naming = rowNamingColumn(statement.tableName);
    QStringList names{driver->escapeIdentifier(column(table(statement.tableName), naming).name, QSqlDriver::FieldName)};
    for (const Column &c : statement.columns)
        names.append(driver->escapeIdentifier(c.name, QSqlDriver::FieldName));
    PreparedStatement &query = statements.run(
            QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?").arg(names.join(QStringLiteral(", ")), statement.tableName),
            {id});
    const ResultRelease release(query);
    if (!query.next())
        return;
    const QVariant keyValue = query.value(0);
    const quint64 mark = transaction.mark();
    for (qsizetype i = 0; i < statement.columns.size(); ++i)
        sink->columnUpdated(UpdatedColumnChange{statement.tableName, id, naming, keyValue,
                                                columnNames.at(i), query.value(int(i) + 1), bound.at(i)},
                            mark);
}

} // namespace vxr

#include "UndoChecks.h"

#include "UndoPointers.h"
#include "UndoStore.h"
#include "UndoValues.h"

#include "database/RowChangeSink.h"

#include <QHash>
#include <QMap>
#include <QSet>

namespace vxr {

namespace {

const QString Id = QStringLiteral("ID");

QString rowKey(const QString &table, qint64 id)
{
    return table.toLower() + QLatin1Char('#') + QString::number(id);
}

QString keyText(const UndoRow &row)
{
    return QStringLiteral("%1 %2, ID %3").arg(row.keyColumn, shownValue(row.keyValue)).arg(row.id);
}

// The plan's rows of each table, by ID.
template<typename Row, typename RowOf>
QMap<QString, QMap<qint64, const Row *>> byTable(const QList<Row> &rows, RowOf rowOf)
{
    QMap<QString, QMap<qint64, const Row *>> tables;
    for (const Row &row : rows)
        tables[rowOf(row).table][rowOf(row).id] = &row;
    return tables;
}

const UndoRow &itself(const UndoRow &row)
{
    return row;
}

const UndoRow &rowOfUpdate(const UndoUpdate &update)
{
    return update.row;
}

// The stored values of the rows with these IDs: ID first, then the columns.
QHash<qint64, QVariantList> storedRows(UndoStore &store, const QString &table, const QStringList &columns,
                                       const QList<qint64> &ids)
{
    QHash<qint64, QVariantList> rows;
    for (const QVariantList &row : store.rowsWhereIn(table, QStringList{Id} + columns, Id, ids))
        rows.insert(row.value(0).toLongLong(), row.mid(1));
    return rows;
}

// The columns an added row was written with, less its key (checked first).
QStringList writtenColumns(UndoStore &store, const QString &table, const QList<const UndoRow *> &rows,
                           const QString &keyName)
{
    QStringList columns;
    for (const UndoRow *row : rows) {
        for (const UndoValue &value : row->written) {
            const QString name = store.column(table, value.column).name;
            if (name.compare(keyName, Qt::CaseInsensitive) != 0 && name.compare(Id, Qt::CaseInsensitive) != 0
                && !columns.contains(name))
                columns.append(name);
        }
    }
    return columns;
}

// An added row still there under its key: each column it was written with
// holding what the run left in it (an edit made since is the user's).
void checkWritten(UndoStore &store, const UndoRow &row, const QStringList &columns, const QVariantList &now,
                  QList<UndoConflict> &conflicts)
{
    for (const UndoValue &value : row.written) {
        const ColumnType &type = store.column(row.table, value.column);
        const qsizetype at = columns.indexOf(type.name);
        if (at >= 0 && !sameStoredValue(value.written, now.value(at + 1), type.typeCode))
            conflicts.append({row.table, keyText(row), value.column, shownValue(value.written, type.typeCode),
                              shownValue(now.value(at + 1), type.typeCode)});
    }
}

void checkAdded(UndoStore &store, const UndoPlan &plan, QList<UndoConflict> &conflicts)
{
    const auto tables = byTable(plan.added, itself);
    for (auto table = tables.cbegin(); table != tables.cend(); ++table) {
        const UndoRow &first = **table->cbegin();
        const ColumnType &key = store.column(table.key(), first.keyColumn);
        const QStringList columns = writtenColumns(store, table.key(), table->values(), key.name);
        const QHash<qint64, QVariantList> stored = storedRows(store, table.key(), QStringList{key.name} + columns,
                                                              table->keys());
        for (const UndoRow *row : *table) {
            const auto found = stored.constFind(row->id);
            if (found == stored.constEnd())
                conflicts.append({row->table, keyText(*row), Id, QString::number(row->id), QStringLiteral("(no such row)")});
            else if (!sameStoredValue(row->keyValue, found->value(0), key.typeCode))
                conflicts.append({row->table, keyText(*row), row->keyColumn, shownValue(row->keyValue, key.typeCode),
                                  shownValue(found->value(0), key.typeCode)});
            else
                checkWritten(store, *row, columns, *found, conflicts);
        }
    }
}

void checkUpdated(UndoStore &store, const UndoPlan &plan, QList<UndoConflict> &conflicts)
{
    const auto tables = byTable(plan.updated, rowOfUpdate);
    for (auto table = tables.cbegin(); table != tables.cend(); ++table) {
        QStringList columns;
        for (const UndoUpdate *update : *table) {
            for (const UndoValue &value : update->values) {
                const QString name = store.column(table.key(), value.column).name;
                if (!columns.contains(name))
                    columns.append(name);
            }
        }
        const QHash<qint64, QVariantList> stored = storedRows(store, table.key(), columns, table->keys());
        for (const UndoUpdate *update : *table) {
            const auto found = stored.constFind(update->row.id);
            for (const UndoValue &value : update->values) {
                const ColumnType &type = store.column(table.key(), value.column);
                const QVariant now = found == stored.constEnd() ? QVariant() : found->value(columns.indexOf(type.name));
                if (found == stored.constEnd() || !sameStoredValue(value.written, now, type.typeCode))
                    conflicts.append({update->row.table, keyText(update->row), value.column,
                                      shownValue(value.written, type.typeCode),
                                      found == stored.constEnd() ? QStringLiteral("(no such row)")
                                                                 : shownValue(now, type.typeCode)});
            }
        }
    }
}

// Rows the undo keeps that point at rows it deletes. A row whose pointing
// column the undo writes back is no conflict: it then points where it did
// before the run.
void checkPointers(UndoStore &store, const UndoPlan &plan, QList<UndoConflict> &conflicts)
{
    const auto deleted = byTable(plan.added, itself);
    QSet<QString> restored;
    for (const UndoUpdate &update : plan.updated) {
        for (const UndoValue &value : update.values)
            restored.insert(rowKey(update.row.table, update.row.id) + QLatin1Char('.') + value.column.toLower());
    }
    for (const StorePointer &pointer : storePointers()) {
        const auto targets = deleted.constFind(pointer.target);
        if (targets == deleted.cend())
            continue;
        const QString name = rowNamingColumn(pointer.table);
        const QStringList selected = {Id, pointer.column, name};
        for (const QVariantList &row : store.rowsWhereIn(pointer.table, selected, pointer.column, targets->keys())) {
            const qint64 id = row.value(0).toLongLong();
            const UndoRow *target = targets->value(row.value(1).toLongLong());
            const auto own = deleted.value(pointer.table);
            if (own.contains(id) || restored.contains(rowKey(pointer.table, id) + QLatin1Char('.') + pointer.column.toLower()))
                continue;
            conflicts.append({target->table, keyText(*target), Id, QString::number(target->id),
                              QStringLiteral("%1 %2 (ID %3) points at it by %4")
                                      .arg(pointer.table, shownValue(row.value(2))).arg(id).arg(pointer.column)});
        }
    }
}

void checkLaterWrites(const UndoPlan &plan, const QList<LaterWrite> &later, QList<UndoConflict> &conflicts)
{
    QHash<QString, const UndoRow *> added;
    for (const UndoRow &row : plan.added)
        added.insert(rowKey(row.table, row.id), &row);
    QHash<QString, std::pair<const UndoRow *, const UndoValue *>> written;
    for (const UndoUpdate &update : plan.updated) {
        for (const UndoValue &value : update.values)
            written.insert(rowKey(update.row.table, update.row.id) + QLatin1Char('.') + value.column.toLower(),
                           {&update.row, &value});
    }
    for (const LaterWrite &write : later) {
        const QString key = rowKey(write.table, write.id);
        const QString now = QStringLiteral("written by the later run %1").arg(write.runId);
        if (const UndoRow *row = added.value(key))
            conflicts.append({row->table, keyText(*row), write.column, QString(), now});
        const auto found = written.constFind(key + QLatin1Char('.') + write.column.toLower());
        if (found != written.cend())
            conflicts.append({found->first->table, keyText(*found->first), write.column,
                              shownValue(found->second->written), now});
    }
}

} // namespace

QList<UndoConflict> findUndoConflicts(UndoStore &store, const UndoPlan &plan, const QList<LaterWrite> &later)
{
    QList<UndoConflict> conflicts;
    checkAdded(store, plan, conflicts);
    checkUpdated(store, plan, conflicts);
    checkPointers(store, plan, conflicts);
    checkLaterWrites(plan, later, conflicts);
    return conflicts;
}

bool isAlreadyUndone(UndoStore &store, const UndoPlan &plan)
{
    if (plan.added.isEmpty() && plan.updated.isEmpty())
        return false;
    const auto tables = byTable(plan.added, itself);
    for (auto table = tables.cbegin(); table != tables.cend(); ++table) {
        if (!store.rowsWhereIn(table.key(), {Id}, Id, table->keys()).isEmpty())
            return false;
    }
    for (const UndoUpdate &update : plan.updated) {
        QStringList columns;
        for (const UndoValue &value : update.values)
            columns.append(value.column);
        const QList<QVariantList> rows = store.rowsWhereIn(update.row.table, columns, Id, {update.row.id});
        if (rows.isEmpty())
            return false;
        for (qsizetype c = 0; c < columns.size(); ++c) {
            const int type = store.column(update.row.table, columns.at(c)).typeCode;
            if (!sameStoredValue(update.values.at(c).previous, rows.first().value(c), type))
                return false;
        }
    }
    return true;
}

} // namespace vxr

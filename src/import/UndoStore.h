#pragma once

#include "database/ColumnTypes.h"
#include "database/SqlStatements.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

namespace vxr {

// The store as an undo reads and changes it: only the tables an import
// writes, each column checked against the store's own list of columns
// (names come from the journal and are never put into a statement
// unchecked), and lists of IDs sent in as few statements as the backend's
// limit of values allows. Failures are thrown as DbError.
class UndoStore
{
public:
    explicit UndoStore(SqlStatements &statements) : m_statements(statements) {}

    // The column as the store has it; throws DbError when the table is not
    // one the program writes or has no such column.
    const ColumnType &column(const QString &table, const QString &column);

    // The rows of the table whose column holds one of the values: each row's
    // selected columns, in that order.
    QList<QVariantList> rowsWhereIn(const QString &table, const QStringList &selected, const QString &column,
                                    const QList<qint64> &values);
    // Deletes the rows with these IDs.
    void deleteRows(const QString &table, const QList<qint64> &ids);
    // Writes values into columns of the row with this ID.
    void updateRow(const QString &table, qint64 id, const QList<std::pair<QString, QVariant>> &values);

private:
    const QList<ColumnType> &columns(const QString &table);
    QString name(const QString &table, const QString &column);
    QString tableName(const QString &table);
    int idsPerStatement() const;

    SqlStatements &m_statements;
    QHash<QString, QList<ColumnType>> m_columns; // by lower-case table name
};

} // namespace vxr

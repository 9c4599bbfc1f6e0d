#pragma once

#include "DbError.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <utility>

namespace vxr {

class DbConnection;
class FieldTable;
class RowChangeSink;
class SqlStatements;
class Transaction;

// A column name and the value to store in it.
using ColumnValues = QList<std::pair<QString, QVariant>>;

// The columns of a table that rows are written with, found in the table and
// given their statement once (see TableRecordsets::rowShape).
struct RowShape;

// The fourteen tables of an import run: checked to exist and given a prepared
// insert statement once per run, so that each line only binds values. Rows
// are written inside the run's transaction, which the run commits.
class TableRecordsets
{
public:
    TableRecordsets(DbConnection &connection, FieldTable &fields);
    ~TableRecordsets();

    // Checks the fourteen tables exist and prepares their statements.
    // Throws DbError naming the table that is missing.
    void openTables();
    // Records DataType and MaxLength of every catalogue entry of the table.
    // Throws DbError naming table and column when a column is missing.
    void readFieldTypes(int tableId);
    // Rolls back what was not committed, closes the tables and then the
    // connection; never throws.
    void closeTables() noexcept;

    // The shape of rows of the table with these columns, made on first use
    // and valid until the tables are opened again (see generation()).
    // Throws DbError naming a column the table does not have.
    const RowShape &rowShape(const QString &tableName, const QStringList &columnNames);
    // Grows each time the tables are opened; shapes of an older generation
    // must not be used.
    int generation() const;

    // Adds one row in the open transaction, values in the shape's column
    // order; returns the ID the database assigned to it. Throws DbError when
    // the database refuses the row.
    qint64 addRow(const RowShape &shape, const QVariantList &values);
    // The same with the columns named beside their values.
    qint64 addRow(const QString &tableName, const ColumnValues &values);

    // Adds many rows with as few statements as the backend allows (its
    // limit of values per statement and of rows per VALUES list). When
    // returnColumn is given, each new row's value of it and its ID come back,
    // in no particular order. Throws DbError when a statement fails; the
    // rows of earlier statements are then written, and the caller rolls
    // them back. shared, when given, holds the values of the shape's last
    // columns, the same for every row: the rows hold only the columns before.
    QList<std::pair<QVariant, qint64>> addRows(const RowShape &shape, const QList<QVariantList> &rows,
                                               const QString &returnColumn, const QVariantList &shared = {});
    // Whether the backend gives back the rows a statement inserted.
    bool canReturnRows() const;

    // The values of a column that the table holds, among these, as stored.
    // Throws DbError.
    QList<QVariant> valuesPresent(const QString &tableName, const QString &column, const QStringList &values);

    // The defined size of a column (a text's length); -1 when unknown.
    // Throws DbError when the table or the column is missing.
    int columnSize(const QString &tableName, const QString &column) const;

    // Overwrites columns of the row with this ID in the open transaction.
    // Throws DbError when the database refuses the change.
    void updateRow(const QString &tableName, qint64 id, const ColumnValues &values);

    // The statements of the run (key checks and look-ups), prepared once.
    SqlStatements &statements();
    // The transaction the rows are written in.
    Transaction &transaction();

    bool isOpen() const;

    // Tells the sink of every row added or updated from now on, and of every
    // rollback (nullptr: none). While one is set, the IDs of rows added many
    // at a time are always asked back, and an update reads the columns it
    // changes first.
    void setChangeSink(RowChangeSink *sink);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace vxr

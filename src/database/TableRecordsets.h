#pragma once

#include "DbError.h"

#include <QString>
#include <QVariant>

#include <memory>
#include <utility>

namespace vxr {

class DbConnection;
class FieldTable;
class SqlStatements;

// A column name and the value to store in it.
using ColumnValues = QList<std::pair<QString, QVariant>>;

// The fourteen tables of an import run: checked to exist and given a prepared
// insert statement once per run, so that each line only binds values.
class TableRecordsets
{
public:
    TableRecordsets(DbConnection &connection, FieldTable &fields);
    ~TableRecordsets();

    // Checks the fourteen tables exist and prepares their statements.
    // Throws DbError naming the table that is missing.
    void OpenTables();
    // Records DataType and MaxLength of every catalogue entry of the table.
    // Throws DbError naming table and column when a column is missing.
    void ReadFieldTypes(int tableId);
    // Closes the tables and then the connection; never throws.
    void CloseTables() noexcept;

    // Adds and commits one row; returns the ID the database assigned to it.
    // Throws DbError when the database refuses the row.
    qint64 addRow(const QString &tableName, const ColumnValues &values);

    // Overwrites columns of the row with this ID and commits it.
    // Throws DbError when the database refuses the change.
    void updateRow(const QString &tableName, qint64 id, const ColumnValues &values);

    // The statements of the run (key checks and look-ups), prepared once.
    SqlStatements &statements();

    bool isOpen() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace vxr

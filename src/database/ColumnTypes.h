#pragma once

#include "DbConnection.h"
#include "DbError.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace vxr {

// One column of a table: its name as the database spells it, its data-type
// code (the codes of ColumnKinds.h: 202 text with a length, 203 long text,
// 135 date-time, 11 boolean, 3 integer, ...) and its defined size (characters
// for text, bytes for the other kinds).
struct ColumnType
{
    QString name;
    int typeCode = 12;
    int definedSize = 0;
};

// The columns of a table on an open database, in the table's order. The
// table name is matched without regard to case (PostgreSQL folds names to
// lower case). Throws DbError when the table does not exist or the
// database cannot be asked.
QList<ColumnType> readColumnTypes(const QSqlDatabase &database, Dialect dialect, const QString &table);

// The column of that name, compared without regard to case; null when none.
const ColumnType *findColumnType(const QList<ColumnType> &columns, const QString &name);

// The code and size of a declared column type as SQLite keeps it
// ("NVARCHAR(30)", "NTEXT", "MONEY", "DATETIME", "BIT", ...).
ColumnType classifyDeclaredType(const QString &declaredType);

// The code and size of an information_schema data_type (PostgreSQL or SQL
// Server); maxLength is character_maximum_length (null/-1: unlimited).
// Every text kind is text: char, varchar, nchar, nvarchar with a length are
// 202, text, ntext and the unlimited forms 203.
ColumnType classifyInformationSchemaType(const QString &dataType, qint64 maxLength);

} // namespace vxr

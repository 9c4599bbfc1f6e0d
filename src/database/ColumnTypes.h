#pragma once

#include "DbConnection.h"
#include "DbError.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <optional>

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

// The dates a date column holds when its type takes fewer than the years 1
// to 9999: SQL Server's datetime from 1753-01-01 and smalldatetime from
// 1900-01-01 to 2079-06-06 (to the minute, rounded). classifyInformationSchemaType
// tells them apart by their sizes in bytes, 8 and 4; every other date kind
// has a size of 16, and no range.
struct DateRange
{
    QDateTime first;
    QDateTime last;
};
std::optional<DateRange> dateRange(int typeCode, int definedSize);

} // namespace vxr

#pragma once

#include <QString>
#include <QVariant>

namespace vxr {

class SqlStatements;

// True when the database selects a row for "ColumnName = Value" and the first
// such row holds Value exactly (case and trailing blanks count), so that a
// database comparing without regard to case only proposes candidates.
// A failing query throws DbError; everything after it counts as "not present".
bool recordExists(SqlStatements &sql, const QString &tableName, const QString &columnName,
                  const QVariant &value);

// The ID of the first row whose column equals value in the database's own
// comparison. For the table "AccountReceivable" (exactly so spelled) the
// highest ID of that table, whatever column and value say. Throws DbError:
// NoCurrentRecord when no row is found, ValueOutOfRange when the ID does not
// fit 32 bits.
qint32 recordId(SqlStatements &sql, const QString &tableName, const QString &columnName,
                   const QString &value);

// The statements the two above run.
QString recordExistsSql(const QString &tableName, const QString &columnName);
QString recordIdSql(const QString &tableName, const QString &columnName);

// How many values a statement that asks for count values at once binds:
// the next power of two, at most most, the last value filling the places
// left. So a few prepared statements serve every batch.
int placesFor(qsizetype count, int most);

// Ordinary variant equality as the look-ups use it: texts compare character
// by character, an empty value equals empty text, null equals nothing.
bool storedValueEquals(const QVariant &stored, const QVariant &value);

} // namespace vxr

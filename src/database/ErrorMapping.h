#pragma once

#include "DbConnection.h"
#include "DbError.h"
#include "OdbcDiagnostics.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>

namespace vxr {

// The error number of a SQLSTATE (ODBC and PostgreSQL report them): 23505 a
// duplicate, 23502/23503/23514 other constraints, 22001/22003 too long or out
// of range, 22P02/22018/22007 a conversion, 08xxx the connection. 0 when the
// state says nothing we can classify.
qint32 errorNumberForSqlState(const QString &sqlState);

// The error number of a SQL Server error number (as FreeTDS and Microsoft's
// drivers give them: 2627/2601 duplicate, 515 NOT NULL, 547 foreign key or
// check, 8152/2628 too long, 245/8114 conversion). 0 when unknown.
qint32 errorNumberForSqlServerError(int nativeError);

// The error number of an SQLite result code, extended (2067 unique, 1299 NOT
// NULL, ...) or primary (19 constraint, 18 too big, 20 mismatch). 0 when unknown.
qint32 errorNumberForSqliteCode(int code, const QString &message);

// What a backend reports, turned into the error numbers lines fail with by
// the dialect of the backend: by the native code and SQLSTATE where there are
// any, by the message only as a last resort. The description is the
// database's text.
DbError dbErrorFrom(const QSqlError &error, Dialect dialect);

// The same with the SQLSTATEs and native numbers the ODBC driver manager
// recorded (Qt's ODBC driver drops them from QSqlError).
DbError dbErrorFrom(const QSqlError &error, Dialect dialect, const OdbcDiagnostics &diagnostics);

// The failure of the last execution of query, with its ODBC diagnostics when
// there are any. Call it before the query is executed again or finished.
DbError dbErrorFrom(const QSqlQuery &query, Dialect dialect);

// The building blocks the dialects classify with.

// The database's description of a failure (the driver's when it gives none).
QString errorDescription(const QSqlError &error);

// The number the wording of a failure suggests (English messages of the
// common backends); StatementFailed when it suggests nothing.
qint32 errorNumberForText(const QSqlError &error);

// Whether SQL Server's native error numbers decide before the SQLSTATEs
// (SQL Server), only after them (an unknown ODBC source), or not at all.
enum class OdbcNativeNumbers { First, Fallback, Ignored };

// A failure reported through ODBC, with the scope a cancelled statement
// (57014, HY008) or a lost connection (08xxx, HY010) gives it.
DbError odbcErrorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics, OdbcNativeNumbers natives);

} // namespace vxr

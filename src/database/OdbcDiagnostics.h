#pragma once

#include <QList>
#include <QSqlQuery>
#include <QString>
#include <QStringList>

namespace vxr {

// What the ODBC driver manager recorded for a statement that failed: its
// SQLSTATEs, native error numbers and messages, in the order the driver gave
// them. The message depends on the server's language; the SQLSTATE does not.
struct OdbcDiagnostics
{
    QStringList sqlStates;
    QList<int> nativeErrors;
    QStringList messages = {}; // initialised, so that a brace list may leave it out
    bool isEmpty() const { return sqlStates.isEmpty() && nativeErrors.isEmpty(); }
};

// The diagnostics of the last failed execution of query, read from its ODBC
// statement handle. Must be called before the query is executed again or
// finished. Empty for other drivers, or when the program is built without
// the ODBC headers.
OdbcDiagnostics odbcDiagnostics(const QSqlQuery &query);

// The diagnostics an ODBC handle holds (handleType is SQL_HANDLE_STMT or
// SQL_HANDLE_DBC; the handle an SQLHANDLE), read before the next call on it
// clears them. Empty without the ODBC headers.
OdbcDiagnostics odbcDiagnostics(short handleType, void *handle);

// The ODBC drivers the driver manager knows, by name; empty when unknown.
QStringList odbcDriverManagerDrivers();

// The ODBC data sources (user and system DSNs) the driver manager knows.
QStringList odbcDriverManagerDataSources();

} // namespace vxr

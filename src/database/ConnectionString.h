#pragma once

#include "DbConnection.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vxr {

// One "key=value" part of a connection string; the key and value as typed.
struct ConnectionStringPart
{
    QString key;
    QString value;
    // Where the value stands in the string, braces or quotes included:
    // characters [valueFrom, valueTo).
    qsizetype valueFrom = 0;
    qsizetype valueTo = 0;
};

// Splits a connection string into its parts. A part without "=" belongs to the
// value before it (a password such as "a;b" typed into the dialog reaches the
// string unchanged), and a value enclosed in {braces} or "quotes" may hold ";".
QList<ConnectionStringPart> parseConnectionString(const QString &text);

// The connection string with the value of every password part (the keys
// Password and PWD, in any case) replaced by shown and every other character
// as it stands. Parts are found as parseConnectionString finds them, so what
// the connection would take for the password is what goes.
QString withPasswordShownAs(const QString &connectionString, const QString &shown);

// The connection string with every password value left empty, for storing.
QString withoutPassword(const QString &connectionString);

// The value of the first part whose key matches, compared without regard to
// case; a null string when there is none.
QString connectionStringValue(const QList<ConnectionStringPart> &parts, const QString &key);

// A value as ODBC wants it: as it stands, or in braces (with "}" doubled) when
// it holds a character that would otherwise end or confuse it, or starts with
// a quotation mark or apostrophe. parseConnectionString reads it back as given.
QString odbcValue(const QString &value);

// "key=value" with the value written by odbcValue.
QString connectionStringPart(const QString &key, const QString &value);

// The connection strings of the kinds of database the wizard's dialog offers.
// Every value comes back unchanged from parseConnectionString, whatever it
// holds (";", braces, quotes, blanks at its ends).
//   Provider=SQLOLEDB.1;Persist Security Info=False;User ID=;Password=;Initial Catalog=;Data Source=
QString sqlServerConnectionString(const QString &user, const QString &password, const QString &database,
                                  const QString &server);
//   Provider=MSDASQL;Driver={driver};Server=;Port=;Database=;UID=;PWD=   (no Port part when it is empty)
QString odbcDriverConnectionString(const QString &driver, const QString &server, const QString &port,
                                   const QString &database, const QString &user, const QString &password);
//   Provider=MSDASQL;DSN=;UID=;PWD=   (no UID or PWD part when empty: the data source's own apply)
QString odbcDsnConnectionString(const QString &dataSource, const QString &user, const QString &password);
//   Provider=SQLite;Data Source=
QString sqliteConnectionString(const QString &path);

// What a password is shown as, wherever one is shown.
inline QString passwordMask() { return QStringLiteral("****"); }

// Whether a part's key names a password (Password or PWD, in any case).
bool isPasswordKey(const QString &key);

// What a connection string leads to: the Qt driver and what it is opened with.
struct ConnectionTarget
{
    Dialect dialect = Dialect::SQLite;
    QString qtDriver;        // "QSQLITE" or "QODBC"
    QString databaseName;    // the file of the store, or the ODBC connection string
    QString connectOptions;  // Qt driver options (busy or login time-out)
};

// The SQL Server drivers we can use, best first: Microsoft's ODBC Driver 18
// and 17, Windows' SQL Server Native Client 11.0, FreeTDS, and Windows' own
// "SQL Server".
QStringList preferredSqlServerDrivers();

// The ODBC drivers registered on this machine (the sections of odbcinst.ini).
QStringList installedOdbcDrivers();

// The PostgreSQL ODBC driver to use among the installed ones: the Unicode
// driver first, then any other whose name says PostgreSQL; "PostgreSQL
// Unicode" (the usual name) when none is installed.
QString preferredPostgresDriver(const QStringList &installedDrivers);

// The ODBC data sources (DSNs) the driver manager knows, by name.
QStringList installedOdbcDataSources();

// Builds the ODBC string for a SQL Server connection from the parts of an
// SQLOLEDB.1 string: "(local)" (or ".") is this machine, "host\instance" and
// "host,port" are honoured, Initial Catalog/User ID/Password become
// Database/UID/PWD, and Integrated Security=SSPI (or Trusted_Connection=Yes)
// becomes Trusted_Connection=Yes, without user and password. The login
// time-out goes to the driver as a connection attribute
// (SQL_ATTR_LOGIN_TIMEOUT), which every one of them honours.
QString sqlServerOdbcString(const QString &driver, const QList<ConnectionStringPart> &parts);

// Works out the target of a connection string. installedDrivers is the list
// the SQL Server driver is chosen from. Returns false and fills *error when
// the string names no provider, an unknown one, or no usable driver.
bool connectionTarget(const QString &connectionString, const QStringList &installedDrivers,
                      int timeoutSeconds, ConnectionTarget *target, QString *error);

} // namespace vxr

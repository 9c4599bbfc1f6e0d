#pragma once

#include "DbError.h"

#include <QSqlDatabase>
#include <QString>

namespace vxr {

// Which kind of database a connection string leads to.
enum class Dialect { SQLite, SqlServer, PostgreSQL, OtherOdbc };

// The one shared database connection, opened from a connection string:
//   Provider=SQLOLEDB.1;...;Initial Catalog=DB;Data Source=SERVER  -> SQL Server through ODBC
//   Provider=MSDASQL;<ODBC connection string>                      -> that ODBC source
//   Provider=SQLite;Data Source=PATH                                -> the embedded store
class DbConnection
{
public:
    DbConnection();
    ~DbConnection();
    DbConnection(const DbConnection &) = delete;
    DbConnection &operator=(const DbConnection &) = delete;

    // Opens a new connection (closing any open one). On failure returns false
    // and fills *error with the number and the database's description.
    bool open(const QString &connectionString, DbError *error, int timeoutSeconds = 15);
    void close();
    bool isOpen() const;

    QSqlDatabase database() const;
    Dialect dialect() const { return m_dialect; }

private:
    QString m_connectionName;
    Dialect m_dialect = Dialect::SQLite;
};

} // namespace vxr

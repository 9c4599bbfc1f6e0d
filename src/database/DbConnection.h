#pragma once

#include "DbError.h"

#include <QSqlDatabase>
#include <QString>

#include <memory>

namespace vxr {

class CancelToken;
class StatementCanceller;

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
    // and fills *error with the number and the database's description. A
    // store another program has locked is waited for up to the time-out;
    // a request on cancel (when given) cuts that wait short.
    bool open(const QString &connectionString, DbError *error, int timeoutSeconds = 15,
              CancelToken *cancel = nullptr);
    void close();
    bool isOpen() const;

    QSqlDatabase database() const;
    Dialect dialect() const { return m_dialect; }
    // The file of an embedded store; empty for a server.
    QString storeFilePath() const { return m_storeFile; }

    // While a token is set, a cancel request cuts short a wait for a lock
    // and interrupts a statement running on a server. nullptr clears it.
    void setCancelToken(CancelToken *token);
    // Told which statement runs, for the cancel request to interrupt.
    StatementCanceller *statementCanceller() const;

private:
    bool openTarget(const struct ConnectionTarget &target, DbError *failure);
    bool prepareOpened(const QSqlDatabase &db, const ConnectionTarget &target, DbError *failure);

    QString m_connectionName;
    Dialect m_dialect = Dialect::SQLite;
    QString m_storeFile;
    struct Interruption;
    std::unique_ptr<Interruption> m_interruption;
};

} // namespace vxr

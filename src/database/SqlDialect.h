#pragma once

#include "ColumnTypes.h"
#include "DbConnection.h"
#include "DbError.h"
#include "OdbcDiagnostics.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace vxr {

class PreparedStatement;
class StatementCanceller;

// How the ID of a row just inserted comes back.
enum class NewIdSource {
    Returning,     // INSERT ... RETURNING ID
    OutputClause,  // SQL Server: SCOPE_IDENTITY(), or OUTPUT INSERTED.ID INTO a table variable
    LastInsertId,  // the driver's last insert id, for a backend that reports it no other way
};

// What differs between the database backends: the statements that control a
// transaction, how a new row's ID comes back, how the schema is read, how a
// failure is classified, how many values one statement may carry and how
// some values are bound. One implementation per backend; the database layer
// asks the dialect of its connection instead of testing the backend itself.
class SqlDialect
{
public:
    virtual ~SqlDialect() = default;

    virtual Dialect kind() const = 0;

    // Transactions and savepoints. An empty text means the backend needs no
    // statement for that step.
    virtual QString beginTransactionSql() const { return QStringLiteral("BEGIN"); }
    virtual QString commitSql() const { return QStringLiteral("COMMIT"); }
    virtual QString rollbackSql() const { return QStringLiteral("ROLLBACK"); }
    virtual QString savepointSql(const QString &name) const { return QStringLiteral("SAVEPOINT ") + name; }
    virtual QString rollbackToSavepointSql(const QString &name) const
    {
        return QStringLiteral("ROLLBACK TO SAVEPOINT ") + name;
    }
    virtual QString releaseSavepointSql(const QString &name) const
    {
        return QStringLiteral("RELEASE SAVEPOINT ") + name;
    }
    // True when transaction and savepoint statements may be prepared once
    // and run again (some ODBC drivers refuse to prepare them).
    virtual bool transactionStatementsCanBePrepared() const { return false; }
    // True when any failed statement leaves the transaction unusable until
    // it is rolled back to a savepoint, so that even a look-up must run
    // inside one.
    virtual bool failedStatementAbortsTransaction() const { return true; }
    // A statement that answers whether the transaction survived a failed
    // statement (a first column of 0 means it is gone); empty when a
    // failure never ends the transaction by itself.
    virtual QString transactionAliveSql() const { return {}; }
    // Writes what the open transaction changed so far to the database's
    // files without committing it, so that the commit that follows is
    // short; nothing where the server keeps the changes itself. A failure
    // is left to that commit, which meets it again and reports it.
    virtual void writeAheadOfCommit(const QSqlDatabase &) const {}

    // A statement prepared on the connection, run the way that suits the
    // backend best; canceller is told while it runs. Throws DbError.
    virtual std::unique_ptr<PreparedStatement> prepare(const QSqlDatabase &database, const QString &sql,
                                                       StatementCanceller *canceller) const;

    // New rows.
    virtual NewIdSource newIdSource(const QSqlDatabase &database) const = 0;
    // INSERT INTO table (columns) VALUES (?, ...) with the new ID coming back
    // as the dialect can give it (as the first column of the only result);
    // columns are already escaped.
    virtual QString insertSql(NewIdSource source, const QString &table, const QStringList &columns) const;
    // INSERT INTO table (columns) VALUES (...), (...), ... for rowCount rows,
    // giving back each new row's ID and its returned column (name escaped,
    // type as read) in a result of two columns when a name is given. source
    // must not be LastInsertId when a column is to come back. literals, when
    // not empty, holds a column's literal (from literal()) in place of its
    // placeholder, or an empty text where the column is bound.
    virtual QString multiRowInsertSql(NewIdSource source, const QString &table, const QStringList &columns,
                                      int rowCount, const ColumnType &returned,
                                      const QStringList &literals) const;
    // A statement that reads the highest ID the table has given, where the
    // rows of one insert are given the IDs after it, one after the other in
    // their order (SQLite's rowids): their IDs are then known without asking
    // the rows back. Empty where IDs come back only as the database says.
    virtual QString highestIdSql(const QSqlDatabase &, const QString & /*table*/) const { return {}; }
    // UPDATE table SET column = ?, ... WHERE ID = ?; columns are escaped.
    QString updateSql(const QString &table, const QStringList &columns) const;
    // SELECT column FROM table WHERE column IN (?, ...) for count values.
    QString valuesPresentSql(const QString &table, const QString &column, int count) const;
    // How many rows of this many columns one multi-row insert may carry.
    int rowsPerStatement(int columnCount) const;
    // The rows of the next multi-row insert, with left rows still to add:
    // as many as one carries, and where fewer are left, on a database that
    // costs no round trip a statement, the largest power of two. So the few
    // statement sizes are prepared once in a run, not one for the rest of
    // every batch.
    int rowsOfNextStatement(qsizetype left, int perStatement) const;

    // The columns of a table, in the table's order. Throws DbError when the
    // table does not exist or the database cannot be asked.
    virtual QList<ColumnType> readColumnTypes(const QSqlDatabase &database, const QString &table) const = 0;

    // A failure as an error number, the database's description and how far
    // it reaches.
    virtual DbError errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const = 0;

    // Statement limits: bound values per statement and rows per VALUES list.
    virtual int maxParameters() const = 0;
    virtual int maxRowsPerValuesList() const { return 1000000; }
    // Bound values one multi-row insert carries at most: its size in the
    // database's statement cache and in the driver's buffers.
    virtual int maxValuesPerInsert() const { return maxParameters(); }
    // True where a statement costs no round trip to a server.
    virtual bool isEmbedded() const { return false; }

    // Values the backend has no type of its own for.
    virtual QVariant dateTimeValue(const QDateTime &value) const { return value; }
    virtual QVariant booleanValue(bool value) const { return value; }
    // A value as bound (after boundValue) written as a literal of the
    // statement's text, for a column of typeCode, where the database stores
    // it exactly as it stores the bound value; none when it must be bound.
    virtual std::optional<QString> literal(const QVariant &, int /*typeCode*/) const { return std::nullopt; }

    // The embedded resource holding this backend's store schema; empty when
    // it has none.
    virtual QString schemaResource() const { return {}; }

    // The lock a run holds, until its transaction ends, while it adds
    // departments, categories, suppliers or taxes, so that another run
    // adding the same name waits and then finds it instead of adding it
    // again (the store need not have a unique index on the names). One lock
    // for every name: locks per name, taken line by line as the names come
    // up, deadlock two runs that add the same names in another order. The
    // statement takes it, waiting while another transaction holds it; empty
    // when the backend needs none (SQLite's writer holds the whole store, an
    // unknown ODBC source offers nothing we could rely on).
    virtual QString referenceLockSql() const { return {}; }
    // The failure the statement's first value (invalid without a row) stands
    // for when the lock was not granted; none when it was.
    virtual std::optional<DbError> referenceLockRefusal(const QVariant &) const { return std::nullopt; }

    // The database name Qt's driver opens, with the options the import
    // relies on added (an ODBC string, or the file of an embedded store).
    virtual QString openedDatabaseName(const QString &databaseName) const { return databaseName; }
    // Settings made on a connection just opened; false with *error when
    // the database refuses them. A setting that finds the database locked
    // by another program is tried again as long as waitForLock (which
    // pauses a moment first) says so.
    virtual bool prepareConnection(const QSqlDatabase &, const std::function<bool()> & /*waitForLock*/,
                                   QString * /*error*/) const
    {
        return true;
    }
};

// "(?, ?, ?)" for a row of count values, and rowCount such rows separated
// by commas, for a VALUES list; with literals (one a column, empty where the
// column is bound), each column's literal in place of its placeholder.
QString placeholderRow(int count);
QString valueRows(int columnCount, int rowCount, const QStringList &literals = {});

// The dialect of a backend; the objects live as long as the program.
const SqlDialect &sqlDialect(Dialect kind);

// The columns a schema query selected, a row each, made by classify; throws
// DbError naming the table when it has none (the table does not exist).
QList<ColumnType> columnTypesFrom(QSqlQuery &query, const QString &table,
                                  const std::function<ColumnType(const QSqlQuery &)> &classify);

// The database's column types through information_schema (PostgreSQL, SQL
// Server and other ODBC sources); schemaFilter narrows it to the schema in use.
QList<ColumnType> informationSchemaColumnTypes(const QSqlDatabase &database, const SqlDialect &dialect,
                                               const QString &table, const QString &schemaFilter);

// The column types a schema query of three columns selects (the name, the
// information_schema data type and the character length), with the table's
// name bound to every placeholder of sql.
QList<ColumnType> schemaQueryColumnTypes(const QSqlDatabase &database, const SqlDialect &dialect,
                                         const QString &table, const QString &sql);

} // namespace vxr

#pragma once

#include "DbConnection.h"
#include "DbError.h"
#include "PreparedStatement.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <memory>

namespace vxr {

class SqlDialect;
class StatementCanceller;

// The statements an import run repeats for every line, each prepared once on
// the run's connection and kept until the run ends. Values always travel as
// bound parameters; the SQL text only ever holds the program's own names.
class SqlStatements
{
public:
    SqlStatements() = default;
    ~SqlStatements();
    SqlStatements(const SqlStatements &) = delete;
    SqlStatements &operator=(const SqlStatements &) = delete;

    // canceller, when given, is told which statement runs, so that a cancel
    // request can interrupt it.
    void attach(const QSqlDatabase &database, Dialect dialect, StatementCanceller *canceller = nullptr);
    // Drops every prepared statement and lets go of the connection, which
    // can then be closed.
    void detach() noexcept;

    QSqlDatabase database() const { return m_database; }
    Dialect dialect() const { return m_dialect; }
    const SqlDialect &sqlDialect() const { return *m_sqlDialect; }

    // The statement for this text, prepared on first use. Throws DbError.
    PreparedStatement &prepared(const QString &sql);

    // Prepares (once) and runs a statement in one go: values are bound to
    // the placeholders in order. Throws DbError (with the statement's result
    // released) on failure.
    PreparedStatement &run(const QString &sql, const QVariantList &values);

    // Runs a transaction or savepoint statement, unprepared unless the
    // dialect allows it (some drivers refuse to prepare them), and finishes
    // it. Throws DbError.
    void runDirect(const QString &sql);

    // The failure of the last execution of query, as the dialect classifies it.
    DbError errorOf(const QSqlQuery &query) const;

private:
    QSqlDatabase m_database;
    Dialect m_dialect = Dialect::SQLite;
    const SqlDialect *m_sqlDialect = nullptr;
    StatementCanceller *m_canceller = nullptr;
    QHash<QString, std::shared_ptr<PreparedStatement>> m_statements;
    std::unique_ptr<QSqlQuery> m_direct;
};

// Releases a statement's result when it goes out of scope, so that a pending
// result never holds a lock or keeps an autocommitted write from completing.
class ResultRelease
{
public:
    explicit ResultRelease(PreparedStatement &statement) : m_statement(statement) {}
    ~ResultRelease() { m_statement.finish(); }
    ResultRelease(const ResultRelease &) = delete;
    ResultRelease &operator=(const ResultRelease &) = delete;

private:
    PreparedStatement &m_statement;
};

// The error for reading a row from a result that has none.
DbError noCurrentRecord();

// Text as a bound parameter: never the null string, which drivers send as NULL.
inline QString boundText(const QString &text)
{
    return text.isNull() ? QString(QLatin1String("")) : text;
}

} // namespace vxr

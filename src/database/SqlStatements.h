#pragma once

#include "DbConnection.h"
#include "DbError.h"

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
    QSqlQuery &prepared(const QString &sql);

    // Binds values to the placeholders in order and runs the statement.
    // Throws DbError (with the statement's result released) on failure.
    void execute(QSqlQuery &query, const QVariantList &values);

    // Prepares (once) and runs a statement in one go.
    QSqlQuery &run(const QString &sql, const QVariantList &values);

    // Runs a statement without preparing it (transaction control, which some
    // drivers refuse to prepare) and finishes it. Throws DbError.
    void runDirect(const QString &sql);

    // The failure of the last execution of query, as the dialect classifies it.
    DbError errorOf(const QSqlQuery &query) const;

private:
    QSqlDatabase m_database;
    Dialect m_dialect = Dialect::SQLite;
    const SqlDialect *m_sqlDialect = nullptr;
    StatementCanceller *m_canceller = nullptr;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_statements;
    std::unique_ptr<QSqlQuery> m_direct;
};

// Releases a statement's result when it goes out of scope, so that a pending
// result never holds a lock or keeps an autocommitted write from completing.
class ResultRelease
{
public:
    explicit ResultRelease(QSqlQuery &query) : m_query(query) {}
    ~ResultRelease() { m_query.finish(); }
    ResultRelease(const ResultRelease &) = delete;
    ResultRelease &operator=(const ResultRelease &) = delete;

private:
    QSqlQuery &m_query;
};

// The error for reading a row from a result that has none.
DbError noCurrentRecord();

// Text as a bound parameter: never the null string, which drivers send as NULL.
inline QString boundText(const QString &text)
{
    return text.isNull() ? QString(QLatin1String("")) : text;
}

} // namespace vxr

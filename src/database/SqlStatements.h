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

    void attach(const QSqlDatabase &database, Dialect dialect);
    // Drops every prepared statement and lets go of the connection, which
    // can then be closed.
    void detach() noexcept;

    QSqlDatabase database() const { return m_database; }
    Dialect dialect() const { return m_dialect; }

    // The statement for this text, prepared on first use. Throws DbError.
    QSqlQuery &prepared(const QString &sql);

    // Binds values to the placeholders in order and runs the statement.
    // Throws DbError (with the statement's result released) on failure.
    void execute(QSqlQuery &query, const QVariantList &values);

    // Prepares (once) and runs a statement in one go.
    QSqlQuery &run(const QString &sql, const QVariantList &values);

private:
    QSqlDatabase m_database;
    Dialect m_dialect = Dialect::SQLite;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_statements;
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

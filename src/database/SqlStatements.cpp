#include "SqlStatements.h"

#include "ErrorMapping.h"
#include "OdbcStatement.h"
#include "SqlDialect.h"

#include <QSqlError>

namespace vxr {

SqlStatements::~SqlStatements()
{
    detach();
}

void SqlStatements::attach(const QSqlDatabase &database, Dialect dialect, StatementCanceller *canceller)
{
    detach();
    m_database = database;
    m_dialect = dialect;
    m_sqlDialect = &vxr::sqlDialect(dialect);
    m_canceller = canceller;
}

void SqlStatements::detach() noexcept
{
    for (const auto &query : std::as_const(m_statements))
        query->finish();
    m_statements.clear();
    m_direct.reset();
    m_canceller = nullptr;
    m_database = QSqlDatabase();
}

DbError SqlStatements::errorOf(const QSqlQuery &query) const
{
    return m_sqlDialect->errorFrom(query.lastError(), odbcDiagnostics(query));
}

PreparedStatement &SqlStatements::prepared(const QString &sql)
{
    auto found = m_statements.constFind(sql);
    if (found != m_statements.constEnd())
        return **found;
    std::shared_ptr<PreparedStatement> statement = m_sqlDialect->prepare(m_database, sql, m_canceller);
    m_statements.insert(sql, statement);
    return *statement;
}

PreparedStatement &SqlStatements::run(const QString &sql, const QVariantList &values)
{
    PreparedStatement &statement = prepared(sql);
    statement.execute(values);
    return statement;
}

void SqlStatements::runDirect(const QString &sql)
{
    if (m_sqlDialect->transactionStatementsCanBePrepared()) {
        run(sql, {}).finish();
        return;
    }
    // On an ODBC connection through the driver manager itself, so that the
    // text goes with its exact length.
    if (runOdbcDirect(m_database, sql, *m_sqlDialect))
        return;
    if (!m_direct) {
        m_direct = std::make_unique<QSqlQuery>(m_database);
        m_direct->setForwardOnly(true);
    }
    if (!m_direct->exec(sql)) {
        const DbError error = errorOf(*m_direct);
        m_direct->finish();
        throw error;
    }
    m_direct->finish();
}

DbError noCurrentRecord()
{
    return DbError{ErrorNumbers::NoCurrentRecord, QStringLiteral("No current record: the query returned no row.")};
}

} // namespace vxr

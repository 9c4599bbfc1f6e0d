#include "SqlStatements.h"

#include "ErrorMapping.h"
#include "SqlDialect.h"
#include "StatementCanceller.h"

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

QSqlQuery &SqlStatements::prepared(const QString &sql)
{
    auto found = m_statements.constFind(sql);
    if (found != m_statements.constEnd())
        return **found;

    auto query = std::make_shared<QSqlQuery>(m_database);
    query->setForwardOnly(true);
    if (!query->prepare(sql))
        throw errorOf(*query);
    m_statements.insert(sql, query);
    return *query;
}

void SqlStatements::execute(QSqlQuery &query, const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    bool ok = false;
    {
        const RunningStatement running(m_canceller, query);
        ok = query.exec();
    }
    if (!ok) {
        // With the ODBC diagnostics, read before the result is released: the
        // SQLSTATE names the failure whatever language the server speaks.
        const DbError error = errorOf(query);
        query.finish();
        throw error;
    }
}

QSqlQuery &SqlStatements::run(const QString &sql, const QVariantList &values)
{
    QSqlQuery &query = prepared(sql);
    execute(query, values);
    return query;
}

void SqlStatements::runDirect(const QString &sql)
{
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

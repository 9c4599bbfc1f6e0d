#include "SqlStatements.h"

#include "ErrorMapping.h"

#include <QSqlError>

namespace vxr {

SqlStatements::~SqlStatements()
{
    detach();
}

void SqlStatements::attach(const QSqlDatabase &database, Dialect dialect)
{
    detach();
    m_database = database;
    m_dialect = dialect;
}

void SqlStatements::detach() noexcept
{
    for (const auto &query : std::as_const(m_statements))
        query->finish();
    m_statements.clear();
    m_database = QSqlDatabase();
}

QSqlQuery &SqlStatements::prepared(const QString &sql)
{
    auto found = m_statements.constFind(sql);
    if (found != m_statements.constEnd())
        return **found;

    auto query = std::make_shared<QSqlQuery>(m_database);
    query->setForwardOnly(true);
    if (!query->prepare(sql))
        throw dbErrorFrom(*query, m_dialect);
    m_statements.insert(sql, query);
    return *query;
}

void SqlStatements::execute(QSqlQuery &query, const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec()) {
        // With the ODBC diagnostics, read before the result is released: the
        // SQLSTATE names the failure whatever language the server speaks.
        const DbError error = dbErrorFrom(query, m_dialect);
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

DbError noCurrentRecord()
{
    return DbError{ErrorNumbers::NoCurrentRecord,
                   QStringLiteral("No current record: the query returned no row.")};
}

} // namespace vxr

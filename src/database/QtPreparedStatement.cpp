#include "QtPreparedStatement.h"

#include "OdbcDiagnostics.h"
#include "SqlDialect.h"
#include "StatementCanceller.h"

#include <QSqlError>

namespace vxr {

namespace {

// The failure of the last execution, with the ODBC diagnostics read before
// the result is released: the SQLSTATE names the failure whatever language
// the server speaks.
DbError failureOf(const QSqlQuery &query, const SqlDialect &dialect)
{
    return dialect.errorFrom(query.lastError(), odbcDiagnostics(query));
}

} // namespace

QtPreparedStatement::QtPreparedStatement(const QSqlDatabase &database, const QString &sql,
                                         const SqlDialect &dialect, StatementCanceller *canceller)
    : m_query(database), m_dialect(dialect), m_canceller(canceller)
{
    m_query.setForwardOnly(true);
    if (!m_query.prepare(sql))
        throw failureOf(m_query, m_dialect);
}

void QtPreparedStatement::execute(const QVariantList &values)
{
    for (int i = 0; i < values.size(); ++i)
        m_query.bindValue(i, values.at(i));
    bool ok = false;
    {
        const RunningStatement running(m_canceller, m_query);
        ok = m_query.exec();
    }
    if (!ok) {
        const DbError error = failureOf(m_query, m_dialect);
        m_query.finish();
        throw error;
    }
}

bool QtPreparedStatement::next()
{
    if (m_query.next())
        return true;
    if (m_query.lastError().isValid()) {
        const DbError error = failureOf(m_query, m_dialect);
        m_query.finish();
        throw error;
    }
    return false;
}

} // namespace vxr

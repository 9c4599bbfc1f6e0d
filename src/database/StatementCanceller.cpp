#include "StatementCanceller.h"

#include <QMutexLocker>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QSqlResult>
#include <QVariant>

#ifdef VXR_HAVE_ODBC
#include "OdbcApi.h"
#endif

namespace vxr {

namespace {

// The ODBC statement handle behind a query of Qt's ODBC driver; null for
// other drivers.
void *odbcStatementHandle(const QSqlQuery &query)
{
    const QSqlResult *result = query.result();
    if (!result || !query.driver())
        return nullptr;
    if (!QByteArray(query.driver()->metaObject()->className()).contains("ODBC"))
        return nullptr;
    const QVariant handle = result->handle();
    const char *typeName = handle.typeName();
    if (!handle.isValid() || !typeName || (qstrcmp(typeName, "void*") != 0 && qstrcmp(typeName, "SQLHANDLE") != 0))
        return nullptr;
    return *static_cast<void *const *>(handle.constData());
}

} // namespace

void StatementCanceller::setRunning(void *odbcStatement)
{
    const QMutexLocker lock(&m_mutex);
    m_statement = odbcStatement;
}

void StatementCanceller::setRunning(const QSqlQuery &query)
{
    setRunning(odbcStatementHandle(query));
}

void StatementCanceller::clearRunning()
{
    const QMutexLocker lock(&m_mutex);
    m_statement = nullptr;
}

void StatementCanceller::cancelRunning()
{
    const QMutexLocker lock(&m_mutex);
#ifdef VXR_HAVE_ODBC
    // SQLCancel is the one ODBC call meant to be made from another thread
    // while the statement runs; the lock keeps the handle alive meanwhile.
    if (m_statement)
        SQLCancel(static_cast<SQLHSTMT>(m_statement));
#endif
}

} // namespace vxr

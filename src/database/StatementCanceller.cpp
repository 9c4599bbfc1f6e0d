#include "StatementCanceller.h"

#include "CancelToken.h"

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

StatementCanceller::~StatementCanceller()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_stopping = true;
        m_changed.wakeAll();
    }
    if (m_watch.joinable())
        m_watch.join();
}

void StatementCanceller::setCancelToken(const CancelToken *token)
{
    const QMutexLocker lock(&m_mutex);
    m_token = token;
    m_cancelled = false;
}

void StatementCanceller::setRunning(void *odbcStatement)
{
    const QMutexLocker lock(&m_mutex);
    m_statement = odbcStatement;
    m_cutAt = QDeadlineTimer(QDeadlineTimer::Forever);
    if (!m_statement)
        return;
    // A request made before the token was set reached no interrupter.
    if (m_token && m_token->isRequested())
        m_cancelled = true;
    if (!m_cancelled)
        return;
    m_cutAt = QDeadlineTimer(GraceMilliseconds);
    startWatch();
    m_changed.wakeAll();
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
    m_cancelled = true;
    if (!m_statement)
        return;
    cancelLocked();
    startWatch();
    m_changed.wakeAll();
}

// With the mutex held, which keeps the handle alive meanwhile.
void StatementCanceller::cancelLocked()
{
#ifdef VXR_HAVE_ODBC
    // SQLCancel is the one ODBC call meant to be made from another thread
    // while the statement runs.
    SQLCancel(static_cast<SQLHSTMT>(m_statement));
#endif
    m_cutAt = QDeadlineTimer(RepeatMilliseconds);
}

void StatementCanceller::startWatch()
{
    if (!m_watch.joinable())
        m_watch = std::thread([this] { watch(); });
}

// Cancels the running statement whenever its time is up, until the
// canceller goes; a statement cleared meanwhile is never touched, as both
// happen under the mutex.
void StatementCanceller::watch()
{
    const QMutexLocker lock(&m_mutex);
    while (!m_stopping) {
        if (m_statement && m_cutAt.hasExpired())
            cancelLocked();
        else
            m_changed.wait(&m_mutex, m_statement ? m_cutAt : QDeadlineTimer(QDeadlineTimer::Forever));
    }
}

} // namespace vxr

#include "SqliteBusyWait.h"

#include "CancelToken.h"
#include "SqlitePreparedStatement.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QThread>
#include <QVariant>

#include <sqlite3.h>

namespace vxr {

namespace {

constexpr int WaitStepMs = 20;

} // namespace

bool SqliteBusyWait::install(const QSqlDatabase &database)
{
    sqlite3 *handle = SqlitePreparedStatement::handleOf(database);
    if (!handle)
        return false;
    return sqlite3_busy_handler(handle, &SqliteBusyWait::onBusy, this) == SQLITE_OK;
}

// Called by SQLite while the store is locked: non-zero to try again.
int SqliteBusyWait::onBusy(void *self, int attempt)
{
    auto *wait = static_cast<SqliteBusyWait *>(self);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (attempt == 0)
        wait->m_waitStartedMs = now;
    return wait->pauseBeforeRetry(now - wait->m_waitStartedMs) ? 1 : 0;
}

bool SqliteBusyWait::pauseBeforeRetry(qint64 waitedMs) const
{
    if (cancelRequested() || waitedMs >= m_timeoutMs)
        return false;
    QThread::msleep(WaitStepMs);
    return true;
}

bool SqliteBusyWait::cancelRequested() const
{
    const CancelToken *token = m_token.load();
    return token && token->isRequested();
}

} // namespace vxr

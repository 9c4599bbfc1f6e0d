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
    const CancelToken *token = wait->m_token.load();
    if (token && token->isRequested())
        return 0;
    if (now - wait->m_waitStartedMs >= wait->m_timeoutMs)
        return 0;
    QThread::msleep(WaitStepMs);
    return 1;
}

} // namespace vxr

#include "SqliteBusyWait.h"

#include "CancelToken.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QThread>
#include <QVariant>

#include <sqlite3.h>

namespace vxr {

namespace {

constexpr int WaitStepMs = 20;

sqlite3 *nativeHandle(const QSqlDatabase &database)
{
    if (!database.driver())
        return nullptr;
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

} // namespace

bool SqliteBusyWait::install(const QSqlDatabase &database)
{
    sqlite3 *handle = nativeHandle(database);
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

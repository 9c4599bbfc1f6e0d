#pragma once

#include <QSqlDatabase>

#include <atomic>

namespace vxr {

class CancelToken;

// Waits for another program's lock on a SQLite store, as the busy time-out
// would, but in short steps that look at the run's cancel request, so that a
// cancel does not have to wait for the lock. Installed on the connection's
// native handle; lives as long as the connection.
class SqliteBusyWait
{
public:
    explicit SqliteBusyWait(int timeoutMilliseconds) : m_timeoutMs(timeoutMilliseconds) {}
    SqliteBusyWait(const SqliteBusyWait &) = delete;
    SqliteBusyWait &operator=(const SqliteBusyWait &) = delete;

    // False when the connection is not a SQLite connection we can reach.
    bool install(const QSqlDatabase &database);
    void setCancelToken(CancelToken *token) { m_token.store(token); }

    // For a statement that found the store locked without waiting (SQLite
    // does not wait where waiting could deadlock) and is to be tried again:
    // pauses a moment and returns true, or returns false at once when the
    // wait so far has reached the time-out or a cancel is requested.
    bool pauseBeforeRetry(qint64 waitedMs) const;
    bool cancelRequested() const;
    int timeoutMilliseconds() const { return m_timeoutMs; }

private:
    static int onBusy(void *self, int attempt);

    const int m_timeoutMs;
    std::atomic<CancelToken *> m_token{nullptr};
    qint64 m_waitStartedMs = 0;
};

} // namespace vxr

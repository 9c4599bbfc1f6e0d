#pragma once

#include <QDeadlineTimer>
#include <QMutex>
#include <QWaitCondition>

#include <thread>

class QSqlQuery;

namespace vxr {

class CancelToken;

// Cancels, from another thread, the ODBC statement that is running on a
// connection: a statement waiting for a server lock would otherwise hold a
// cancel request back for as long as the lock lasts. Statements of other
// drivers are not touched.
//
// A driver cancels only a statement it is executing at that moment, and a
// server ignores a cancel that comes before the statement reaches it, so
// one cancel may be lost. Once a cancel is requested, a watch thread cancels
// the statement that was running again and again until it ends, and a
// statement started after the request (the rest of the line, the batch's
// staged rows: they still run) once it has run for a grace period: a wait
// for a lock then ends, whenever the cancel came.
class StatementCanceller
{
public:
    StatementCanceller() = default;
    ~StatementCanceller();
    StatementCanceller(const StatementCanceller &) = delete;
    StatementCanceller &operator=(const StatementCanceller &) = delete;

    // The request the statements answer to; one made before it was set
    // counts too. Setting it (or none) forgets an earlier request.
    void setCancelToken(const CancelToken *token);

    // The statement about to run, by its ODBC statement handle (null for
    // none) or its query; cleared again when it is done.
    void setRunning(void *odbcStatement);
    void setRunning(const QSqlQuery &query);
    void clearRunning();
    // Thread-safe and quick: cancels the running statement, if any, and
    // every statement that runs on past its grace from now on.
    void cancelRunning();

    static constexpr int RepeatMilliseconds = 250;
    static constexpr int GraceMilliseconds = 3000;

private:
    void cancelLocked();
    void startWatch();
    void watch();

    QMutex m_mutex;
    QWaitCondition m_changed;
    void *m_statement = nullptr; // the ODBC statement handle
    const CancelToken *m_token = nullptr;
    bool m_cancelled = false; // a request has been seen
    QDeadlineTimer m_cutAt;   // when the running statement is cancelled (again)
    std::thread m_watch;      // started when a request first meets a statement
    bool m_stopping = false;
};

// Marks a statement as running for the length of a scope.
class RunningStatement
{
public:
    RunningStatement(StatementCanceller *canceller, const QSqlQuery &query) : m_canceller(canceller)
    {
        if (m_canceller)
            m_canceller->setRunning(query);
    }
    RunningStatement(StatementCanceller *canceller, void *odbcStatement) : m_canceller(canceller)
    {
        if (m_canceller)
            m_canceller->setRunning(odbcStatement);
    }
    ~RunningStatement()
    {
        if (m_canceller)
            m_canceller->clearRunning();
    }
    RunningStatement(const RunningStatement &) = delete;
    RunningStatement &operator=(const RunningStatement &) = delete;

private:
    StatementCanceller *m_canceller;
};

} // namespace vxr

#pragma once

#include <QMutex>

class QSqlQuery;

namespace vxr {

// Cancels, from another thread, the ODBC statement that is running on a
// connection: a statement waiting for a server lock would otherwise hold a
// cancel request back for as long as the lock lasts. Statements of other
// drivers are not touched.
class StatementCanceller
{
public:
    // The statement about to run, by its ODBC statement handle (null for
    // none) or its query; cleared again when it is done.
    void setRunning(void *odbcStatement);
    void setRunning(const QSqlQuery &query);
    void clearRunning();
    // Thread-safe; does nothing when no statement is running.
    void cancelRunning();

private:
    QMutex m_mutex;
    void *m_statement = nullptr; // the ODBC statement handle
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

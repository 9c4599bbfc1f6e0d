#include "Transaction.h"

#include "SqlDialect.h"
#include "SqlStatements.h"

#include <QSqlQuery>

namespace vxr {

Transaction::Transaction(SqlStatements &statements) : m_statements(statements) {}

void Transaction::addRollbackListener(std::function<void(quint64)> listener)
{
    m_rollbackListeners.append(std::move(listener));
}

void Transaction::notifyRollback(quint64 since)
{
    for (const auto &listener : std::as_const(m_rollbackListeners))
        listener(since);
}

void Transaction::failControl(const DbError &error, const QString &what)
{
    DbError failure = error;
    failure.scope = error.scope == FailureScope::Cancel ? FailureScope::Cancel : FailureScope::Run;
    if (failure.number == ErrorNumbers::StatementFailed)
        failure.number = ErrorNumbers::ConnectionFailed;
    failure.description = QStringLiteral("%1 failed: %2").arg(what, error.description);
    throw failure;
}

void Transaction::begin()
{
    if (m_active)
        return;
    try {
        m_statements.runDirect(m_statements.sqlDialect().beginTransactionSql());
    } catch (const DbError &error) {
        failControl(error, QStringLiteral("Starting a transaction"));
    }
    m_active = true;
    m_beginMark = ++m_mark;
}

void Transaction::commit()
{
    if (!m_active)
        return;
    try {
        // Through a statement of our own: it reports the database's answer,
        // where a driver's commit call may drop the error or report success
        // on a connection that is gone.
        m_statements.runDirect(m_statements.sqlDialect().commitSql());
    } catch (const DbError &error) {
        rollback();
        failControl(error, QStringLiteral("Committing the transaction"));
    }
    m_active = false;
}

void Transaction::writeAhead()
{
    if (m_active)
        m_statements.sqlDialect().writeAheadOfCommit(m_statements.database());
}

bool Transaction::rollback() noexcept
{
    if (!m_active)
        return true;
    m_active = false;
    bool ok = true;
    try {
        m_statements.runDirect(m_statements.sqlDialect().rollbackSql());
    } catch (...) {
        ok = false;
    }
    notifyRollback(m_beginMark);
    return ok;
}

quint64 Transaction::openSavepoint(const QString &name)
{
    begin();
    const quint64 since = ++m_mark;
    try {
        m_statements.runDirect(m_statements.sqlDialect().savepointSql(name));
    } catch (const DbError &error) {
        failControl(error, QStringLiteral("Setting a savepoint"));
    }
    return since;
}

void Transaction::releaseSavepoint(const QString &name)
{
    const QString sql = m_statements.sqlDialect().releaseSavepointSql(name);
    if (sql.isEmpty())
        return;
    try {
        m_statements.runDirect(sql);
    } catch (const DbError &error) {
        failControl(error, QStringLiteral("Releasing a savepoint"));
    }
}

// A backend whose failures can end the transaction behind our back says so
// through a statement; rolling back to a savepoint of a transaction that is
// gone would fail anyway, but this names the cause.
void Transaction::checkTransactionSurvived()
{
    const QString sql = m_statements.sqlDialect().transactionAliveSql();
    if (sql.isEmpty())
        return;
    PreparedStatement &query = m_statements.run(sql, {});
    const ResultRelease release(query);
    if (query.next() && query.value(0).toInt() == 0) {
        m_active = false;
        notifyRollback(m_beginMark);
        throw DbError{ErrorNumbers::ConnectionFailed,
                      QStringLiteral("The database ended the transaction after a failed statement."),
                      FailureScope::Run};
    }
}

void Transaction::rollbackToSavepoint(const QString &name, quint64 since)
{
    const SqlDialect &dialect = m_statements.sqlDialect();
    try {
        checkTransactionSurvived();
        m_statements.runDirect(dialect.rollbackToSavepointSql(name));
        const QString release = dialect.releaseSavepointSql(name);
        if (!release.isEmpty())
            m_statements.runDirect(release);
    } catch (const DbError &error) {
        if (error.endsRun())
            throw;
        failControl(error, QStringLiteral("Rolling back to a savepoint"));
    }
    notifyRollback(since);
}

} // namespace vxr

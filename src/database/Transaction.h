#pragma once

#include "DbError.h"

#include <QList>
#include <QString>

#include <functional>
#include <type_traits>

namespace vxr {

class SqlStatements;

// The transaction of an import run's current batch and the savepoints inside
// it. Every statement goes through the run's SqlStatements; a failure of the
// transaction control itself (begin, commit, a savepoint) is thrown as a
// DbError that ends the run, since after it nothing says what is stored.
class Transaction
{
public:
    explicit Transaction(SqlStatements &statements);
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool isActive() const { return m_active; }

    // Begins a transaction when none is open.
    void begin();
    // Commits the open transaction. A failure is thrown with the run-ending
    // scope; the transaction is then rolled back as far as the database lets.
    void commit();
    // Writes the open transaction's changes ahead of its commit where the
    // database lets us (see SqlDialect::writeAheadOfCommit): work to do
    // while the commit must wait for something else.
    void writeAhead();
    // Rolls the open transaction back; false when the database refused
    // (the connection may be gone). Never throws.
    bool rollback() noexcept;

    // Runs work inside a savepoint of this name (beginning a transaction when
    // none is open). When work throws (a line's failure, a cancelled
    // statement), everything it did is rolled back before the error goes on;
    // when the rollback itself fails, a run-ending error goes on instead.
    template<typename Work>
    auto guarded(const QString &name, Work &&work) -> decltype(work());

    // Grows with every savepoint and every transaction begun. Whatever was
    // learned from the database at mark m or later is undone when a rollback
    // reports since <= m.
    quint64 mark() const { return m_mark; }
    // The mark the open transaction began at.
    quint64 beginMark() const { return m_beginMark; }
    // Called with the mark of the savepoint or transaction rolled back.
    void addRollbackListener(std::function<void(quint64 since)> listener);

private:
    quint64 openSavepoint(const QString &name);
    void releaseSavepoint(const QString &name);
    void rollbackToSavepoint(const QString &name, quint64 since);
    void checkTransactionSurvived();
    void notifyRollback(quint64 since);
    [[noreturn]] void failControl(const DbError &error, const QString &what);

    SqlStatements &m_statements;
    bool m_active = false;
    quint64 m_mark = 0;
    quint64 m_beginMark = 0;
    QList<std::function<void(quint64)>> m_rollbackListeners;
};

template<typename Work>
auto Transaction::guarded(const QString &name, Work &&work) -> decltype(work())
{
    const quint64 since = openSavepoint(name);
    try {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            releaseSavepoint(name);
        } else {
            auto result = work();
            releaseSavepoint(name);
            return result;
        }
    } catch (const DbError &error) {
        // After a lost connection there is nothing to roll back to; a
        // cancelled statement's work is undone like a failed one's.
        if (error.scope != FailureScope::Run)
            rollbackToSavepoint(name, since);
        throw;
    } catch (...) {
        rollbackToSavepoint(name, since);
        throw;
    }
}

} // namespace vxr

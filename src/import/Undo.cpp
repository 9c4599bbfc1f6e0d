#include "Undo.h"

#include "RunLock.h"
#include "UndoStore.h"
#include "UndoValues.h"

#include "database/DbConnection.h"
#include "database/SqlDialect.h"

#include <cstdio>

namespace vxr {

namespace {

void count(const UndoPlan &plan, UndoOutcome &outcome)
{
    for (const UndoRow &row : plan.added)
        ++outcome.deleted[row.table];
    for (const UndoUpdate &update : plan.updated)
        ++outcome.restored[update.row.table];
}

// The added rows deleted newest first; each stretch of rows of one table
// goes in as few statements as the backend allows.
void deleteAdded(UndoStore &store, const UndoPlan &plan)
{
    QString table;
    QList<qint64> ids;
    for (auto row = plan.added.crbegin(); row != plan.added.crend(); ++row) {
        if (row->table != table && !ids.isEmpty()) {
            store.deleteRows(table, ids);
            ids.clear();
        }
        table = row->table;
        ids.append(row->id);
    }
    if (!ids.isEmpty())
        store.deleteRows(table, ids);
}

// For the tests of an undo stopped inside its store transaction: with
// VXR_UNDO_TEST_PAUSE set, the undo, its rows deleted and its values put
// back but not committed, says "undo paused" on standard error and waits for
// a line on standard input (or to be killed).
void pauseForTests()
{
    if (qEnvironmentVariableIsEmpty("VXR_UNDO_TEST_PAUSE"))
        return;
    std::fputs("undo paused\n", stderr);
    std::fflush(stderr);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return;
}

void restoreUpdated(UndoStore &store, const UndoPlan &plan)
{
    for (const UndoUpdate &update : plan.updated) {
        QList<std::pair<QString, QVariant>> values;
        for (const UndoValue &value : update.values)
            values.append({value.column, restoredValue(value.previous, store.column(update.row.table, value.column).typeCode)});
        store.updateRow(update.row.table, update.row.id, values);
    }
}

// The store's transaction for the undo: on SQLite it takes the write lock at
// once, so that nothing changes between the checks and the changes.
class UndoTransaction
{
public:
    explicit UndoTransaction(SqlStatements &statements) : m_statements(statements)
    {
        m_statements.runDirect(m_statements.dialect() == Dialect::SQLite ? QStringLiteral("BEGIN IMMEDIATE")
                                                                         : m_statements.sqlDialect().beginTransactionSql());
        m_open = true;
    }
    ~UndoTransaction() { rollback(); }
    UndoTransaction(const UndoTransaction &) = delete;
    UndoTransaction &operator=(const UndoTransaction &) = delete;

    void commit()
    {
        m_statements.runDirect(m_statements.sqlDialect().commitSql());
        m_open = false;
    }
    void rollback() noexcept
    {
        if (!m_open)
            return;
        m_open = false;
        try {
            m_statements.runDirect(m_statements.sqlDialect().rollbackSql());
        } catch (...) {
            // A connection that is gone has rolled back on its own.
        }
    }

private:
    SqlStatements &m_statements;
    bool m_open = false;
};

UndoOutcome checkAndUndo(SqlStatements &statements, const QSqlDatabase &journal, const UndoPlan &plan, bool dryRun)
{
    UndoOutcome outcome;
    outcome.runId = plan.runId;
    count(plan, outcome);
    QList<LaterWrite> later;
    if (!readLaterWrites(journal, plan, &later, &outcome.message))
        return outcome;

    UndoStore store(statements);
    UndoTransaction transaction(statements);
    outcome.conflicts = findUndoConflicts(store, plan, later);
    if (!outcome.conflicts.isEmpty() && !dryRun && isAlreadyUndone(store, plan)) {
        transaction.rollback();
        outcome.conflicts.clear();
        outcome.message = QStringLiteral("The store was already as the undo leaves it (an earlier undo whose end "
                                         "the journal missed); the run is now marked undone.");
    } else if (!outcome.conflicts.isEmpty() || dryRun) {
        outcome.result = outcome.conflicts.isEmpty() ? UndoOutcome::Result::DryRun : UndoOutcome::Result::Conflicts;
        return outcome;
    } else {
        deleteAdded(store, plan);
        restoreUpdated(store, plan);
        pauseForTests();
        transaction.commit();
    }
    QString error;
    if (!markRunUndone(journal, plan.runId, &error)) {
        outcome.message = QStringLiteral("Run %1 is taken back out of the store, but the journal could not be "
                                         "marked (%2); the next undo of it finds the store taken back and marks it.")
                                  .arg(plan.runId).arg(error);
        return outcome;
    }
    outcome.result = UndoOutcome::Result::Undone;
    return outcome;
}

} // namespace

UndoOutcome undoRun(DbConnection &store, const QSqlDatabase &journal, const QString &storeIdentity, qint64 runId,
                    bool dryRun)
{
    UndoOutcome outcome;
    const std::optional<UndoPlan> plan = readUndoPlan(journal, storeIdentity, runId, &outcome.message);
    outcome.runId = plan ? plan->runId : runId;
    if (outcome.runId > 0 && RunLock::isHeld(journal.databaseName(), outcome.runId)) {
        outcome.result = UndoOutcome::Result::Refused;
        outcome.message = QStringLiteral("Run %1 is still going on: it can be taken back once it has ended.")
                                  .arg(outcome.runId);
        return outcome;
    }
    if (!plan) {
        outcome.result = UndoOutcome::Result::Refused;
        return outcome;
    }
    SqlStatements statements;
    statements.attach(store.database(), store.dialect(), store.statementCanceller());
    try {
        outcome = checkAndUndo(statements, journal, *plan, dryRun);
    } catch (const DbError &error) {
        outcome.result = UndoOutcome::Result::Failed;
        outcome.runId = plan->runId;
        outcome.message = QStringLiteral("Nothing was changed: %1").arg(error.description);
    }
    statements.detach();
    return outcome;
}

} // namespace vxr

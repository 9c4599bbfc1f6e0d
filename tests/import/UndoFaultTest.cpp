// Undo through the real vxrimp on every backend: runs of every kind (an
// update, one transaction, cancelled, killed) taken back to the store as it
// was before them, row by row, and an undo stopped inside its transaction
// (killed, its connection ended, its journal held by another program) that
// leaves nothing half undone.

#include "TestStores.h"
#include "TestSupport.h"
#include "ToolRun.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>

namespace vxr::test {
namespace {

// n item lines P1, P2, ..., a new department every tenth line.
QByteArray itemLines(const QString &prefix, int n)
{
    QByteArray text;
    for (int i = 1; i <= n; ++i)
        text += QString("%1%2,Item %2,%1 Dept %3,Cat,Acme,5,1.00,2.00\n").arg(prefix).arg(i).arg(i / 10).toUtf8();
    return text;
}

class UndoFaultTest : public BackendTest
{
protected:
    QString journalPath() const { return m_dir.filePath("store.journal"); }

    QString writeFile(const QString &name, const QByteArray &text) const
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(writeTestFile(path, text));
        return path;
    }

    // vxrimp on the test's store and journal, with these variables set.
    void start(QProcess &process, const QStringList &arguments, const QStringList &variables = {}) const
    {
        startTool(process, m_dir.path(),
                  arguments + QStringList{"--connect", connectionString(), "--journal", journalPath()}, variables);
        EXPECT_TRUE(process.waitForStarted());
    }

    ToolResult vxrimp(const QStringList &arguments) const
    {
        QProcess process;
        start(process, arguments);
        return finishTool(process);
    }

    QStringList importItems(const QString &file, const QStringList &more = {}) const
    {
        return QStringList{"import", "--file", file, "--table", "Inventory", "--map", ItemMap,
                           "--log", m_dir.filePath("import.log")} + more;
    }

    static QStringList undoRun(qint64 run) { return {"undo", "--run", QString::number(run)}; }

    QVariant journalValue(const QString &sql) const { return fileRows(journalPath(), sql).value(0); }
    qint64 lastRun() const { return journalValue("SELECT MAX(Id) FROM Run").toLongLong(); }
    bool undone(qint64 run) const
    {
        return journalValue(QString("SELECT Undone IS NOT NULL FROM Run WHERE Id = %1").arg(run)).toString() == "1";
    }

    // The store before the runs under test: three items of two departments.
    void importFirstRun()
    {
        const QString first = writeFile("first.csv", "A1,Apple,Fruit,Fresh,Acme,5,1.00,2.50\n"
                                                     "A2,Pear,Fruit,Fresh,Acme,5,1.10,2.60\n"
                                                     "A3,Fig,Dried,Sweet,Best,7,2.00,4.00\n");
        ASSERT_EQ(vxrimp(importItems(first)).exitCode, 0);
    }

    QTemporaryDir m_dir;
};

enum class Fault { None, Interrupt, KillAfterCommit, KillBeforeCommit };

// Every run is taken back to the store as it was before it, row by row with
// the IDs of the rows that stay: what an update overwrote back, the rows and
// references it added gone, those that were there kept; and of a run that
// was cancelled or killed, exactly what its committed batches stored.
TEST_P(UndoFaultTest, RunOfEveryKindTakenBackToTheStoreBeforeIt)
{
    importFirstRun();
    const QStringList before = everyRow(connectionString());
    // batches: the run's batches in the journal after the undo's settling ("": none).
    const struct { const char *name; QByteArray text; QStringList more; Fault fault; int exitCode; const char *batches; }
            cases[] = {
        {"an update moving items to new departments, suppliers and taxes, with new items in old ones",
         "A1,Apple,Veg,Green,Zed,9,1.00,3.25\nA3,Fig rolls,Dried,Dry,Best,7,2.00,4.00\nN1,Nut,Fruit,Fresh,Acme,5,1,2\n"
         "A2,Pear,Fruit,Fresh,Best,5,1.10,2.60\n",
         {"--duplicates", "update", "--batch", "2"}, Fault::None, 0, "committed,committed"},
        {"all or nothing, journaled as one batch", itemLines("W", 30), {"--all-or-nothing"}, Fault::None, 0,
         "committed"},
        {"all or nothing with a failing line: nothing stored, no batch journaled",
         "X1,Item,X Dept,Cat,Acme,5,1,2\nX1,Again,X Dept 2,Cat,Acme,5,1,2\n", {"--all-or-nothing"}, Fault::None, 1, ""},
        {"cancelled by Ctrl-C", itemLines("C", 20000), {"--batch", "20"}, Fault::Interrupt, 3, nullptr},
        {"killed after a batch's commit, before the journal's mark", itemLines("K", 12), {"--batch", "4"},
         Fault::KillAfterCommit, -1, "committed,committed"},
        {"killed inside a batch's transaction", itemLines("P", 12), {"--batch", "4"}, Fault::KillBeforeCommit, -1,
         "committed,discarded"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QProcess process;
        const QString pause = c.fault == Fault::KillAfterCommit    ? "VXR_JOURNAL_TEST_PAUSE=stored:2"
                              : c.fault == Fault::KillBeforeCommit ? "VXR_JOURNAL_TEST_PAUSE=prepared:2"
                                                                   : QString();
        start(process, importItems(writeFile("run.csv", c.text), c.more), {pause});
        if (c.fault == Fault::Interrupt) {
            // Once a few batches are committed, the operator presses Ctrl-C.
            // Watched on the test's connection, open all along: the stores
            // compared on connections opened since must not take its locks
            // (it then read a log another program had removed: stale rows).
            for (int attempt = 0; attempt < 2000 && count("Item") < 60; ++attempt)
                QThread::msleep(10);
            ASSERT_EQ(process.state(), QProcess::Running) << "the run ended before it could be interrupted";
            ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        } else if (c.fault != Fault::None) {
            awaitSaid(process, "journal paused");
            // While its process lives the run is nobody else's to settle or
            // take back: its batch may be committing.
            const ToolResult early = vxrimp(undoRun(lastRun()));
            EXPECT_TRUE(early.exitCode > 0 && early.err.contains("still going on")) << early.err.toStdString();
            EXPECT_EQ(journalValue("SELECT State FROM Batch WHERE Number = 2 AND RunId = (SELECT MAX(Id) FROM Run)")
                              .toString(), "prepared");
            process.kill();
        }
        const ToolResult imported = finishTool(process);
        ASSERT_EQ(imported.exitCode, c.exitCode) << imported.err.toStdString();
        const qint64 run = lastRun();
        if (c.batches && !*c.batches)
            EXPECT_EQ(everyRow(connectionString()), before);
        else
            ASSERT_NE(everyRow(connectionString()), before) << "the run stored nothing";

        const ToolResult taken = vxrimp(undoRun(run));
        EXPECT_EQ(taken.exitCode, 0) << taken.err.toStdString();
        EXPECT_EQ(everyRow(connectionString()), before);
        EXPECT_TRUE(undone(run));
        if (c.batches) {
            EXPECT_EQ(journalValue(QString("SELECT group_concat(State) FROM (SELECT State FROM Batch WHERE RunId = %1 "
                                           "ORDER BY Number)").arg(run)).toString(), c.batches);
        }
        if (everyRow(connectionString()) != before)
            break; // the next run would start from another store
    }
}

enum class Stop { Kill, EndConnection, JournalHeld, JournalHeldAtMark };

class UndoStoppedTest : public UndoFaultTest
{
};

// An undo stopped inside its store transaction leaves nothing half undone:
// killed, or its connection to the server ended, the store is as the run
// left it and the run is not undone. A journal another program holds stops
// it before it changes anything, or, held only once the store's changes are
// in, leaves the mark to the next undo, which finds the store taken back.
TEST_P(UndoStoppedTest, InsideItsTransactionLeavesNothingHalfUndone)
{
    importFirstRun();
    const QStringList before = everyRow(connectionString());
    const QString update = writeFile("update.csv", "A1,Apple,Veg,Green,Zed,9,1.00,3.25\nN1,Nut,Fruit,Fresh,Acme,5,1,2\n");
    ASSERT_EQ(vxrimp(importItems(update, {"--duplicates", "update"})).exitCode, 0);
    const QStringList afterRun = everyRow(connectionString());
    const qint64 run = lastRun();
    const struct { const char *name; Stop stop; int exitCode; const char *said; const QStringList &store; } cases[] = {
        {"killed", Stop::Kill, -1, "", afterRun},
        {"its connection ended by the server", Stop::EndConnection, 2, "Nothing was changed", afterRun},
        {"the journal held by another program", Stop::JournalHeld, 2, "journal", afterRun},
        {"the journal held once the store's changes are in", Stop::JournalHeldAtMark, 2,
         "is taken back out of the store, but the journal could not be marked", before},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.stop == Stop::EndConnection && backend() != StoreBackend::PostgreSQL)
            continue;
        auto holder = std::make_unique<SqliteFile>(journalPath());
        if (c.stop == Stop::JournalHeld) {
            ASSERT_TRUE(holder->exec("BEGIN EXCLUSIVE"));
        }
        QProcess process;
        start(process, undoRun(run), {"VXR_UNDO_TEST_PAUSE=1"});
        if (c.stop != Stop::JournalHeld) {
            awaitSaid(process, "undo paused");
            if (c.stop == Stop::Kill)
                process.kill();
            else if (c.stop == Stop::EndConnection)
                exec("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                     "WHERE datname = current_database() AND pid <> pg_backend_pid()");
            else
                EXPECT_TRUE(holder->exec("BEGIN EXCLUSIVE"));
            process.write("\n");
            process.closeWriteChannel();
        }
        const ToolResult stopped = finishTool(process);
        holder.reset();
        EXPECT_EQ(stopped.exitCode, c.exitCode) << stopped.err.toStdString();
        EXPECT_TRUE(stopped.err.contains(c.said)) << stopped.err.toStdString();
        EXPECT_EQ(everyRow(connectionString()), c.store);
        EXPECT_FALSE(undone(run));
    }
    const ToolResult taken = vxrimp(undoRun(run));
    EXPECT_EQ(taken.exitCode, 0) << taken.err.toStdString();
    EXPECT_TRUE(taken.out.contains("already as the undo leaves it")) << taken.out.toStdString();
    EXPECT_EQ(everyRow(connectionString()), before);
    EXPECT_TRUE(undone(run));
    EXPECT_TRUE(vxrimp(undoRun(run)).err.contains("is undone already"));
}

} // namespace

VXR_ON_EVERY_STORE_KIND(UndoFaultTest);
VXR_ON_EVERY_BACKEND(UndoStoppedTest);

} // namespace vxr::test

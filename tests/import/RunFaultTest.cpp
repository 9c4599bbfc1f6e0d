// The run when the store, the connection or the user stops it: a cancel at
// any point, a full store, a refused commit, a lost connection, a lock held
// by another program. No line is lost: counts, reject file and store agree.
// The runs are journaled, as users' runs are. While the store takes a part
// of the file, the next part is read on another thread (a small part: while
// the journal prepares the batch), and a stop then must account for that
// part too.

#include "TransactionalFixture.h"

#include "database/CancelToken.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <optional>
#include <thread>

using namespace vxr;
using namespace vxr::test;

namespace {

class RunFaultTest : public TransactionalRunTest
{
protected:
    // True once another program holds the SQLite store's write lock.
    bool waitUntilLocked()
    {
        const SqliteFile probe(sqliteStorePath(), "QSQLITE_BUSY_TIMEOUT=0");
        for (int attempt = 0; attempt < 200; ++attempt) {
            if (!probe.exec("BEGIN IMMEDIATE"))
                return true;
            probe.exec("ROLLBACK");
            QThread::msleep(50);
        }
        return false;
    }
};

// A cancel at many points of a run: after a line, or while a statement runs
// (the multi-row insert of a batch's items, a department's insert while its
// line is written). On PostgreSQL the statement waits in the store until the
// cancel cuts it short; on SQLite the statement requests the cancel itself.
TEST_P(RunFaultTest, ACancelAnywhereLosesNoLine)
{
    enum class At { Line, Item, Department };
    const struct { At at; int batchLines; int n; } cases[] = {
            {At::Line, 7, 1}, {At::Line, 7, 7}, {At::Line, 7, 8}, {At::Line, 4, 19}, {At::Line, 1000, 12},
            {At::Item, 7, 3}, {At::Item, 7, 14}, {At::Item, 4, 10},
            {At::Department, 7, 4}, {At::Department, 1000, 6}, {At::Department, 4, 2},
            // While the store takes a part of a hundred lines, the next is read on another thread;
            // with parts of 64, lines are left after that one too.
            {At::Line, 100, 150}, {At::Line, 100, 100}, {At::Item, 100, 120}, {At::Line, 64, 70},
    };
    mapPositions({ItemLookupCode, Description, ItemDepartment});
    // A department every three lines; line 9 repeats a key, line 20 is blank.
    QByteArray file;
    for (int i = 1; i <= 300; ++i)
        file += i == 20 ? QByteArray("\r\n")
                        : "K" + QByteArray::number(i == 9 ? 4 : i).rightJustified(4, '0') + ",Item "
                                  + QByteArray::number(i) + ",D" + QByteArray::number((i + 2) / 3) + "\r\n";
    const QString path = writeFile("items.csv", file);
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "at " << int(c.at) << ", batch " << c.batchLines << ", n " << c.n);
        reopen();
        exec("DELETE FROM Item");
        exec("DELETE FROM Department");
        QFile::remove(logPath);
        CancelToken cancel;
        progress.onProgress = [&](const ImportProgress &p) {
            if (c.at == At::Line && p.linesRead == c.n)
                cancel.request();
        };
        const QString key = QStringLiteral("K%1").arg(c.n, 4, 10, QLatin1Char('0'));
        const QString statement = backend() == StoreBackend::SQLite ? "SELECT request_cancel()" : "PERFORM pg_sleep(20)";
        if (backend() == StoreBackend::SQLite)
            defineRequestCancel(cancel);
        onInsert("Item", c.at == At::Item ? "NEW.ItemLookupCode = '" + key + "'" : "false", statement);
        onInsert("Department", c.at == At::Department ? "NEW.Name = 'D" + QString::number(c.n) + "'" : "false",
                 statement);
        std::atomic<bool> ended = false;
        std::thread watcher([&] {
            if (backend() == StoreBackend::SQLite || c.at == At::Line)
                return;
            const auto other = otherConnection();
            QSqlQuery sleeping(other->database());
            while (!ended && !cancel.isRequested()) {
                if (sleeping.exec("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database() "
                                  "AND wait_event = 'PgSleep'")
                    && sleeping.next() && sleeping.value(0).toInt() > 0)
                    cancel.request();
                QThread::msleep(20);
            }
            sleeping.finish();
        });
        ImportRequest r = request(path);
        r.batchLines = c.batchLines;
        r.batchMilliseconds = 3600000;
        r.progressMilliseconds = 0;
        r.cancel = &cancel;
        QElapsedTimer clock;
        clock.start();
        const ImportSummary summary = importJournaled(r);
        ended = true;
        watcher.join();

        EXPECT_EQ(summary.outcome, RunOutcome::Cancelled) << summary.failure.toStdString();
        EXPECT_LT(clock.elapsed(), 10000); // the statement waiting in the store was cut short
        EXPECT_GT(summary.linesNotReached, 0);
        if (c.at == At::Line) { // the line the cancel came after, and the status that names it
            EXPECT_EQ(summary.lastLineProcessed, c.n);
            EXPECT_EQ(progress.calls.last(), "status:" + runStatusCancelled(c.n));
        }
        expectNoLineLost(summary, file);
    }
}

// The store or the connection fails under the run: the store is full, it
// refuses a commit (SQLite: a deferred foreign key left unmet; PostgreSQL: a
// deferred trigger), the server ends the connection after a line or while
// it commits. The batches before are stored, the open one is lost with one
// message, the lines after it are not reached, and no line is lost.
TEST_P(RunFaultTest, AFailingStoreOrConnectionLosesNoLine)
{
    // Descriptions longer than their column: a lost batch takes its cut values along.
    const auto lines = [](int first) { return itemLines(first, 3000).replace(",Item ", ",Item described past its column "); };
    mapPositions({ItemLookupCode, Description});
    const QByteArray file = lines(1);
    const QString path = writeFile("items.csv", file);
    const QString atCommit = "NEW.ItemLookupCode = 'K0150'";
    qint64 dropAfter = 0; // the server ends the run's connection after this line
    const auto refuseCommit = [&] {
        exec("PRAGMA foreign_keys = ON");
        exec("CREATE TEMP TABLE parent (code TEXT PRIMARY KEY)");
        exec("CREATE TEMP TABLE child (code TEXT REFERENCES parent (code) DEFERRABLE INITIALLY DEFERRED)");
        onInsert("Item", atCommit, "INSERT INTO child VALUES (NEW.ItemLookupCode)");
    };
    // added -1: as many batches as the store takes.
    const struct { StoreBackend backend; int batchLines; qint64 added; qint32 lostWith; std::function<void()> plant; }
            faults[] = {
            {StoreBackend::SQLite, 25, -1, 0,
             [&] { exec(QStringLiteral("PRAGMA max_page_count = %1").arg(scalar("PRAGMA page_count").toLongLong() + 12)); }},
            {StoreBackend::SQLite, 100, 100, 0, refuseCommit},
            {StoreBackend::SQLite, 1500, 0, 0, refuseCommit}, // a batch ending inside the lines read ahead
            {StoreBackend::PostgreSQL, 100, 100, 0,
             [&] { onInsert("Item", atCommit, "RAISE EXCEPTION 'refused at commit'", true); }},
            {StoreBackend::PostgreSQL, 100, 100, 0,
             [&] { onInsert("Item", atCommit, "PERFORM pg_terminate_backend(pg_backend_pid()); PERFORM pg_sleep(5)", true); }},
            // A line written alone fails; a batch ending inside the lines read
            // ahead (1,000 at a time) fails at its commit.
            {StoreBackend::PostgreSQL, 50, 100, -2147467259, [&] { dropAfter = 130; }},
            {StoreBackend::PostgreSQL, 1500, 0, -2147467259, [&] { dropAfter = 1499; }},
    };
    for (const auto &fault : faults) {
        if (fault.backend != backend())
            continue;
        SCOPED_TRACE(testing::Message() << "fault " << (&fault - faults));
        connection.close();
        reopen();
        exec("DELETE FROM Item");
        QFile::remove(logPath);
        dropAfter = 0;
        fault.plant();
        const auto admin = dropAfter ? otherConnection() : nullptr;
        progress.onProgress = [&](const ImportProgress &p) {
            if (admin && p.linesRead == dropAfter)
                endOtherConnections(*admin);
        };
        ImportRequest r = request(path);
        r.batchLines = fault.batchLines;
        r.batchMilliseconds = 3600000; // batches end by their lines alone, however slow the build
        r.progressMilliseconds = 0;
        const ImportSummary summary = importJournaled(r);
        progress.onProgress = nullptr;

        EXPECT_EQ(summary.outcome, RunOutcome::Failed) << summary.failure.toStdString();
        ASSERT_EQ(reporter.messages.size(), 1);
        EXPECT_TRUE(reporter.messages.first().text.contains(QString::number(summary.rowsAdded) + " line(s) were stored"))
                << reporter.messages.first().text.toStdString();
        // The failed lines are logged with the number of the failure, not one by one to the end.
        EXPECT_EQ(logEntries().size(), summary.linesFailed);
        if (fault.lostWith) {
            EXPECT_TRUE(logEntries().first().contains(QStringLiteral(" <%1>] ").arg(fault.lostWith)));
        }
        if (fault.added >= 0) {
            EXPECT_EQ(summary.rowsAdded, fault.added);
            EXPECT_EQ(summary.linesFailed, fault.batchLines); // the batch that was lost
            EXPECT_EQ(readTestFile(summary.rejectPath), lines(int(fault.added) + 1));
        } else {
            EXPECT_GT(summary.rowsAdded, 0);
            EXPECT_GT(summary.linesNotReached, 1000);
        }
        EXPECT_EQ(summary.valuesCut, summary.rowsAdded);
        expectNoLineLost(summary, file);
    }
}

// Another program holds a lock the run needs: the store's write lock (a
// sqlite3 process), which ends the run once the connection's time-out has
// passed, or a server's table lock or an uncommitted row of a key the run
// writes. A wait for either gives way to a cancel, whenever the cancel came:
// before the run, while a statement waits, or before a statement that still
// runs after it (the batch's staged rows) begins to wait. Past a time limit
// the server ends the holder, so that a run that would wait for ever fails
// the test instead of hanging it.
TEST_P(RunFaultTest, ALockHeldByAnotherProgramEndsTheRunOrGivesWayToACancel)
{
    QProcess holder;
    const auto server = backend() == StoreBackend::SQLite ? nullptr : otherConnection();
    std::optional<QSqlQuery> lock;
    qint64 holderPid = 0;
    if (server) {
        lock.emplace(server->database());
        ASSERT_TRUE(lock->exec("SELECT pg_backend_pid()") && lock->next());
        holderPid = lock->value(0).toLongLong();
    } else {
        holder.start("sqlite3", {sqliteStorePath()});
        ASSERT_TRUE(holder.waitForStarted());
        // The holder waits out a lock of the moment rather than give up.
        holder.write(".timeout 10000\nBEGIN IMMEDIATE;\nINSERT INTO Department (Name) VALUES ('held');\n");
        ASSERT_TRUE(holder.waitForBytesWritten());
        ASSERT_TRUE(waitUntilLocked()) << holder.readAllStandardError().toStdString();
    }
    mapPositions({ItemLookupCode, Description});
    const QByteArray file = itemLines(1, 5);
    const QString path = writeFile("items.csv", file);
    DbError error;
    QElapsedTimer clock;
    if (!server) {
        connection.close();
        ASSERT_TRUE(connection.open(connectionString(), &error, 1));
        clock.start();
        const ImportSummary summary = importFile(request(path));
        EXPECT_EQ(summary.outcome, RunOutcome::Failed);
        EXPECT_GE(clock.elapsed(), 900);
        EXPECT_TRUE(summary.failure.contains("locked")) << summary.failure.toStdString();
        EXPECT_EQ(summary.linesNotReached + summary.linesFailed, 5);
        EXPECT_EQ(readTestFile(summary.rejectPath), itemLines(1, 5));
        ASSERT_TRUE(connection.open(connectionString(), &error, 60));
    }
    // At line 2 the flush of lines 1 and 2 waits for the other's row of
    // K0002: a statement begun after the cancel runs on for 3 s at most.
    enum class When { BeforeTheRun, After300Ms, AtLine2 };
    for (const When when : {When::BeforeTheRun, When::After300Ms, When::AtLine2}) {
        SCOPED_TRACE(testing::Message() << "cancel " << int(when));
        if (when == When::AtLine2 && !server)
            continue;
        if (server) {
            ASSERT_TRUE(lock->exec("BEGIN"));
            ASSERT_TRUE(lock->exec(when == When::AtLine2
                                           ? "INSERT INTO Item (ItemLookupCode, Description) VALUES ('K0002', 'held')"
                                           : "LOCK TABLE Item IN ACCESS EXCLUSIVE MODE"));
        }
        QFile::remove(logPath);
        CancelToken cancel;
        if (when == When::BeforeTheRun)
            cancel.request();
        progress.onProgress = [&](const ImportProgress &p) {
            if (when == When::AtLine2 && p.linesRead == 2)
                cancel.request();
        };
        std::atomic<bool> ended = false;
        std::thread limit([&, connect = connectionString()] {
            QElapsedTimer waited;
            for (waited.start(); !ended; QThread::msleep(20)) {
                if (when == When::After300Ms && waited.elapsed() >= 300 && !cancel.isRequested())
                    cancel.request();
                if (holderPid && waited.elapsed() > 20000) {
                    DbConnection admin;
                    EXPECT_TRUE(admin.open(connect, &error));
                    QSqlQuery(admin.database()).exec(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(holderPid));
                    return ADD_FAILURE() << "the run still waited for the lock after 20 s";
                }
            }
        });
        ImportRequest r = request(path);
        r.cancel = &cancel;
        r.batchMilliseconds = 3600000;
        r.progressMilliseconds = 0;
        clock.restart();
        const ImportSummary summary = importFile(r);
        ended = true;
        limit.join();
        progress.onProgress = nullptr;
        if (server)
            lock->exec("ROLLBACK"); // the store's keys are read next
        EXPECT_EQ(summary.outcome, RunOutcome::Cancelled);
        EXPECT_LT(clock.elapsed(), when == When::AtLine2 ? 5000 : 2000);
        EXPECT_EQ(summary.linesNotReached, 5);
        expectNoLineLost(summary, file);
    }
    if (!server) {
        holder.write("ROLLBACK;\n.quit\n");
        holder.closeWriteChannel();
        holder.waitForFinished();
    }
}

VXR_ON_EVERY_BACKEND(RunFaultTest);

} // namespace

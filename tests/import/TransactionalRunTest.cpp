// The import run under faults, on real stores: a line is stored whole or not
// at all, a reference that cannot be added fails its line, a full store and a
// lost connection end the run with honest counts and a reject file, a cancel
// keeps exactly what was committed, a test run and an all-or-nothing run
// leave the store as it was.

#include "ImportFixture.h"

#include "database/CancelToken.h"
#include "database/StoreSchema.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDriver>
#include <QThread>

#include <sqlite3.h>

#include <atomic>
#include <thread>

using namespace vxr;
using namespace vxr::test;

namespace {

using namespace vxr::FieldIds;
constexpr int Description = 114;

// Lines "K0001,Item 1" ... for the item mapping {ItemLookupCode, Description}.
QByteArray itemLines(int first, int last, const QByteArray &end = "\r\n")
{
    QByteArray text;
    for (int i = first; i <= last; ++i)
        text += "K" + QByteArray::number(i).rightJustified(4, '0') + ",Item " + QByteArray::number(i) + end;
    return text;
}

class TransactionalRunTest : public ImportFixture
{
protected:
    ImportRequest request(const QString &path, RunMode mode = RunMode::Batches)
    {
        ImportRequest r = requestFor(ItemTable, path);
        r.mode = mode;
        return r;
    }

    // Every row of every table the import writes to, in ID order.
    QStringList everyRow()
    {
        QStringList rows;
        for (const QString &table : importTableNames())
            for (const QString &row : query("SELECT * FROM " + table + " ORDER BY ID"))
                rows << table + ": " + row;
        return rows;
    }

    QStringList itemCodes() { return query("SELECT ItemLookupCode FROM Item ORDER BY ItemLookupCode"); }

    // Refuses SupplierList rows with a cost above 999: the item row of such a
    // line is written first, its companion then fails.
    void refuseExpensiveSupplierListRows()
    {
        if (backend() == StoreBackend::SQLite)
            exec("CREATE TRIGGER refuse_cost BEFORE INSERT ON SupplierList WHEN NEW.Cost > 999 "
                 "BEGIN SELECT RAISE(ABORT, 'cost refused'); END");
        else
            exec("ALTER TABLE SupplierList ADD CONSTRAINT refuse_cost CHECK (Cost <= 999)");
    }

    // The lines of the log after the run's header.
    QStringList logEntries() const { return logLines().mid(4); }

    // Every line a run counts is in exactly one of the five.
    static void expectEveryLineCounted(const ImportSummary &s, qint64 lines)
    {
        EXPECT_EQ(s.rowsAdded + s.rowsUpdated + s.rolledBackAdded + s.rolledBackUpdated + s.linesSkipped
                          + s.linesFailed + s.linesNotReached,
                  lines);
    }

    // A run of the file (item lines, key first) that stopped lost no line:
    // each is counted once, the reject file holds exactly the failed and
    // not reached ones, and the store exactly the keys of the others.
    void expectNoLineLost(const ImportSummary &s, const QByteArray &file)
    {
        QList<QByteArray> lines = file.split('\n');
        lines.removeLast();
        expectEveryLineCounted(s, lines.size());
        EXPECT_EQ(s.linesRead + s.linesNotReached, lines.size());
        QList<QByteArray> rejected = readTestFile(s.rejectPath).split('\n');
        rejected.removeLast();
        EXPECT_EQ(rejected.size(), s.linesFailed + s.linesNotReached);
        for (const QByteArray &line : rejected)
            EXPECT_TRUE(lines.removeOne(line)) << "rejected but not in the file, or twice: " << line.toStdString();
        QStringList kept;
        for (const QByteArray &line : std::as_const(lines))
            if (!line.trimmed().isEmpty())
                kept.append(QString::fromLatin1(line.left(line.indexOf(','))));
        kept.removeDuplicates();
        kept.sort();
        EXPECT_EQ(itemCodes(), kept);
        EXPECT_EQ(s.rowsAdded, kept.size());
    }

    // Has each insert into the table whose row meets the condition do what
    // the SQL says, on the run's connection (SQLite: a trigger of that
    // connection alone, which may call request_cancel()). On PostgreSQL the
    // trigger is deferred to the commit when constraint is set.
    void onInsert(const QString &table, const QString &condition, const QString &plpgsql, bool constraint = false)
    {
        if (backend() == StoreBackend::SQLite) {
            exec("DROP TRIGGER IF EXISTS temp.on_insert_" + table);
            exec(QStringLiteral("CREATE TEMP TRIGGER on_insert_%1 AFTER INSERT ON main.%1 WHEN %2 BEGIN %3; END")
                         .arg(table, condition, plpgsql));
            return;
        }
        exec("DROP TRIGGER IF EXISTS on_insert ON " + table);
        exec("CREATE OR REPLACE FUNCTION on_insert_" + table + "() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
             + plpgsql + "; RETURN NULL; END $$");
        exec(QStringLiteral("CREATE %1 TRIGGER on_insert AFTER INSERT ON %2 %3 FOR EACH ROW WHEN (%4) "
                            "EXECUTE FUNCTION on_insert_%2()")
                     .arg(constraint ? "CONSTRAINT" : "", table, constraint ? "DEFERRABLE INITIALLY DEFERRED" : "",
                          condition));
    }

    // A second connection to the same database, as another program has one.
    std::unique_ptr<DbConnection> otherConnection()
    {
        auto other = std::make_unique<DbConnection>();
        DbError error;
        EXPECT_TRUE(other->open(connectionString(), &error)) << error.description.toStdString();
        return other;
    }

    // PostgreSQL: the server ends every other connection to the database.
    static void endOtherConnections(DbConnection &admin)
    {
        const QString others = "FROM pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid()";
        QSqlQuery kill(admin.database());
        EXPECT_TRUE(kill.exec("SELECT pg_terminate_backend(pid) " + others));
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (kill.exec("SELECT COUNT(*) " + others) && kill.next() && kill.value(0).toInt() == 0)
                break;
            QThread::msleep(20);
        }
    }

    // SQLite: request_cancel() in a statement of the run's connection
    // requests the cancel there and then.
    void defineRequestCancel(CancelToken &cancel)
    {
        sqlite3 *store = *static_cast<sqlite3 *const *>(connection.database().driver()->handle().constData());
        const auto request = [](sqlite3_context *context, int, sqlite3_value **) {
            static_cast<CancelToken *>(sqlite3_user_data(context))->request();
        };
        ASSERT_EQ(sqlite3_create_function_v2(store, "request_cancel", 0, SQLITE_UTF8, &cancel, request, nullptr,
                                             nullptr, nullptr),
                  SQLITE_OK);
    }
};

TEST_P(TransactionalRunTest, ALineIsStoredWholeOrNotAtAllAndItsReferencesStay)
{
    refuseExpensiveSupplierListRows();
    mapPositions({ItemLookupCode, Description, ItemSupplier, ItemCost});
    const QString path = writeFile("items.csv", "A1,Widget,Acme,5\r\nA2,Gadget,Zenith,1000\r\nA3,Gizmo,Acme,7\r\n");
    const ImportSummary summary = importFile(request(path));

    EXPECT_EQ(summary.outcome, RunOutcome::Complete);
    EXPECT_EQ(summary.rowsAdded, 2);
    EXPECT_EQ(summary.linesFailed, 1);
    EXPECT_EQ(itemCodes(), QStringList({"A1", "A3"}));
    EXPECT_EQ(query("SELECT COUNT(*) FROM SupplierList"), QStringList({"2"}));
    // The supplier the failed line named was added before its row and stays.
    EXPECT_EQ(query("SELECT SupplierName FROM Supplier ORDER BY SupplierName"), QStringList({"Acme", "Zenith"}));
    EXPECT_EQ(logEntries(), QStringList({"[00002 <-2147217910>] A2,Gadget,Zenith,1000"}));
    EXPECT_EQ(readTestFile(summary.rejectPath), QByteArray("A2,Gadget,Zenith,1000\r\n"));
}

TEST_P(TransactionalRunTest, AReferenceThatCannotBeAddedFailsItsLine)
{
    mapPositions({ItemLookupCode, Description, ItemDepartment});
    const QByteArray tooLong(31, 'D'); // the department name column holds 30
    const QString path = writeFile("items.csv", "B1,One,Tools\r\nB2,Two," + tooLong + "\r\nB3,Three,Tools\r\n");
    const ImportSummary summary = importFile(request(path));

    EXPECT_EQ(summary.rowsAdded, 2);
    EXPECT_EQ(summary.linesFailed, 1);
    EXPECT_EQ(logEntries(), QStringList({"[00002 <-2147217833>] B2,Two," + QString::fromLatin1(tooLong)}));
    // No item is stored without the department its line names.
    EXPECT_EQ(query("SELECT COUNT(*) FROM Item WHERE DepartmentID IS NULL OR DepartmentID = 0"), QStringList({"0"}));
    EXPECT_EQ(query("SELECT Name FROM Department"), QStringList({"Tools"}));
}

TEST_P(TransactionalRunTest, KeysThatAreEmptyTooLongOrBlankLines)
{
    mapPositions({ItemLookupCode, Description});
    const QByteArray longKey(26, 'L'); // the lookup code column holds 25
    const QString path = writeFile("items.csv", "C1,One\r\n,No key\r\n" + longKey + "1,First\r\n" + longKey
                                                        + "2,Second\r\n   \r\n\r\n");
    for (const bool duplicatesAsErrors : {true, false}) {
        ImportRequest r = request(path);
        r.duplicatesAsErrors = duplicatesAsErrors;
        QFile::remove(logPath);
        const ImportSummary summary = importFile(r);
        // Two keys that differ only beyond the column's length never become one row.
        EXPECT_EQ(summary.linesFailed, 3);
        EXPECT_EQ(summary.linesSkipped, 2); // the blank lines at the end
        EXPECT_EQ(logEntries(), QStringList({"[00002 <NOKEY>] ,No key",
                                             "[00003 <-2147217833>] " + QString::fromLatin1(longKey) + "1,First",
                                             "[00004 <-2147217833>] " + QString::fromLatin1(longKey) + "2,Second"}));
        EXPECT_EQ(itemCodes(), QStringList({"C1"}));
    }
}

TEST_P(TransactionalRunTest, CancelKeepsWhatWasCommittedAndTheRejectFileFinishesTheJob)
{
    mapPositions({ItemLookupCode, Description});
    const QString path = writeFile("items.csv", "Code,Name\r\n" + itemLines(1, 4) + "K0004,Again\r\n" + itemLines(5, 40));
    CancelToken cancel;
    progress.onProgress = [&](const ImportProgress &p) {
        if (p.linesRead == 20)
            cancel.request();
    };
    ImportRequest r = request(path);
    r.skipFirstLine = true;
    r.batchLines = 7;
    r.cancel = &cancel;
    r.progressMilliseconds = 0;
    const ImportSummary summary = importFile(r);

    EXPECT_EQ(summary.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(summary.lastLineProcessed, 20);
    EXPECT_EQ(progress.calls.last(), "status:Cancelled at line 20");
    EXPECT_EQ(summary.rowsAdded, 18); // lines 2 to 20 but the repeated key
    EXPECT_EQ(summary.linesFailed, 1);
    EXPECT_EQ(summary.linesNotReached, 22);
    expectEveryLineCounted(summary, 42);
    EXPECT_EQ(itemCodes().size(), 18);

    // The reject file starts with the skipped header, then the repeated key
    // and every line not reached, byte for byte.
    const QByteArray rejected = readTestFile(summary.rejectPath);
    EXPECT_EQ(rejected, "Code,Name\r\nK0004,Again\r\n" + itemLines(19, 40));

    // Fixed and imported with the same settings, it completes the store.
    writeTestFile(summary.rejectPath, QByteArray(rejected).replace("K0004,Again", "K0041,Again"));
    ImportRequest again = request(summary.rejectPath);
    again.skipFirstLine = true;
    const ImportSummary rest = importFile(again);
    EXPECT_EQ(rest.outcome, RunOutcome::Complete);
    EXPECT_EQ(rest.rowsAdded, 23);
    EXPECT_EQ(itemCodes().size(), 41);
    EXPECT_TRUE(rest.rejectPath.isEmpty());
}

// A cancel at many points of a run: after a line, or while a statement runs
// (the multi-row insert of a batch's items, a department's insert while its
// line is written). On PostgreSQL the statement waits in the store until the
// cancel cuts it short; on SQLite the statement requests the cancel itself.
TEST_P(TransactionalRunTest, ACancelAnywhereLosesNoLine)
{
    enum class At { Line, Item, Department };
    const struct { At at; int batchLines; int n; } cases[] = {
            {At::Line, 7, 1}, {At::Line, 7, 7}, {At::Line, 7, 8}, {At::Line, 4, 19}, {At::Line, 1000, 12},
            {At::Item, 7, 3}, {At::Item, 7, 14}, {At::Item, 4, 10},
            {At::Department, 7, 4}, {At::Department, 1000, 6}, {At::Department, 4, 2},
    };
    mapPositions({ItemLookupCode, Description, ItemDepartment});
    // A department every three lines; line 9 repeats a key, line 20 is blank.
    QByteArray file;
    for (int i = 1; i <= 30; ++i)
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
        std::thread watcher([&, connect = connectionString()] {
            if (backend() == StoreBackend::SQLite || c.at == At::Line)
                return;
            DbConnection other;
            DbError error;
            EXPECT_TRUE(other.open(connect, &error));
            QSqlQuery sleeping(other.database());
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
        const ImportSummary summary = importFile(r);
        ended = true;
        watcher.join();

        EXPECT_EQ(summary.outcome, RunOutcome::Cancelled) << summary.failure.toStdString();
        EXPECT_LT(clock.elapsed(), 10000); // the statement waiting in the store was cut short
        EXPECT_GT(summary.linesNotReached, 0);
        expectNoLineLost(summary, file);
    }
}

// The store or the connection fails under the run: the store is full, it
// refuses a commit (SQLite: a deferred foreign key left unmet; PostgreSQL: a
// deferred trigger), the server ends the connection after a line or while
// it commits. The batches before are stored, the open one is lost with one
// message, the lines after it are not reached, and no line is lost.
TEST_P(TransactionalRunTest, AFailingStoreOrConnectionLosesNoLine)
{
    mapPositions({ItemLookupCode, Description});
    const QByteArray file = itemLines(1, 3000);
    const QString path = writeFile("items.csv", file);
    const QString atCommit = "NEW.ItemLookupCode = 'K0150'";
    qint64 dropAfter = 0; // the server ends the run's connection after this line
    const struct
    {
        StoreBackend backend;
        int batchLines;
        qint64 added; // -1: as many batches as the store takes
        qint32 lostWith;
        std::function<void()> plant;
    } faults[] = {
            {StoreBackend::SQLite, 25, -1, 0,
             [&] { exec(QStringLiteral("PRAGMA max_page_count = %1").arg(scalar("PRAGMA page_count").toLongLong() + 12)); }},
            {StoreBackend::SQLite, 100, 100, 0,
             [&] {
                 exec("PRAGMA foreign_keys = ON");
                 exec("CREATE TEMP TABLE parent (code TEXT PRIMARY KEY)");
                 exec("CREATE TEMP TABLE child (code TEXT REFERENCES parent (code) DEFERRABLE INITIALLY DEFERRED)");
                 onInsert("Item", atCommit, "INSERT INTO child VALUES (NEW.ItemLookupCode)");
             }},
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
        const ImportSummary summary = importFile(r);
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
            EXPECT_EQ(readTestFile(summary.rejectPath), itemLines(int(fault.added) + 1, 3000));
        } else {
            EXPECT_GT(summary.rowsAdded, 0);
            EXPECT_GT(summary.linesNotReached, 1000);
        }
        expectNoLineLost(summary, file);
    }
}

TEST_P(TransactionalRunTest, OtherProgramsSeeEachBatchOnceItIsCommittedAndNothingBefore)
{
    mapPositions({ItemLookupCode, Description});
    DbConnection other;
    DbError error;
    ASSERT_TRUE(other.open(connectionString(), &error)) << error.description.toStdString();
    QList<std::pair<qint64, qint64>> seen; // lines processed, items another connection sees
    progress.onProgress = [&](const ImportProgress &p) {
        if (p.linesRead != 1200 && p.linesRead != 2400 && p.linesRead != 2600)
            return;
        QSqlQuery count(other.database());
        EXPECT_TRUE(count.exec("SELECT COUNT(*) FROM Item") && count.next());
        seen.append({p.linesRead, count.value(0).toLongLong()});
        count.finish();
    };
    ImportRequest r = request(writeFile("items.csv", itemLines(1, 3000)));
    r.batchLines = 2500; // more lines than are read ahead at a time
    r.batchMilliseconds = 3600000;
    r.progressMilliseconds = 0;
    EXPECT_EQ(importFile(r).rowsAdded, 3000);
    EXPECT_EQ(seen, (QList<std::pair<qint64, qint64>>{{1200, 0}, {2400, 0}, {2600, 2500}}));
}

TEST_P(TransactionalRunTest, ATestRunLeavesEveryTableAsItWas)
{
    mapPositions({ItemLookupCode, Description, ItemDepartment, ItemSupplier, ItemCost});
    ASSERT_EQ(importFile(request(writeFile("first.csv", "T0,Kept,Tools,Acme,3\r\n"))).rowsAdded, 1);
    const QStringList before = everyRow();
    QFile::remove(logPath);

    const QString path =
            writeFile("items.csv", "T1,New,Garden,Zenith,4\r\nT0,Again,Tools,Acme,5\r\nT2,Other,Paint,Nova,6\r\n");
    const ImportSummary summary = importFile(request(path, RunMode::TestRun));

    EXPECT_EQ(summary.outcome, RunOutcome::TestRun);
    EXPECT_TRUE(summary.nothingStored);
    EXPECT_EQ(summary.rowsAdded, 2); // what would have been added
    EXPECT_EQ(summary.linesFailed, 1);
    EXPECT_EQ(everyRow(), before);
    EXPECT_TRUE(logLines().at(1).endsWith(" (test run, nothing stored)"));
    EXPECT_EQ(logEntries(), QStringList({"[00002 <DUPL>] T0,Again,Tools,Acme,5"}));
    EXPECT_EQ(readTestFile(summary.rejectPath), QByteArray("T0,Again,Tools,Acme,5\r\n"));
    EXPECT_EQ(progress.calls.last(), "status:" + RunStatusTestRun);
}

TEST_P(TransactionalRunTest, AllOrNothingStoresNothingWhenOneLineFails)
{
    mapPositions({ItemLookupCode, Description, ItemDepartment});
    const QStringList before = everyRow();
    const QString failing = writeFile("failing.csv", "N1,One,Tools\r\nN1,Again,Tools\r\nN2,Two,Paint\r\n");
    const ImportSummary rolledBack = importFile(request(failing, RunMode::AllOrNothing));
    EXPECT_EQ(rolledBack.outcome, RunOutcome::RolledBack);
    EXPECT_TRUE(rolledBack.nothingStored);
    EXPECT_EQ(rolledBack.linesFailed, 1);
    // The counts say what is in the store, and apart what would have been.
    EXPECT_EQ(rolledBack.rowsAdded, 0);
    EXPECT_EQ(rolledBack.rolledBackAdded, 2);
    EXPECT_TRUE(rolledBack.rejectPath.isEmpty());
    EXPECT_EQ(everyRow(), before); // the departments too

    const ImportSummary stored =
            importFile(request(writeFile("good.csv", "N1,One,Tools\r\nN2,Two,Paint\r\n"), RunMode::AllOrNothing));
    EXPECT_EQ(stored.outcome, RunOutcome::Complete);
    EXPECT_FALSE(stored.nothingStored);
    EXPECT_EQ(itemCodes(), QStringList({"N1", "N2"}));
}

VXR_ON_EVERY_BACKEND(TransactionalRunTest);

// Faults of the embedded store.
class SqliteFaultTest : public TransactionalRunTest
{
protected:
    // True once another program holds the store's write lock.
    bool waitUntilLocked()
    {
        bool locked = false;
        {
            QSqlDatabase probe = QSqlDatabase::addDatabase("QSQLITE", "lock-probe");
            probe.setDatabaseName(sqliteStorePath());
            probe.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
            probe.open();
            QSqlQuery begin(probe);
            for (int attempt = 0; attempt < 200 && !locked; ++attempt) {
                locked = !begin.exec("BEGIN IMMEDIATE");
                if (!locked) {
                    begin.exec("ROLLBACK");
                    QThread::msleep(50);
                }
            }
        }
        QSqlDatabase::removeDatabase("lock-probe");
        return locked;
    }
};

TEST_P(SqliteFaultTest, ALockHeldByAnotherProgramEndsTheRunOrGivesWayToACancel)
{
    // Another program holds the store's write lock.
    QProcess holder;
    holder.start("sqlite3", {sqliteStorePath()});
    ASSERT_TRUE(holder.waitForStarted());
    holder.write("BEGIN IMMEDIATE;\nINSERT INTO Department (Name) VALUES ('held');\n");
    ASSERT_TRUE(holder.waitForBytesWritten());
    ASSERT_TRUE(waitUntilLocked());

    mapPositions({ItemLookupCode, Description});
    const QString path = writeFile("items.csv", itemLines(1, 5));
    connection.close();
    DbError error;
    ASSERT_TRUE(connection.open(connectionString(), &error, 1));
    QElapsedTimer clock;
    clock.start();
    ImportSummary summary = importFile(request(path));
    EXPECT_EQ(summary.outcome, RunOutcome::Failed);
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_TRUE(summary.failure.contains("locked")) << summary.failure.toStdString();
    EXPECT_EQ(summary.linesNotReached + summary.linesFailed, 5);
    EXPECT_EQ(readTestFile(summary.rejectPath), itemLines(1, 5));

    // A long wait for the lock gives way to a cancel at once.
    ASSERT_TRUE(connection.open(connectionString(), &error, 60));
    CancelToken cancel;
    ImportRequest r = request(path);
    r.cancel = &cancel;
    std::thread canceller([&cancel] {
        QThread::msleep(300);
        cancel.request();
    });
    clock.restart();
    summary = importFile(r);
    canceller.join();
    EXPECT_EQ(summary.outcome, RunOutcome::Cancelled);
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(summary.linesNotReached, 5);

    holder.write("ROLLBACK;\n.quit\n");
    holder.closeWriteChannel();
    holder.waitForFinished();
}

INSTANTIATE_TEST_SUITE_P(Backends, SqliteFaultTest, ::testing::Values(StoreBackend::SQLite), storeBackendName);

// Faults of a server.
class ServerFaultTest : public TransactionalRunTest
{
};

TEST_P(ServerFaultTest, AServerLockDoesNotHoldACancelBack)
{
    const auto holder = otherConnection();
    QSqlQuery lock(holder->database());
    ASSERT_TRUE(lock.exec("BEGIN"));
    ASSERT_TRUE(lock.exec("LOCK TABLE Item IN ACCESS EXCLUSIVE MODE"));

    mapPositions({ItemLookupCode, Description});
    CancelToken cancel;
    ImportRequest r = request(writeFile("items.csv", itemLines(1, 3)));
    r.cancel = &cancel;
    std::thread canceller([&cancel] {
        QThread::msleep(300);
        cancel.request();
    });
    QElapsedTimer clock;
    clock.start();
    const ImportSummary summary = importFile(r);
    canceller.join();
    EXPECT_EQ(summary.outcome, RunOutcome::Cancelled);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(summary.linesNotReached, 3);
    EXPECT_TRUE(lock.exec("ROLLBACK"));
}

INSTANTIATE_TEST_SUITE_P(Backends, ServerFaultTest, ::testing::Values(StoreBackend::PostgreSQL), storeBackendName);

} // namespace

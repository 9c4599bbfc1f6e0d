// A job that cannot open its store: the wizard's way (the job's own run) ends
// it Failed with one message; vxrimp refuses before its run with one error
// line. Both give the operator the same database error.

#include "CliFixture.h"
#include "ImportFixture.h"

#include "import/ImportJob.h"

#include "database/CancelToken.h"

#include <QElapsedTimer>
#include <QThread>

#include <thread>

using namespace vxr;
using namespace vxr::test;

namespace {

class ImportJobTest : public CliFixture
{
protected:
    // Suppliers (name, contact) from s.csv into the store connect names.
    ImportSetup supplierSetup(const QString &connect)
    {
        EXPECT_TRUE(writeTestFile(path("s.csv"), "Acme,Jo\n"));
        ImportSetup setup;
        setup.tableId = 3;
        setup.textFile = path("s.csv");
        setup.fieldIds[1] = 311;
        setup.fieldIds[2] = 304;
        setup.connectionString = connect;
        setup.logPath = path("import.log");
        return setup;
    }

    // Runs the job while another connection holds the write lock of the
    // SQLite store at lockedStore (none when empty); how long it took.
    qint64 runWhileLocked(ImportJob &job, const QString &lockedStore)
    {
        reporter.messages.clear();
        progress.calls.clear();
        QElapsedTimer clock;
        std::optional<SqliteFile> holder;
        if (!lockedStore.isEmpty()) {
            EXPECT_TRUE(holder.emplace(lockedStore).exec("BEGIN IMMEDIATE"));
        }
        clock.start();
        summary = job.run(reporter, progress);
        return clock.elapsed();
    }

    RecordingReporter reporter;
    RecordingProgress progress;
    ImportSummary summary;
};

TEST_F(ImportJobTest, AStoreThatCannotBeOpenedIsReportedOnceWithTheSameErrorByBothFrontEnds)
{
    TempSqliteStore store;
    ASSERT_TRUE(store.isValid()) << store.error().toStdString();
    const struct { QString connect; int timeoutSeconds; bool locked; const char *says; int minMs, maxMs; } cases[] = {
        {"Provider=SQLite;Data Source=" + path("none.db"), DefaultConnectTimeoutSeconds, false, "none.db", 0, 5000},
        {"Provider=Nothing;Data Source=x", DefaultConnectTimeoutSeconds, false, "Nothing", 0, 5000},
        // The job waits for another connection's lock as long as it is told,
        // not the default; vxrimp, which waits the default, is not run.
        {store.connectionString(), 1, true, "stayed locked for the 1 second(s)", 900, 4000},
    };
    const QString openedPrefix = "the database cannot be opened: ";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.connect.toStdString());
        const ImportSetup setup = supplierSetup(c.connect);
        ImportJob job(setup, setup.request(QString()), c.timeoutSeconds);
        const qint64 elapsed = runWhileLocked(job, c.locked ? store.path() : QString());

        EXPECT_EQ(summary.outcome, RunOutcome::Failed);
        EXPECT_EQ(summary.logPath, path("import.log"));
        EXPECT_TRUE(summary.failure.startsWith(openedPrefix)) << summary.failure.toStdString();
        EXPECT_TRUE(summary.failure.contains(c.says)) << summary.failure.toStdString();
        ASSERT_EQ(reporter.messages.size(), 1);
        EXPECT_EQ(reporter.messages[0].kind, MessageKind::Critical);
        EXPECT_EQ(reporter.messages[0].text, "The import failed: " + summary.failure + ".");
        EXPECT_EQ(progress.calls, QStringList({"status:Initializing...", "status:Failed: " + summary.failure}));
        EXPECT_GE(elapsed, c.minMs);
        EXPECT_LT(elapsed, c.maxMs);
        EXPECT_FALSE(QFile::exists(path("import.log")));
        EXPECT_FALSE(QFile::exists(path("none.db")));
        if (c.locked)
            continue;

        const ToolResult cli = vxrimp({"import", "--file", "s.csv", "--table", "3", "--map", "1=311,2=304",
                                      "--connect", c.connect, "--log", path("import.log")});
        EXPECT_EQ(cli.exitCode, 2);
        EXPECT_EQ(cli.err, "vxrimp: error: cannot connect to the database: "
                                   + summary.failure.mid(openedPrefix.size()) + "\n");
        EXPECT_TRUE(cli.out.isEmpty()) << cli.out.toStdString();
    }
}

TEST_F(ImportJobTest, ACancelCutsTheWaitForALockedStoreShort)
{
    TempSqliteStore store;
    ASSERT_TRUE(store.isValid()) << store.error().toStdString();
    const ImportSetup setup = supplierSetup(store.connectionString());
    CancelToken cancel;
    ImportRequest request = setup.request(QString());
    request.cancel = &cancel;
    ImportJob job(setup, request, 20);
    std::thread canceller([&cancel] {
        QThread::msleep(300);
        cancel.request();
    });
    const qint64 elapsed = runWhileLocked(job, store.path());
    canceller.join();
    EXPECT_EQ(summary.outcome, RunOutcome::Cancelled);
    EXPECT_LT(elapsed, 3000);
    EXPECT_TRUE(reporter.messages.isEmpty());
    EXPECT_FALSE(QFile::exists(path("import.log")));
}

} // namespace

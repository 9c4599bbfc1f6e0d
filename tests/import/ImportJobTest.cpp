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
};

TEST_F(ImportJobTest, AStoreThatCannotBeOpenedIsReportedOnceWithTheSameErrorByBothFrontEnds)
{
    ASSERT_TRUE(writeTestFile(path("s.csv"), "Acme,Jo\n"));
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
        ImportSetup setup;
        setup.tableId = 3;
        setup.textFile = path("s.csv");
        setup.fieldIds[1] = 311;
        setup.fieldIds[2] = 304;
        setup.connectionString = c.connect;
        setup.logPath = path("import.log");
        RecordingReporter reporter;
        RecordingProgress progress;
        ImportSummary summary;
        QElapsedTimer clock;
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
            holder.setDatabaseName(store.path());
            ASSERT_TRUE(!c.locked || (holder.open() && QSqlQuery(holder).exec("BEGIN IMMEDIATE")));
            clock.start();
            ImportJob job(setup, setup.request(QString()), c.timeoutSeconds);
            summary = job.run(reporter, progress);
            holder.close();
        }
        QSqlDatabase::removeDatabase("holder");

        EXPECT_EQ(summary.outcome, RunOutcome::Failed);
        EXPECT_EQ(summary.logPath, path("import.log"));
        EXPECT_TRUE(summary.failure.startsWith(openedPrefix)) << summary.failure.toStdString();
        EXPECT_TRUE(summary.failure.contains(c.says)) << summary.failure.toStdString();
        ASSERT_EQ(reporter.messages.size(), 1);
        EXPECT_EQ(reporter.messages[0].kind, MessageKind::Critical);
        EXPECT_EQ(reporter.messages[0].text, "The import failed: " + summary.failure + ".");
        EXPECT_EQ(progress.calls, QStringList({"status:Initializing...", "status:Failed: " + summary.failure}));
        EXPECT_GE(clock.elapsed(), c.minMs);
        EXPECT_LT(clock.elapsed(), c.maxMs);
        EXPECT_FALSE(QFile::exists(path("import.log")));
        EXPECT_FALSE(QFile::exists(path("none.db")));
        if (c.locked)
            continue;

        const CliResult cli = vxrimp({"import", "--file", "s.csv", "--table", "3", "--map", "1=311,2=304",
                                      "--connect", c.connect, "--log", path("import.log")});
        EXPECT_EQ(cli.exitCode, 2);
        EXPECT_EQ(cli.err, "vxrimp: error: cannot connect to the database: "
                                   + summary.failure.mid(openedPrefix.size()) + "\n");
        EXPECT_TRUE(cli.out.isEmpty()) << cli.out.toStdString();
    }
}

TEST_F(ImportJobTest, ACancelCutsTheWaitForALockedStoreShort)
{
    ASSERT_TRUE(writeTestFile(path("s.csv"), "Acme,Jo\n"));
    TempSqliteStore store;
    ASSERT_TRUE(store.isValid()) << store.error().toStdString();
    ImportSetup setup;
    setup.tableId = 3;
    setup.textFile = path("s.csv");
    setup.fieldIds[1] = 311;
    setup.connectionString = store.connectionString();
    setup.logPath = path("import.log");
    CancelToken cancel;
    ImportRequest request = setup.request(QString());
    request.cancel = &cancel;
    RecordingReporter reporter;
    RecordingProgress progress;
    ImportSummary summary;
    QElapsedTimer clock;
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
        holder.setDatabaseName(store.path());
        ASSERT_TRUE(holder.open() && QSqlQuery(holder).exec("BEGIN IMMEDIATE"));
        std::thread canceller([&cancel] {
            QThread::msleep(300);
            cancel.request();
        });
        clock.start();
        ImportJob job(setup, request, 20);
        summary = job.run(reporter, progress);
        canceller.join();
        holder.close();
    }
    QSqlDatabase::removeDatabase("holder");
    EXPECT_EQ(summary.outcome, RunOutcome::Cancelled);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(reporter.messages.isEmpty());
    EXPECT_FALSE(QFile::exists(path("import.log")));
}

} // namespace

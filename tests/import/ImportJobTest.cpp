// A job that cannot open its store: the wizard's way (the job's own run) ends
// it Failed with one message; vxrimp refuses before its run with one error
// line. Both give the operator the same database error.

#include "CliFixture.h"
#include "ImportFixture.h"

#include "import/ImportJob.h"

#include <QElapsedTimer>

using namespace vxr;
using namespace vxr::test;

namespace {

class ImportJobTest : public CliFixture
{
};

TEST_F(ImportJobTest, AStoreThatCannotBeOpenedIsReportedOnceWithTheSameErrorByBothFrontEnds)
{
    ASSERT_TRUE(writeTestFile(path("s.csv"), "Acme,Jo\n"));
    TempSqliteStore locked;
    ASSERT_TRUE(locked.isValid()) << locked.error().toStdString();
    const struct { QString connect; int timeoutSeconds; const char *says; int minMs, maxMs; } cases[] = {
        {"Provider=SQLite;Data Source=" + path("none.db"), DefaultConnectTimeoutSeconds, "none.db", 0, 5000},
        {"Provider=Nothing;Data Source=x", DefaultConnectTimeoutSeconds, "Nothing", 0, 5000},
        // The job waits for another program's lock as long as it is told, not
        // the default: vxrimp, which waits the default, is not run.
        {locked.connectionString(), 1, "stayed locked for the 1 second(s)", 900, 4000},
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
        QProcess holder; // another program writing to the store
        if (c.timeoutSeconds != DefaultConnectTimeoutSeconds) {
            holder.start("python3", {"-c",
                                     "import sqlite3, sys, time\n"
                                     "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                     "c.execute('BEGIN IMMEDIATE')\n"
                                     "c.execute(\"INSERT INTO Department (Name) VALUES ('held')\")\n"
                                     "print('locked', flush=True)\n"
                                     "time.sleep(5)\n",
                                     locked.path()});
            ASSERT_TRUE(holder.waitForReadyRead(10000)) << holder.readAllStandardError().toStdString();
        }

        RecordingReporter reporter;
        RecordingProgress progress;
        QElapsedTimer clock;
        clock.start();
        ImportJob job(setup, setup.request(QString()), c.timeoutSeconds);
        const ImportSummary summary = job.run(reporter, progress);
        const qint64 waited = clock.elapsed();
        holder.kill();
        holder.waitForFinished();

        EXPECT_EQ(summary.outcome, RunOutcome::Failed);
        EXPECT_EQ(summary.logPath, path("import.log"));
        EXPECT_TRUE(summary.failure.startsWith(openedPrefix)) << summary.failure.toStdString();
        EXPECT_TRUE(summary.failure.contains(c.says)) << summary.failure.toStdString();
        ASSERT_EQ(reporter.messages.size(), 1);
        EXPECT_EQ(reporter.messages[0].kind, MessageKind::Critical);
        EXPECT_EQ(reporter.messages[0].text, "The import failed: " + summary.failure + ".");
        EXPECT_EQ(progress.calls, QStringList({"status:Initializing...", "status:Failed: " + summary.failure}));
        EXPECT_GE(waited, c.minMs);
        EXPECT_LT(waited, c.maxMs);
        EXPECT_FALSE(QFile::exists(path("import.log")));
        EXPECT_FALSE(QFile::exists(path("none.db")));
        if (c.timeoutSeconds != DefaultConnectTimeoutSeconds)
            continue;

        const CliResult cli = vxrimp({"import", "--file", "s.csv", "--table", "3", "--map", "1=311,2=304",
                                      "--connect", c.connect, "--log", path("import.log")});
        EXPECT_EQ(cli.exitCode, 2);
        EXPECT_EQ(cli.err, "vxrimp: error: cannot connect to the database: "
                                   + summary.failure.mid(openedPrefix.size()) + "\n");
        EXPECT_TRUE(cli.out.isEmpty()) << cli.out.toStdString();
    }
}

} // namespace

// End-to-end imports through Import::run into fresh stores of each backend:
// the rows stored, the exact log lines, the progress the front end is shown
// and how a run that cannot go on ends.

#include "ImportFixture.h"

#include <QElapsedTimer>
#include <QRegularExpression>

using namespace vxr;
using namespace vxr::test;

namespace {

class ImportRunTest : public ImportFixture
{
protected:
    // The statements the server has run in this test's database; -1 where
    // they are not counted (SQLite, or a server without pg_stat_statements).
    qint64 statementsRun()
    {
        reopen();
        QSqlQuery counted(connection.database());
        if (backend() == StoreBackend::SQLite || !counted.exec("CREATE EXTENSION IF NOT EXISTS pg_stat_statements")
            || !counted.exec("SELECT COALESCE(SUM(calls), 0) FROM pg_stat_statements WHERE dbid = "
                             "(SELECT oid FROM pg_database WHERE datname = current_database())")
            || !counted.next())
            return -1;
        return counted.value(0).toLongLong();
    }
};

} // namespace

TEST_P(ImportRunTest, EmptyFileWritesOnlyTheHeaderAndCompletes)
{
    mapPositions({801});
    const QString path = writeFile("empty.txt", QByteArray());
    const ImportSummary summary = importFile(SecurityTable, path);

    EXPECT_EQ(summary.outcome, RunOutcome::Complete);
    EXPECT_EQ(summary.linesRead, 0);
    EXPECT_EQ(progress.calls, QStringList({"status:Initializing...", "status:Importing...", "0/0 0+0 0 0",
                                           "0/0 0+0 0 0", "status:Complete"}));
    EXPECT_EQ(logLines(), header(path));
    EXPECT_TRUE(reporter.messages.isEmpty());
    EXPECT_FALSE(connection.isOpen()); // the run closes the tables and the connection
}

TEST_P(ImportRunTest, SkippedHeaderAndFailingLinesInTheMiddle)
{
    mapPositions({116, 114});
    ASSERT_EQ(importFile(ItemTable, writeFile("items.csv", "A1,Widget\r\nA2,Gadget\r\n")).outcome,
              RunOutcome::Complete);

    // An alias naming no item and a line with more fields than a line may hold
    // fail; the lines around them are stored.
    QFile::remove(logPath);
    mapPositions({501, 502});
    QByteArray tooWide = "A2,777";
    for (int i = 0; i < 100; ++i)
        tooWide += ",x";
    const QString path = writeFile("aliases.csv", "Item,Alias\r\nA1,111\r\nNO'PE,222\r\n" + tooWide + "\r\nA2,333\r\n");
    const ImportSummary summary = importFile(AliasTable, path, true);

    EXPECT_EQ(summary.outcome, RunOutcome::Complete);
    EXPECT_EQ(tally(summary), "2 added 0 updated 1 skipped 2 failed 0 not reached");
    EXPECT_EQ(logLines().mid(4),
              QStringList({"[00003 <3021>] NO'PE,222", "[00004 <0009>] " + QString::fromLatin1(tooWide)}));
    EXPECT_EQ(query("SELECT a.Alias, i.ItemLookupCode FROM Alias a JOIN Item i ON i.ID = a.ItemID ORDER BY a.Alias"),
              QStringList({"111|A1", "333|A2"}));
    EXPECT_EQ(progress.calls.at(progress.calls.size() - 2), "5/5 2+0 1 2");
}

// The second run's header follows the first run's error line.
TEST_P(ImportRunTest, SameKeyTwiceIsLoggedAsDuplicateOrUpdatesTheRow)
{
    mapPositions({116, 114, 127});
    const QString path = writeFile("items.csv", "K1,First,1.50\r\nK1,Second,2.75\r\n");
    EXPECT_EQ(tally(importFile(ItemTable, path)), "1 added 0 updated 0 skipped 1 failed 0 not reached");
    EXPECT_EQ(query("SELECT Description FROM Item"), QStringList({"First"}));
    EXPECT_EQ(tally(importFile(ItemTable, path, false, false)), "0 added 2 updated 0 skipped 0 failed 0 not reached");
    EXPECT_EQ(query("SELECT ItemLookupCode, Description, Price FROM Item"), QStringList({"K1|Second|2.75"}));
    EXPECT_EQ(logLines(), header(path) + QStringList({"[00002 <DUPL>] K1,Second,2.75"}) + header(path));
}

// 3,000 items naming 5 departments, 10 categories, 6 suppliers and 2 taxes.
// Progress comes at most ten times a second and once more at the end; a
// server is not paid a round trip for every line: a batch of lines costs a
// few statements, references included.
TEST_P(ImportRunTest, ALongRunReportsTenTimesASecondAndCostsAFewStatementsABatch)
{
    mapPositions({116, 114, 113, 106, 142, 147, 112, 127});
    QByteArray text;
    for (int i = 1; i <= 3000; ++i)
        text += QStringLiteral("R%1,Item %1,Dept %2,Cat %3,Supplier %4,%5,%6.25,%7.99\r\n")
                        .arg(i, 5, 10, QLatin1Char('0'))
                        .arg(i % 5)
                        .arg(i % 10)
                        .arg(i % 6)
                        .arg(i % 2 ? QStringLiteral("8.25") : QStringLiteral("6.5"))
                        .arg(i % 90)
                        .arg(i % 97)
                        .toLatin1();
    const QString path = writeFile("items.csv", text);
    const qint64 before = statementsRun();
    if (backend() == StoreBackend::PostgreSQL && before < 0 && qEnvironmentVariable("CI") == "true")
        ADD_FAILURE() << "the PostgreSQL server does not count statements (pg_stat_statements)";
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(importFile(ItemTable, path).rowsAdded, 3000);
    const qint64 elapsed = clock.elapsed();

    const QStringList numbers = progress.calls.filter(QRegularExpression("^\\d"));
    EXPECT_LE(numbers.size(), elapsed / 100 + 3) << elapsed << " ms";
    EXPECT_EQ(numbers.first(), "0/3000 0+0 0 0");
    EXPECT_EQ(numbers.last(), "3000/3000 3000+0 0 0");
    EXPECT_EQ(progress.calls.last(), "status:Complete");
    if (before >= 0) { // at most one statement for every ten lines
        EXPECT_LE(statementsRun() - before, 300);
    }
    EXPECT_EQ(query("SELECT COUNT(*) FROM SupplierList"), QStringList({"3000"}));
}

TEST_P(ImportRunTest, RunsThatCannotGoOnEndCleanly)
{
    mapPositions({116});
    const QString items = writeFile("items.csv", "Z1\r\n");

    // The text file is missing: the log has the run's header all the same.
    const QString missing = m_dir.filePath("gone.txt");
    ImportSummary summary = importFile(ItemTable, missing);
    expectFailedRun(summary);
    EXPECT_TRUE(summary.failure.contains(QDir::toNativeSeparators(missing)));
    EXPECT_EQ(logLines(), header(missing));

    // The log cannot be written at all.
    QFile::remove(logPath);
    ASSERT_TRUE(QDir().mkpath(logPath));
    expectFailedRun(importFile(ItemTable, items));
    ASSERT_TRUE(QDir(logPath).removeRecursively());

    // A catalogue column is missing from the table.
    query("ALTER TABLE Item DROP COLUMN Weight");
    summary = importFile(ItemTable, items);
    expectFailedRun(summary);
    EXPECT_TRUE(summary.failure.contains("Item")) << summary.failure.toStdString();
    EXPECT_TRUE(summary.failure.contains("Weight", Qt::CaseInsensitive)) << summary.failure.toStdString();

    // None of them got to the first line.
    EXPECT_EQ(query("SELECT COUNT(*) FROM Item"), QStringList({"0"}));
}

TEST_P(ImportRunTest, ALogThatCannotBeWrittenMidwayIsReportedAtTheEnd)
{
    mapPositions({116});
    const QString path = writeFile("items.csv", "D1\r\nD1\r\nD2\r\n");

    // Unwritable once the lines are being imported: the failed line is still
    // counted and the operator is told once, at the end, with the log's path.
    progress.onStatus = [&](const QString &status) {
        if (status == "Importing...") {
            QFile::remove(logPath);
            QDir().mkpath(logPath);
        }
    };
    const ImportSummary midway = importFile(ItemTable, path);
    EXPECT_EQ(midway.outcome, RunOutcome::Complete);
    EXPECT_EQ(tally(midway), "2 added 0 updated 0 skipped 1 failed 0 not reached");
    EXPECT_EQ(midway.logLinesMissing, 1);
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_EQ(reporter.messages.first().kind, MessageKind::Exclamation);
    EXPECT_TRUE(reporter.messages.first().text.contains(QDir::toNativeSeparators(logPath)));
    EXPECT_TRUE(reporter.messages.first().text.contains(" 1 failed line")) << reporter.messages.first().text.toStdString();
    EXPECT_EQ(progress.calls.last(), "status:Complete");
}

TEST_P(ImportRunTest, AFileThatShrinksDuringTheRunIsReported)
{
    mapPositions({801, 804});
    QByteArray text;
    for (int i = 1; i <= 8000; ++i)
        text += "frmItem,txtField" + QByteArray::number(i) + "\r\n";
    const QString path = writeFile("security.csv", text);
    // Counted whole, then cut short before it is read to the end.
    progress.onStatus = [&](const QString &status) {
        if (status == RunStatusImporting)
            QFile(path).resize(100);
    };
    const ImportSummary summary = importFile(SecurityTable, path);
    EXPECT_TRUE(summary.fileChanged);
    EXPECT_LT(summary.linesRead, 8000);
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_TRUE(reporter.messages.first().text.contains("changed during the import"));
    EXPECT_TRUE(reporter.messages.first().text.contains("8000 lines"));
}

VXR_ON_EVERY_BACKEND(ImportRunTest);

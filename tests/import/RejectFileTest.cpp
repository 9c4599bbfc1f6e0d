// The reject file and the ledger of a batch: which lines reach the reject
// file, in which order and form, and how they are counted.

#include "TestSupport.h"

#include "import/BatchLedger.h"
#include "import/ImportRun.h"
#include "import/RejectFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vxr;
using namespace vxr::test;

namespace {

using Kind = BatchLedger::Kind;

TEST(RejectFile, StartsWithItsPreambleAndLeavesNoFileWhenNothingIsRejected)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("items.rejected.csv");
    {
        RejectFile reject(path);
        reject.setPreamble("\xEF\xBB\xBF" "Code,Name\r\n");
        EXPECT_FALSE(QFile::exists(path)); // created with the first line only
        EXPECT_TRUE(reject.add("A1,One\n"));
        EXPECT_TRUE(reject.add("A2,Two"));
        EXPECT_TRUE(reject.finish());
        EXPECT_EQ(reject.lineCount(), 2);
    }
    EXPECT_EQ(readTestFile(path), "\xEF\xBB\xBF" "Code,Name\r\nA1,One\nA2,Two");

    // The next run of the same file rejects nothing: the old file goes.
    RejectFile nothing(path);
    EXPECT_TRUE(nothing.finish());
    EXPECT_FALSE(QFile::exists(path));

    // A file that cannot be written says so.
    RejectFile unwritable(dir.filePath("missing/folder/x.csv"));
    EXPECT_FALSE(unwritable.add("A3\r\n"));
    EXPECT_TRUE(unwritable.failed());
    EXPECT_FALSE(unwritable.errorString().isEmpty());
}

TEST(RejectFile, DefaultPathIsBesideTheTextFileElseBesideTheLog)
{
    QTemporaryDir dir;
    EXPECT_EQ(defaultRejectPath(dir.filePath("items.csv"), "/var/log/x.log"), dir.filePath("items.rejected.csv"));
    EXPECT_EQ(defaultRejectPath(dir.filePath("list.tar.txt"), "/var/log/x.log"), dir.filePath("list.tar.rejected.txt"));
    EXPECT_EQ(defaultRejectPath(dir.filePath("README"), "/var/log/x.log"), dir.filePath("README.rejected"));
    EXPECT_EQ(defaultRejectPath("/no/such/folder/items.csv", dir.filePath("VUVEDIZE.LOG")),
              dir.filePath("items.rejected.csv"));
}

// The log lines a ledger writes, as "number:error".
struct LogRecorder
{
    QStringList lines;
    BatchLedger::LogLine log()
    {
        return [this](const BatchLedger::Line &line) {
            lines << QStringLiteral("%1:%2").arg(line.number).arg(line.errorNumber);
        };
    }
};

TEST(BatchLedger, ACommittedBatchCountsItsLinesLogsInFileOrderAndRejectsOnlyTheUnstored)
{
    QTemporaryDir dir;
    RejectFile reject(dir.filePath("r.csv"));
    ImportSummary summary;
    LogRecorder log;
    BatchLedger batch;
    const qsizetype first = batch.add(1, "A", "\r\n", Kind::Staged);
    batch.add(2, "B", "\r\n", Kind::Failed, 3021);
    const qsizetype third = batch.add(3, "C", "\r\n", Kind::Staged);
    batch.add(4, "D", "", Kind::NotReached);
    // Written together later: the first fails, the third is added.
    batch.settle(third, Kind::Updated);
    batch.settle(first, Kind::Failed, -2147217873);
    EXPECT_EQ(batch.failedCount(), 2);
    batch.committed(summary, &reject, log.log());
    EXPECT_TRUE(batch.isEmpty());
    EXPECT_EQ(log.lines, QStringList({"1:-2147217873", "2:3021"}));
    EXPECT_EQ(summary.rowsAdded, 0);
    EXPECT_EQ(summary.rowsUpdated, 1);
    EXPECT_EQ(summary.linesFailed, 2);
    EXPECT_EQ(summary.linesNotReached, 1);
    reject.finish();
    EXPECT_EQ(readTestFile(reject.path()), "A\r\nB\r\nD");
}

TEST(BatchLedger, ALostBatchFailsItsStagedAndWrittenLinesAndRejectsThemAllInOrder)
{
    QTemporaryDir dir;
    RejectFile reject(dir.filePath("r.csv"));
    ImportSummary summary;
    LogRecorder log;
    BatchLedger batch;
    batch.add(5, "E", "\n", Kind::Added);
    batch.add(6, "F", "\n", Kind::Failed, 9);
    batch.logFailures(log.log()); // logged as soon as known, not again
    batch.add(7, "G", "\n", Kind::Updated);
    batch.add(8, "H", "\n", Kind::Staged);
    batch.lost(summary, &reject, -2147467259, log.log());
    EXPECT_EQ(log.lines, QStringList({"6:9", "5:-2147467259", "7:-2147467259", "8:-2147467259"}));
    EXPECT_EQ(summary.rowsAdded + summary.rowsUpdated, 0);
    EXPECT_EQ(summary.linesFailed, 4);
    reject.finish();
    EXPECT_EQ(readTestFile(reject.path()), "E\nF\nG\nH\n");
}

} // namespace

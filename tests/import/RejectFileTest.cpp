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

TEST(BatchLedger, ACommittedBatchCountsItsLinesAndRejectsOnlyTheFailed)
{
    QTemporaryDir dir;
    RejectFile reject(dir.filePath("r.csv"));
    ImportSummary summary;
    BatchLedger batch;
    batch.add(1, "A", "\r\n", Kind::Added);
    batch.add(2, "B", "\r\n", Kind::Failed);
    batch.add(3, "C", "\r\n", Kind::Updated);
    batch.add(4, "D", "", Kind::NotReached);
    EXPECT_EQ(batch.countOf(Kind::Failed), 1);
    batch.committed(summary, &reject);
    EXPECT_TRUE(batch.isEmpty());
    EXPECT_EQ(summary.rowsAdded, 1);
    EXPECT_EQ(summary.rowsUpdated, 1);
    EXPECT_EQ(summary.linesFailed, 1);
    EXPECT_EQ(summary.linesNotReached, 1);
    reject.finish();
    EXPECT_EQ(readTestFile(reject.path()), "B\r\nD");
}

TEST(BatchLedger, ALostBatchFailsItsWrittenLinesAndRejectsThemAllInOrder)
{
    QTemporaryDir dir;
    RejectFile reject(dir.filePath("r.csv"));
    ImportSummary summary;
    BatchLedger batch;
    batch.add(5, "E", "\n", Kind::Added);
    batch.add(6, "F", "\n", Kind::Failed);
    batch.add(7, "G", "\n", Kind::Updated);
    const QList<BatchLedger::Line> lost = batch.lost(summary, &reject);
    ASSERT_EQ(lost.size(), 2); // to be logged with the error that lost them
    EXPECT_EQ(lost.at(0).number, 5);
    EXPECT_EQ(lost.at(1).number, 7);
    EXPECT_EQ(summary.rowsAdded + summary.rowsUpdated, 0);
    EXPECT_EQ(summary.linesFailed, 3);
    reject.finish();
    EXPECT_EQ(readTestFile(reject.path()), "E\nF\nG\n");
}

} // namespace

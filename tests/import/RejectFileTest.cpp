// The reject file: what it starts with, that it takes the place of the old
// one only when the run ends, when it is left behind, and where it goes by
// default. (The ledger that fills it is tested through whole runs; a full
// disk and a killed run through vxrimp.)

#include "TestSupport.h"

#include "import/RejectFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vxr;
using namespace vxr::test;

namespace {

TEST(RejectFile, ReplacesTheOldFileOnlyWhenTheRunEnds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("items.rejected.csv");
    const QString partial = path + ".partial";
    ASSERT_TRUE(writeTestFile(path, "OLD,Last run\r\n"));
    EXPECT_TRUE(unfinishedRejectFileWarning(path).isEmpty());
    {
        RejectFile reject(path);
        reject.setPreamble("\xEF\xBB\xBF" "Code,Name\r\n");
        EXPECT_FALSE(QFile::exists(partial)); // created with the first line only
        EXPECT_TRUE(reject.add("A1,One\n"));
        EXPECT_TRUE(reject.flush());
        // A run killed now leaves the last run's file and its own unfinished one.
        EXPECT_EQ(readTestFile(partial), "\xEF\xBB\xBF" "Code,Name\r\nA1,One\n");
        EXPECT_EQ(readTestFile(path), "OLD,Last run\r\n");
        EXPECT_TRUE(unfinishedRejectFileWarning(path).contains(QDir::toNativeSeparators(partial)));
        EXPECT_TRUE(reject.add("A2,Two"));
        EXPECT_TRUE(reject.finish());
        EXPECT_EQ(reject.lineCount(), 2);
    }
    EXPECT_EQ(readTestFile(path), "\xEF\xBB\xBF" "Code,Name\r\nA1,One\nA2,Two");
    EXPECT_FALSE(QFile::exists(partial));

    // The next run of the same file rejects nothing: the old file goes, and
    // so does one an unfinished run left.
    ASSERT_TRUE(writeTestFile(partial, "A3,Half"));
    RejectFile nothing(path);
    EXPECT_TRUE(nothing.finish());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(partial));

    // A file that cannot be written says so.
    RejectFile unwritable(dir.filePath("missing/folder/x.csv"));
    EXPECT_FALSE(unwritable.add("A3\r\n"));
    EXPECT_FALSE(unwritable.finish());
    EXPECT_FALSE(unwritable.errorString().isEmpty());

    // Nor can it take the place of a folder; its lines stay in the
    // unfinished file, and the error says where.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.csv"));
    RejectFile blocked(dir.filePath("taken.csv"));
    EXPECT_TRUE(blocked.add("A4\r\n"));
    EXPECT_FALSE(blocked.finish());
    EXPECT_TRUE(blocked.errorString().contains(QDir::toNativeSeparators(dir.filePath("taken.csv.partial"))))
        << blocked.errorString().toStdString();
    EXPECT_EQ(readTestFile(dir.filePath("taken.csv.partial")), "A4\r\n");
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

} // namespace

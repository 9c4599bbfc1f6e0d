// The reject file: what it starts with, when it is left behind, and where it
// goes by default. (The ledger that fills it is tested through whole runs.)

#include "TestSupport.h"

#include "import/RejectFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vxr;
using namespace vxr::test;

namespace {

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

} // namespace

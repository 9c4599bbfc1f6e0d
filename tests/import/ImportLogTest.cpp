#include "TestSupport.h"

#include "import/ImportLog.h"

#include "database/DbError.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <limits>

using namespace vxr;
using vxr::test::ScopedEnvironment;

// Both duplicate numbers are marked DUPL, every other number is padded to
// four digits, the line number to five; the line's bytes (apostrophes and
// bytes that are not UTF-8) reach the log as they were read.
TEST(ImportLogTest, ErrorLinesPadTheirNumbersAndKeepTheRawBytes)
{
    const QByteArray raw("O'Brien,Caf\xe9,5");
    const struct { qint32 number; qint64 line; const char *start; } cases[] = {
        {ErrorNumbers::DuplicateKey, 7, "[00007 <DUPL>] "}, {ErrorNumbers::DuplicateKeyClassic, 7, "[00007 <DUPL>] "},
        {-1, 123456, "[123456 <-0001>] "}, {9, 2, "[00002 <0009>] "}, {12345, 2, "[00002 <12345>] "},
        {std::numeric_limits<qint32>::min(), 2, "[00002 <-2147483648>] "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ImportLog::errorLine(c.number, c.line, raw), c.start + raw) << c.number;
}

// Beside the program only in its build tree; an installed program's folder
// (here the same folder without the build's cache beside it) is never used.
TEST(ImportLogTest, TheDefaultLogIsBesideABuildTreeProgramOnly)
{
    QTemporaryDir dir;
    const ScopedEnvironment dataHome("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("tree/bin")));
    const QString bin = dir.filePath(QStringLiteral("tree/bin"));
    const QString inData = defaultLogPath(bin);
    EXPECT_TRUE(inData.startsWith(dir.filePath(QStringLiteral("data/")))) << inData.toStdString();
    EXPECT_TRUE(QFileInfo(inData).dir().exists());

    QFile cache(dir.filePath(QStringLiteral("tree/CMakeCache.txt")));
    ASSERT_TRUE(cache.open(QIODevice::WriteOnly));
    cache.close();
    EXPECT_EQ(defaultLogPath(bin), QDir(bin).filePath(QStringLiteral("VUVEDIZE.LOG")));
}

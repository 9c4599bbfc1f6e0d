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

TEST(ImportLogTest, MarksBothDuplicateNumbersAndPadsEveryOtherToFourDigits)
{
    const std::pair<qint32, const char *> cases[] = {
        {ErrorNumbers::DuplicateKey, "<DUPL>"},
        {ErrorNumbers::DuplicateKeyClassic, "<DUPL>"},
        {-1, "<-0001>"},
        {9, "<0009>"},
        {12345, "<12345>"},
        {std::numeric_limits<qint32>::min(), "<-2147483648>"},
    };
    for (const auto &[number, marker] : cases)
        EXPECT_EQ(ImportLog::errorMarker(number), QLatin1String(marker)) << number;
}

TEST(ImportLogTest, ErrorLinePadsTheRecordNumberAndKeepsTheRawBytes)
{
    EXPECT_EQ(ImportLog::errorLine(ErrorNumbers::DuplicateKey, 7, "1001,Blue Widget"),
              QByteArray("[00007 <DUPL>] 1001,Blue Widget"));
    EXPECT_EQ(ImportLog::errorLine(-1, 123456, "x"), QByteArray("[123456 <-0001>] x"));
    // Apostrophes and bytes that are not UTF-8 reach the log as they were read.
    const QByteArray raw("O'Brien,Caf\xe9,5");
    EXPECT_EQ(ImportLog::errorLine(3021, 2, raw), QByteArray("[00002 <3021>] ") + raw);
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

#include "import/ImportLog.h"

#include "database/DbError.h"

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vxr;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ImportLogTest, MarksBothDuplicateNumbersAndPadsEveryOtherToFourDigits)
{
    EXPECT_EQ(ImportLog::errorMarker(ErrorNumbers::DuplicateKey), "<DUPL>");
    EXPECT_EQ(ImportLog::errorMarker(ErrorNumbers::DuplicateKeyClassic), "<DUPL>");
    EXPECT_EQ(ImportLog::errorMarker(-1), "<-0001>");
    EXPECT_EQ(ImportLog::errorMarker(9), "<0009>");
    EXPECT_EQ(ImportLog::errorMarker(0), "<0000>");
    EXPECT_EQ(ImportLog::errorMarker(3021), "<3021>");
    EXPECT_EQ(ImportLog::errorMarker(12345), "<12345>");
    EXPECT_EQ(ImportLog::errorMarker(ErrorNumbers::StatementFailed), "<-2147217900>");
    EXPECT_EQ(ImportLog::errorMarker(std::numeric_limits<qint32>::min()), "<-2147483648>");
}

TEST(ImportLogTest, ErrorLinePadsTheRecordNumberAndKeepsTheRawBytes)
{
    EXPECT_EQ(ImportLog::errorLine(ErrorNumbers::DuplicateKey, 7, "1001,Blue Widget"),
              QByteArray("[00007 <DUPL>] 1001,Blue Widget"));
    EXPECT_EQ(ImportLog::errorLine(-1, 123456, "x"), QByteArray("[123456 <-0001>] x"));
    // Apostrophes and bytes that are not UTF-8 reach the log as they were read.
    const QByteArray raw("O'Brien,Caf\xe9,5");
    EXPECT_EQ(ImportLog::errorLine(3021, 2, raw), QByteArray("[00002 <3021>] ") + raw);
    EXPECT_EQ(ImportLog::errorLine(3021, 3, QByteArray()), QByteArray("[00003 <3021>] "));
}

TEST(ImportLogTest, AppendsCrlfLinesAcrossRuns)
{
    QTemporaryDir dir;
    const ImportLog log(dir.filePath(QStringLiteral("VUVEDIZE.LOG")));
    ASSERT_TRUE(log.writeHeader(QStringLiteral("C:\\data\\items.txt")));
    ASSERT_TRUE(log.LogError(ErrorNumbers::DuplicateKey, 7, "A1,Widget"));
    ASSERT_TRUE(log.writeHeader(QStringLiteral("second.csv")));

    const QByteArray rule(80, '-');
    const QByteArray today =
        QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat).toLocal8Bit();
    const QByteArray expected = rule + "\r\nImporting C:\\data\\items.txt\r\n" + today + "\r\n" + rule
        + "\r\n[00007 <DUPL>] A1,Widget\r\n" + rule + "\r\nImporting second.csv\r\n" + today + "\r\n"
        + rule + "\r\n";
    EXPECT_EQ(contents(log.path()), expected);
}

TEST(ImportLogTest, ReportsAWriteThatFails)
{
    QTemporaryDir dir;
    const ImportLog inMissingFolder(dir.filePath(QStringLiteral("no/such/folder/VUVEDIZE.LOG")));
    EXPECT_FALSE(inMissingFolder.WriteLog(QStringLiteral("x")));
    EXPECT_FALSE(inMissingFolder.LogError(-1, 1, "x"));
    const ImportLog onAFolder(dir.path());
    EXPECT_FALSE(onAFolder.writeHeader(QStringLiteral("x")));
}

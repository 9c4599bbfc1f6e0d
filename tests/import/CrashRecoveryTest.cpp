// vxrimp killed with SIGKILL in the middle of a run: the batches it committed
// stay, the last finished run's reject file stays as it was, and importing
// the same file again with duplicates as errors adds exactly the lines still
// missing.

#include "CliFixture.h"

#include <QThread>

#include <signal.h>

using namespace vxr::test;

namespace {

class CrashRecoveryTest : public CliFixture
{
};

TEST_F(CrashRecoveryTest, AKilledRunIsFinishedByImportingTheSameFileAgain)
{
    const QString connect = newStore();
    // Every thousandth line has no key and fails, so the killed run has
    // rejected lines by the time it has committed batches.
    constexpr int Lines = 50000;
    constexpr int Keyless = Lines / 1000;
    QByteArray text;
    for (int i = 1; i <= Lines; ++i)
        text += (i % 1000 == 7 ? QByteArray() : "K" + QByteArray::number(i).rightJustified(6, '0')) + ",Item "
                + QByteArray::number(i) + "\r\n";
    ASSERT_TRUE(writeTestFile(path("items.csv"), text));
    const QByteArray lastRun = "K000001,From the last run that finished\r\n";
    ASSERT_TRUE(writeTestFile(path("rejected.csv"), lastRun));
    const QStringList arguments = importItems(connect, path("items.csv")) + QStringList{"--log", path("import.log"),
            "--reject", path("rejected.csv"), "--duplicates", "error", "--batch", "500"};

    QProcess process;
    startVxrimp(process, arguments);
    ASSERT_TRUE(process.waitForStarted());
    for (int attempt = 0; attempt < 6000; ++attempt) {
        if (storeQuery("SELECT COUNT(*) FROM Item").toInt() >= 3000 && QFile::exists(path("rejected.csv.partial")))
            break;
        QThread::msleep(5);
    }
    ASSERT_EQ(process.state(), QProcess::Running) << "the import ended before it could be killed";
    ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(60000));

    const qint64 stored = storeQuery("SELECT COUNT(*) FROM Item").toLongLong();
    EXPECT_GE(stored, 3000);
    EXPECT_LT(stored, Lines - Keyless);
    EXPECT_EQ(readTestFile(path("rejected.csv")), lastRun);
    const QList<QByteArray> unfinished = readTestFile(path("rejected.csv.partial")).split('\n');
    EXPECT_GE(unfinished.size(), 2);
    for (const QByteArray &line : unfinished.mid(0, unfinished.size() - 1))
        EXPECT_TRUE(line.startsWith(",Item ")) << line.toStdString();

    const ToolResult again = vxrimp(arguments);
    EXPECT_EQ(again.exitCode, 1) << again.err.toStdString();
    EXPECT_TRUE(again.err.contains("An earlier import did not finish")) << again.err.toStdString();
    EXPECT_TRUE(again.err.contains(path("rejected.csv.partial"))) << again.err.toStdString();
    EXPECT_EQ(summaryText(again.out, "Rows added").toLongLong(), Lines - Keyless - stored) << again.out.toStdString();
    EXPECT_EQ(storeRows("SELECT COUNT(*), COUNT(DISTINCT ItemLookupCode), MIN(ItemLookupCode), MAX(ItemLookupCode) "
                        "FROM Item"),
              QStringList{QStringLiteral("%1|%1|K000001|K050000").arg(Lines - Keyless)});
    // Its reject file holds the lines stored before and the keyless ones.
    EXPECT_EQ(readTestFile(path("rejected.csv")).count('\n'), stored + Keyless);
    EXPECT_FALSE(QFile::exists(path("rejected.csv.partial")));
}

} // namespace

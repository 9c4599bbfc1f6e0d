// The files a run writes, through vxrimp: a log or reject file that is
// another file of the run by name, link or hard link is refused before
// anything is written, and a reject file that meets a full disk says why and
// holds whole lines.

#include "CliFixture.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

using namespace vxr::test;

namespace {

class RunFilesTest : public CliFixture
{
protected:
    QStringList importItems(const QString &connect) const { return CliFixture::importItems(connect, path("items.csv")); }
};

// The --log and --reject paths, the message, the store as the connection string names it.
struct Refusal { QStringList paths; QString message; QString store = QStringLiteral("store.db"); };

TEST_F(RunFilesTest, FilesThatAreOneFileAreRefusedBeforeAnythingIsWritten)
{
    newStore();
    const QByteArray lines = "S1,One\r\nS2,Two\r\n";
    ASSERT_TRUE(writeTestFile(path("items.csv"), lines));
    ASSERT_TRUE(writeTestFile(path("import.log"), "history\r\n"));
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("sub"));
    ASSERT_EQ(::link(QFile::encodeName(path("items.csv")).constData(), QFile::encodeName(path("hard.log")).constData()), 0);
    ASSERT_EQ(::link(QFile::encodeName(path("store.db")).constData(), QFile::encodeName(path("copy.db")).constData()), 0);
    ASSERT_TRUE(QFile::link(path("import.log"), path("linked.csv")));
    ASSERT_TRUE(QFile::link(path("later.log"), path("dangling.csv"))); // to a log not there yet
    ASSERT_TRUE(QFile::link(path("store.db"), path("shortcut.db")));

    const QString log = path("import.log");
    const QList<Refusal> cases = {
        // The log under the name each run of the text file gives its reject file.
        {{"--log", path("items.rejected.csv")},
         "the log " + path("items.rejected.csv") + " bears the name of the reject file of the text file "
             + path("items.csv")},
        {{"--log", path("items.rejected.csv.partial"), "--reject", path("r.csv")}, "bears the name of the reject file"},
        {{"--log", path("items.test-rejected.csv")}, "bears the name of the reject file"},
        // Hard links, symbolic links (one to a file not there yet), other spellings.
        {{"--log", path("hard.log")}, "the log " + path("hard.log") + " and the text file " + path("items.csv")},
        {{"--log", path("copy.db")}, "the log " + path("copy.db") + " and the store " + path("store.db")},
        {{"--log", log, "--reject", path("linked.csv")}, "the reject file " + path("linked.csv") + " and the log " + log},
        {{"--log", path("later.log"), "--reject", path("dangling.csv")},
         "the reject file " + path("dangling.csv") + " and the log " + path("later.log")},
        {{"--log", log, "--reject", path("sub/../store.db")}, "and the store " + path("store.db")},
        {{"--log", log, "--reject", path("items.csv")}, "and the text file " + path("items.csv")},
        // The files SQLite keeps beside the store, there or not.
        {{"--log", log, "--reject", path("store.db-wal")}, "and the store's write-ahead log " + path("store.db-wal")},
        {{"--log", path("store.db-journal")}, "and the store's rollback journal"},
        {{"--log", log, "--reject", path("store.db-shm")}, "and the store's shared-memory index"},
        {{"--log", log, "--reject", path("store.db-wal")}, "and the store's write-ahead log", "shortcut.db"},
        // The reject file is written under another name until the run ends.
        {{"--log", path("r.csv.partial"), "--reject", path("r.csv")},
         "the unfinished reject file " + path("r.csv.partial") + " and the log " + path("r.csv.partial")},
    };
    for (const Refusal &refusal : cases) {
        const ToolResult result = vxrimp(importItems("Provider=SQLite;Data Source=" + path(refusal.store)) + refusal.paths);
        const std::string shown = refusal.paths.join(' ').toStdString();
        EXPECT_EQ(result.exitCode, 2) << shown;
        EXPECT_TRUE(result.err.contains(refusal.message)) << shown << "\n" << result.err.toStdString();
    }
    EXPECT_EQ(readTestFile(path("items.csv")), lines);
    EXPECT_EQ(readTestFile(log), "history\r\n");
    EXPECT_EQ(storeQuery("SELECT COUNT(*) FROM Item").toInt(), 0);
    for (const char *name : {"later.log", "r.csv", "r.csv.partial", "items.rejected.csv", "store.db-journal"})
        EXPECT_FALSE(QFile::exists(path(name))) << name;
}

// A test run writes its own reject file beside the real run's, whose bytes it
// leaves as they were; a --reject path wins.
TEST_F(RunFilesTest, ATestRunLeavesTheRealRunsRejectFile)
{
    const QString connect = newStore();
    const QStringList logged = {"--log", path("import.log")};
    ASSERT_TRUE(writeTestFile(path("items.csv"), "S1,One\r\n"));
    ASSERT_EQ(vxrimp(importItems(connect) + logged).exitCode, 0);
    const QByteArray realReject = "S1,One\r\n";
    ASSERT_TRUE(writeTestFile(path("items.csv"), "S1,One\r\nS2,Two\r\n"));
    ASSERT_EQ(vxrimp(importItems(connect) + logged).exitCode, 1);
    ASSERT_EQ(readTestFile(path("items.rejected.csv")), realReject);

    const QString testReject = path("items.test-rejected.csv");
    // The summary's reject row, and what is left in NAME.test-rejected.EXT (empty: none).
    const struct { QByteArray lines; QStringList options; QString rejectRow; QByteArray testRejected; } runs[] = {
        {"S1,One\r\nS2,Two\r\nS3,Three\r\n", {}, testReject, "S1,One\r\nS2,Two\r\n"},
        {"S1,Uno\r\n", {"--reject", path("mine.csv")}, path("mine.csv"), "S1,One\r\nS2,Two\r\n"},
        {"S9,Nine\r\n", {}, "none", {}}, // nothing rejected: the old one goes
    };
    for (const auto &run : runs) {
        ASSERT_TRUE(writeTestFile(path("items.csv"), run.lines));
        const ToolResult result = vxrimp(importItems(connect) + logged + run.options << "--dry-run");
        EXPECT_TRUE(result.out.contains("  Reject file:       " + run.rejectRow + "\n")) << result.out.toStdString();
        EXPECT_EQ(readTestFile(path("items.rejected.csv")), realReject) << run.lines.constData();
        EXPECT_EQ(QFile::exists(testReject), !run.testRejected.isEmpty()) << run.lines.constData();
        if (!run.testRejected.isEmpty()) {
            EXPECT_EQ(readTestFile(testReject), run.testRejected) << run.lines.constData();
        }
    }
    EXPECT_EQ(readTestFile(path("mine.csv")), "S1,Uno\r\n");
    EXPECT_EQ(storeQuery("SELECT COUNT(*) FROM Item").toInt(), 2); // S1 and S2, none of the test runs' lines
}

TEST_F(RunFilesTest, ARejectFileOnAFullDiskSaysWhyAndHoldsWholeLines)
{
    const QString connect = newStore();
    constexpr int Lines = 2000;
    QByteArray text;
    for (int i = 1; i <= Lines; ++i)
        text += "D" + QByteArray::number(i).rightJustified(6, '0') + ",Item," + QByteArray(400, 'x') + "\r\n";
    ASSERT_TRUE(writeTestFile(path("items.csv"), text));
    const ToolResult first = vxrimp(importItems(connect) << "--log" << path("import.log"));
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();

    // The same lines again are all duplicates, and the reject file meets a
    // file size limit that the store and its companions stay under.
    const qint64 limitKiB = QFileInfo(path("store.db")).size() / 1024 + 160;
    QProcess process;
    startVxrimp(process, importItems(connect) << "--log" << path("again.log") << "--reject" << path("rejected.csv"),
                "C", limitKiB);
    ASSERT_TRUE(process.waitForFinished(120000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 1) << out.toStdString() << process.readAllStandardError().toStdString();

    const QByteArray rejected = readTestFile(path("rejected.csv"));
    EXPECT_FALSE(QFile::exists(path("rejected.csv.partial")));
    EXPECT_GT(rejected.size(), 0);
    EXPECT_LE(rejected.size(), limitKiB * 1024);
    EXPECT_TRUE(rejected.endsWith("\r\n"));
    EXPECT_TRUE(text.startsWith(rejected));
    EXPECT_EQ(summaryText(out, "Reject file"),
              QStringLiteral("%1 (could not be written: File too large; the file holds the first %2 of the %3 "
                             "lines not stored)")
                  .arg(path("rejected.csv"))
                  .arg(rejected.count('\n'))
                  .arg(Lines));
}

} // namespace

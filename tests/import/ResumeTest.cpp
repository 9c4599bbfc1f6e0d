// vxrimp import --resume after a real vxrimp was killed mid-run: the store,
// the reject file and the counts come out as one uninterrupted run's; a file
// changed since, and a run that finished, are refused.

#include "TestStores.h"
#include "TestSupport.h"
#include "ToolRun.h"

#include "import/FileHash.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace vxr;
using namespace vxr::test;

namespace {

class ResumeTest : public BackendTest
{
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QProcess *start(const QString &store, const QString &name, const QStringList &more, const QString &pause = {})
    {
        auto *process = m_processes.emplace_back(std::make_unique<QProcess>()).get();
        startTool(*process, m_dir.path(),
                  QStringList{"import", "--file", path("items.csv"), "--table", "Inventory", "--map",
                              "1=Item Lookup Code,2=Description,3=Department,4=Supplier,5=Price",
                              "--skip-first-line", "--batch", "3", "--connect", store, "--log", path("import.log"),
                              "--journal", path(name + ".journal"), "--reject", path(name + ".rejected.csv")}
                          + more,
                  {"XDG_DATA_HOME=" + path("data"), pause.isEmpty() ? QString() : "VXR_JOURNAL_TEST_PAUSE=" + pause});
        return process;
    }

    ToolResult vxrimp(const QString &store, const QString &name, const QStringList &more = {})
    {
        return finishTool(*start(store, name, more));
    }

    // The summary's counts, without the paths of the log and reject file.
    static QStringList counts(const QString &out)
    {
        QStringList kept;
        for (const QString &line : out.split('\n')) {
            if (line.startsWith("  Lines ") || line.startsWith("  Rows "))
                kept << line;
        }
        return kept;
    }

    QStringList journalRun(const QString &name) const
    {
        return fileRows(path(name + ".journal"), "SELECT Outcome, Added, Updated, Failed, Ended IS NULL FROM Run");
    }

    // The store's rows; a server's sequences skip the IDs of the batch lost
    // by the kill, so there items go by their order and companions without ID.
    QStringList rows(const QString &store) const
    {
        if (backend() == StoreBackend::SQLite)
            return everyRow(store);
        QStringList rows = everyRow(store, ItemIds::InOrder);
        for (QString &row : rows) {
            if (row.startsWith("SupplierList: "))
                row = row.section('|', 1);
        }
        return rows;
    }

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// A header line, new departments and suppliers on the way, and a key met
// twice in several batches (lines 5, 8 and 11 fail).
QByteArray itemsFile()
{
    QByteArray text = "Code,Name,Department,Supplier,Price\r\n";
    for (int line = 2; line <= 20; ++line) {
        const QByteArray code = (line == 5 || line == 8 || line == 11) ? "K02" : "K" + QByteArray::number(line).rightJustified(2, '0');
        text += code + ",Item " + QByteArray::number(line) + ",Dept " + QByteArray::number(line % 4) + ",Sup "
                + QByteArray::number(line % 3) + "," + QByteArray::number(line) + ".25\r\n";
    }
    return text;
}

// Killed with the batch prepared and not committed (its lines are imported
// again), and with it committed and its failed line not yet in the reject
// file (it is read again from the text file); a torn line at the end of the
// unfinished reject file is left out either way.
TEST_P(ResumeTest, KilledRunResumedEqualsOneUninterruptedRun)
{
    ASSERT_TRUE(writeTestFile(path("items.csv"), itemsFile()));
    const QString reference = freshStore();
    const ToolResult whole = vxrimp(reference, "whole");
    ASSERT_EQ(whole.exitCode, 1) << whole.err.toStdString();
    const QByteArray rejected = readTestFile(path("whole.rejected.csv"));
    ASSERT_EQ(rejected.count('\n'), 4); // the header and three lines

    for (const char *pause : {"prepared:3", "stored:2"}) {
        SCOPED_TRACE(pause);
        const QString name = QString(pause).left(4);
        const QString store = freshStore();
        QProcess *killed = start(store, name, {}, pause);
        ASSERT_NO_FATAL_FAILURE(awaitSaid(*killed, "journal paused"));
        killed->kill();
        killed->waitForFinished();
        QFile partial(path(name + ".rejected.csv.partial"));
        ASSERT_TRUE(partial.open(QIODevice::Append));
        partial.write("K99,torn");
        partial.close();
        const QStringList stopped = rows(store);

        // A file changed since is not the one the run read.
        ASSERT_TRUE(writeTestFile(path("items.csv"), itemsFile() + "K30,Late,Dept 1,Sup 1,1\r\n"));
        const ToolResult changed = vxrimp(store, name, {"--resume"});
        EXPECT_EQ(changed.exitCode, 2);
        EXPECT_TRUE(changed.err.contains("not the one run 1 read")) << changed.err.toStdString();
        EXPECT_EQ(journalRun(name), QStringList("interrupted|0|0|0|1"));
        ASSERT_TRUE(writeTestFile(path("items.csv"), itemsFile()));
        // Nor is another mapping.
        EXPECT_EQ(vxrimp(store, name, {"--resume", "--map", "5=Cost"}).exitCode, 2);
        EXPECT_EQ(rows(store), stopped);

        const ToolResult resumed = vxrimp(store, name, {"--resume"});
        EXPECT_EQ(resumed.exitCode, 1) << resumed.err.toStdString();
        EXPECT_EQ(counts(resumed.out), counts(whole.out));
        EXPECT_EQ(rows(store), rows(reference));
        EXPECT_EQ(readTestFile(path(name + ".rejected.csv")), rejected);
        EXPECT_FALSE(QFile::exists(partial.fileName()));
        EXPECT_EQ(journalRun(name), journalRun("whole"));

        const ToolResult again = vxrimp(store, name, {"--resume"});
        EXPECT_EQ(again.exitCode, 2);
        EXPECT_TRUE(again.err.contains("finished: there is nothing to resume")) << again.err.toStdString();
    }
}

} // namespace

VXR_ON_EVERY_BACKEND(ResumeTest);

// The hash that tells a resumed run's file from another: known digests, and
// a file of several read chunks against Qt's own SHA-256.
TEST(FileHashTest, IsTheFilesSha256)
{
    QTemporaryDir dir;
    QByteArray large(3 * 1024 * 1024 + 1, 'x');
    for (qsizetype i = 0; i < large.size(); i += 4093)
        large[i] = char('a' + i % 26);
    const struct { QByteArray content; QString digest; } cases[] = {
            {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
            {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
            {large, QString::fromLatin1(QCryptographicHash::hash(large, QCryptographicHash::Sha256).toHex())},
    };
    for (const auto &c : cases) {
        QFile file(dir.filePath("f"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.content);
        file.close();
        EXPECT_EQ(fileSha256(file.fileName()), c.digest) << c.content.size();
    }
    EXPECT_EQ(fileSha256(dir.filePath("missing")), QString());
}

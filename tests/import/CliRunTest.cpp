// vxrimp's run under real faults and real signals: Ctrl-C and a file-size
// limit that makes a commit fail; and the same store and log whether lines
// are committed one by one or in batches, for every sample table.

#include "CliFixture.h"
#include "TestStores.h"

#include "catalogue/TableCatalogue.h"
#include "database/DbConnection.h"

#include <QFileInfo>
#include <QThread>

#include <signal.h>

using namespace vxr;
using namespace vxr::test;

namespace {

class CliRunTest : public CliFixture
{
protected:
    QStringList importItems(const QString &connect, const QString &file) const
    {
        return CliFixture::importItems(connect, file)
               + QStringList{"--log", path("import.log"), "--reject", path("rejected.csv")};
    }
    static qint64 summaryNumber(const QString &out, const QString &label) { return summaryText(out, label).toLongLong(); }

    // The sample files, in the order in which their references exist.
    static QList<QStringList> sampleImports()
    {
        return {{"suppliers.imp"},   {"inventory.imp", "--skip-first-line"},
                {"customers.imp"},   {"itemclasses.imp"},
                {"components.imp"},  {"aliases.imp"},
                {"security.imp", "--skip-first-line"}};
    }

    // Imports every sample file into a store with the extra options; the log.
    QString importSamples(const QString &connect, const QString &logName, const QStringList &extra)
    {
        for (const QStringList &sample : sampleImports()) {
            const ToolResult result = vxrimp(QStringList{"import", "--settings", sourcePath("examples/" + sample.first()),
                                                        "--connect", connect, "--log", path(logName), "--reject",
                                                        path("rejected.txt")}
                                            + sample.mid(1) + extra);
            EXPECT_LE(result.exitCode, 1) << sample.first().toStdString() << "\n" << result.err.toStdString();
        }
        return QString::fromUtf8(readTestFile(path(logName)));
    }
};

TEST_F(CliRunTest, CtrlCStopsAfterTheCurrentLineAndTheRejectFileFinishesTheJob)
{
    const QString connect = newStore();
    constexpr int Lines = 40000;
    writeTestFile(path("items.csv"), itemLines(1, Lines));

    QProcess process;
    startVxrimp(process, importItems(connect, path("items.csv")) << "--batch" << "50");
    ASSERT_TRUE(process.waitForStarted());
    // Once some batches are committed, the operator presses Ctrl-C.
    for (int attempt = 0; attempt < 400 && storeQuery("SELECT COUNT(*) FROM Item").toInt() < 100; ++attempt)
        QThread::msleep(25);
    ASSERT_EQ(process.state(), QProcess::Running) << "the import ended before it could be interrupted";
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());

    EXPECT_EQ(process.exitCode(), 3) << err.toStdString();
    EXPECT_TRUE(out.contains(": Cancelled at line ")) << out.toStdString();
    EXPECT_TRUE(err.contains("cancelling after the current line"));
    const qint64 added = summaryNumber(out, "Rows added");
    const qint64 notReached = summaryNumber(out, "Lines not reached");
    EXPECT_GT(notReached, 0);
    EXPECT_EQ(added + notReached, Lines);
    EXPECT_EQ(storeQuery("SELECT COUNT(*) FROM Item").toLongLong(), added);
    EXPECT_EQ(summaryText(out, "Reject file"), path("rejected.csv"));

    // The reject file holds exactly the lines not stored; importing it
    // completes the store.
    QFile::rename(path("rejected.csv"), path("rest.csv"));
    const ToolResult rest = vxrimp(importItems(connect, path("rest.csv")));
    EXPECT_EQ(rest.exitCode, 0) << rest.err.toStdString();
    EXPECT_EQ(summaryNumber(rest.out, "Rows added"), notReached);
    EXPECT_EQ(summaryText(rest.out, "Reject file"), "none");
    EXPECT_EQ(storeQuery("SELECT COUNT(DISTINCT ItemLookupCode) FROM Item").toInt(), Lines);
}

// No file of the run may grow past a limit the first batches stay under; the
// write-ahead log, which a commit appends to, reaches it first. (Where the
// lost batch's lines go, RunFaultTest follows on every store.)
TEST_F(CliRunTest, ACommitThatFailsEndsTheRunWithTwoAndHonestCounts)
{
    constexpr int Lines = 3000;
    writeTestFile(path("items.csv"), itemLines(1, Lines));
    const QString connect = newStore();
    QProcess process;
    startVxrimp(process, importItems(connect, path("items.csv")) << "--batch" << "200", {},
                QFileInfo(path("store.db")).size() / 1024 + 160);
    ASSERT_TRUE(process.waitForFinished(120000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());

    EXPECT_EQ(process.exitCode(), 2) << out.toStdString() << err.toStdString();
    EXPECT_TRUE(out.contains(": Failed\n")) << out.toStdString();
    EXPECT_TRUE(err.contains("Committing the transaction failed")) << err.toStdString();
    const qint64 added = summaryNumber(out, "Rows added");
    EXPECT_GT(added, 0);
    EXPECT_EQ(added + summaryNumber(out, "Lines failed") + summaryNumber(out, "Lines not reached"), Lines);
    EXPECT_EQ(storeQuery("SELECT COUNT(*) FROM Item").toLongLong(), added);
}

// BatchEquivalenceTest compares items and customers in depth; this covers
// the other tables of the samples, through vxrimp's --batch, also on stores
// without unique indexes on the keys and with SQL Server's traits.
TEST_F(CliRunTest, OneLineABatchGivesTheSameStoresAndLogsAsTheDefault)
{
    QList<std::pair<QString, QString>> stores{{newStore("one.db"), newStore("default.db")}};
    QList<StoreKind> kinds{{StoreBackend::SQLite, StoreTraits::NoUniqueKeys}};
    if (PostgresStore::isConfigured())
        kinds << StoreKind(StoreBackend::PostgreSQL) << StoreKind(StoreBackend::PostgreSQL, StoreTraits::CaseInsensitive)
              << StoreKind(StoreBackend::PostgreSQL, StoreTraits::CaseInsensitiveNoUniqueKeys);
    std::vector<std::unique_ptr<TestStore>> made;
    for (const StoreKind &kind : kinds) {
        for (int i = 0; i < 2; ++i) {
            made.push_back(makeStore(kind));
            ASSERT_TRUE(made.back()->isValid()) << made.back()->error().toStdString();
        }
        stores.append({made[made.size() - 2]->connectionString(), made.back()->connectionString()});
    }
    for (const auto &[one, byDefault] : stores) {
        SCOPED_TRACE(one.toStdString());
        QFile::remove(path("one.log"));
        QFile::remove(path("default.log"));
        const QString oneLog = importSamples(one, "one.log", {"--batch", "1"});
        EXPECT_TRUE(oneLog.contains("<DUPL>"));
        EXPECT_EQ(oneLog, importSamples(byDefault, "default.log", {}));
        const QStringList rows = everyRow(one);
        EXPECT_GT(rows.size(), 100);
        EXPECT_EQ(rows, everyRow(byDefault));
    }
}

} // namespace

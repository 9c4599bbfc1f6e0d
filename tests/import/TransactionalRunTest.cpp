// The import run on real stores: a line is stored whole or not at all, a
// reference that cannot be added fails its line, other programs see a batch
// only once it is committed, and a test run and an all-or-nothing run leave
// the store as it was. (A cancel: RunFaultTest.)

#include "TransactionalFixture.h"

using namespace vxr;
using namespace vxr::test;

namespace {

// A line refused by the database after its item row was written, and a
// repeated key: neither leaves a row, and their values cut or read as 0
// count nothing; only the stored line's do.
TEST_P(TransactionalRunTest, ALineIsStoredWholeOrNotAtAllAndItsReferencesStay)
{
    refuseRowsUnless("SupplierList", "NEW.Cost <= 999"); // the item row of such a line is written first
    mapPositions({ItemLookupCode, Description, ItemSupplier, ItemCost});
    const QByteArray refused = "A2," + QByteArray(40, 'x') + ",Zenith,1000";
    const QByteArray repeated = "A3,Gizmo " + QByteArray(40, 'y') + ",Acme,abc";
    const QString path = writeFile("items.csv", "A1,Widget,Acme,5\r\n" + refused + "\r\n" + (repeated + "\r\n").repeated(2));
    const ImportSummary summary = importFile(request(path));

    EXPECT_EQ(summary.outcome, RunOutcome::Complete);
    EXPECT_EQ(tally(summary), "2 added 0 updated 0 skipped 2 failed 0 not reached");
    EXPECT_EQ(summary.valuesCut, 1);
    EXPECT_EQ(summary.valuesReadAsEmpty, 1);
    EXPECT_EQ(itemCodes(), QStringList({"A1", "A3"}));
    EXPECT_EQ(query("SELECT COUNT(*) FROM SupplierList"), QStringList({"2"}));
    // The supplier the failed line named was added before its row and stays.
    EXPECT_EQ(query("SELECT SupplierName FROM Supplier ORDER BY SupplierName"), QStringList({"Acme", "Zenith"}));
    EXPECT_EQ(logEntries(), QStringList({"[00002 <-2147217910>] " + QString::fromLatin1(refused),
                                         "[00004 <DUPL>] " + QString::fromLatin1(repeated)}));
    EXPECT_EQ(readTestFile(summary.rejectPath), refused + "\r\n" + repeated + "\r\n");
}

TEST_P(TransactionalRunTest, AReferenceThatCannotBeAddedFailsItsLine)
{
    mapPositions({ItemLookupCode, Description, ItemDepartment});
    const QByteArray tooLong(31, 'D'); // the department name column holds 30
    const QString path = writeFile("items.csv", "B1,One,Tools\r\nB2,Two," + tooLong + "\r\nB3,Three,Tools\r\n");
    const ImportSummary summary = importFile(request(path));

    EXPECT_EQ(tally(summary), "2 added 0 updated 0 skipped 1 failed 0 not reached");
    EXPECT_EQ(logEntries(), QStringList({"[00002 <-2147217833>] B2,Two," + QString::fromLatin1(tooLong)}));
    // No item is stored without the department its line names.
    EXPECT_EQ(query("SELECT COUNT(*) FROM Item WHERE DepartmentID IS NULL OR DepartmentID = 0"), QStringList({"0"}));
    EXPECT_EQ(query("SELECT Name FROM Department"), QStringList({"Tools"}));
}

TEST_P(TransactionalRunTest, KeysThatAreEmptyTooLongOrBlankLines)
{
    mapPositions({ItemLookupCode, Description});
    const QByteArray longKey(26, 'L'); // the lookup code column holds 25
    const QString path = writeFile("items.csv", "C1,One\r\n,No key\r\n" + longKey + "1,First\r\n" + longKey
                                                        + "2,Second\r\n   \r\n\r\n");
    for (const bool duplicatesAsErrors : {true, false}) {
        ImportRequest r = request(path);
        r.duplicatesAsErrors = duplicatesAsErrors;
        QFile::remove(logPath);
        // Two keys that differ only beyond the column's length never become
        // one row; the blank lines at the end are skipped.
        EXPECT_EQ(tally(importFile(r)), duplicatesAsErrors ? "1 added 0 updated 2 skipped 3 failed 0 not reached"
                                                           : "0 added 1 updated 2 skipped 3 failed 0 not reached");
        EXPECT_EQ(logEntries(), QStringList({"[00002 <NOKEY>] ,No key",
                                             "[00003 <-2147217833>] " + QString::fromLatin1(longKey) + "1,First",
                                             "[00004 <-2147217833>] " + QString::fromLatin1(longKey) + "2,Second"}));
        EXPECT_EQ(itemCodes(), QStringList({"C1"}));
    }
}

TEST_P(TransactionalRunTest, OtherProgramsSeeEachBatchOnceItIsCommittedAndNothingBefore)
{
    mapPositions({ItemLookupCode, Description});
    const auto other = otherConnection();
    QList<std::pair<qint64, qint64>> seen; // lines processed, items another connection sees
    progress.onProgress = [&](const ImportProgress &p) {
        if (p.linesRead != 1200 && p.linesRead != 2400 && p.linesRead != 2600)
            return;
        QSqlQuery count(other->database());
        EXPECT_TRUE(count.exec("SELECT COUNT(*) FROM Item") && count.next());
        seen.append({p.linesRead, count.value(0).toLongLong()});
        count.finish();
    };
    ImportRequest r = request(writeFile("items.csv", itemLines(1, 3000)));
    r.batchLines = 2500; // more lines than are read ahead at a time
    r.batchMilliseconds = 3600000;
    r.progressMilliseconds = 0;
    EXPECT_EQ(importFile(r).rowsAdded, 3000);
    EXPECT_EQ(seen, (QList<std::pair<qint64, qint64>>{{1200, 0}, {2400, 0}, {2600, 2500}}));
}

TEST_P(TransactionalRunTest, ATestRunLeavesEveryTableAsItWas)
{
    mapPositions({ItemLookupCode, Description, ItemDepartment, ItemSupplier, ItemCost});
    ASSERT_EQ(importFile(request(writeFile("first.csv", "T0,Kept,Tools,Acme,3\r\n"))).rowsAdded, 1);
    const QStringList before = everyRow(connectionString());
    QFile::remove(logPath);

    const QString path =
            writeFile("items.csv", "T1,New,Garden,Zenith,4\r\nT0,Again,Tools,Acme,5\r\nT2,Other,Paint,Nova,6\r\n");
    const ImportSummary summary = importFile(request(path, RunMode::TestRun));

    EXPECT_EQ(summary.outcome, RunOutcome::TestRun);
    EXPECT_TRUE(summary.nothingStored);
    EXPECT_EQ(tally(summary), "2 added 0 updated 0 skipped 1 failed 0 not reached"); // as it would have been
    EXPECT_EQ(everyRow(connectionString()), before);
    EXPECT_TRUE(logLines().at(1).endsWith(" (test run, nothing stored)"));
    EXPECT_EQ(logEntries(), QStringList({"[00002 <DUPL>] T0,Again,Tools,Acme,5"}));
    EXPECT_EQ(readTestFile(summary.rejectPath), QByteArray("T0,Again,Tools,Acme,5\r\n"));
    EXPECT_EQ(progress.calls.last(), "status:" + RunStatusTestRun);
}

TEST_P(TransactionalRunTest, AllOrNothingStoresNothingWhenOneLineFails)
{
    mapPositions({ItemLookupCode, Description, ItemDepartment});
    const QStringList before = everyRow(connectionString());
    const QString failing = writeFile("failing.csv", "N1,One,Tools\r\nN1,Again,Tools\r\nN2,Two,Paint\r\n");
    const ImportSummary rolledBack = importFile(request(failing, RunMode::AllOrNothing));
    EXPECT_EQ(rolledBack.outcome, RunOutcome::RolledBack);
    EXPECT_TRUE(rolledBack.nothingStored);
    // The counts say what is in the store, and apart what would have been.
    EXPECT_EQ(tally(rolledBack), "0 added 0 updated 0 skipped 1 failed 0 not reached");
    EXPECT_EQ(rolledBack.rolledBackAdded, 2);
    EXPECT_TRUE(rolledBack.rejectPath.isEmpty());
    EXPECT_EQ(everyRow(connectionString()), before); // the departments too

    const ImportSummary stored =
            importFile(request(writeFile("good.csv", "N1,One,Tools\r\nN2,Two,Paint\r\n"), RunMode::AllOrNothing));
    EXPECT_EQ(stored.outcome, RunOutcome::Complete);
    EXPECT_FALSE(stored.nothingStored);
    EXPECT_EQ(itemCodes(), QStringList({"N1", "N2"}));
}

VXR_ON_EVERY_BACKEND(TransactionalRunTest);

} // namespace

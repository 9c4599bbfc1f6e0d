// A batch the database rolls back for the sake of another transaction (a
// deadlock victim, a serialization failure) is written again from its first
// line, with what the run learned in it forgotten; after three tries more the
// run ends, every line told. On PostgreSQL, where both failures are real.

#include "ImportFixture.h"

#include <QThread>

#include <future>
#include <thread>

using namespace vxr;
using namespace vxr::test;

namespace {

class BatchRetryTest : public ImportFixture
{
protected:
    ImportSummary importItems(const QByteArray &text, int batchLines, bool journaled = false)
    {
        mapPositions({ItemLookupCode, Description, ItemDepartment});
        ImportRequest request = requestFor(ItemTable, writeFile("items.csv", text));
        request.duplicatesAsErrors = false;
        request.batchLines = batchLines;
        return journaled ? importJournaled(request) : importFile(request);
    }

    // A trigger refuses the item with this key with a serialization failure
    // so many times, as it is inserted or when its batch commits.
    void refuseItem(const QString &key, int failures, bool atCommit)
    {
        exec("DROP SEQUENCE IF EXISTS tries");
        exec("CREATE SEQUENCE tries");
        exec(QStringLiteral("CREATE OR REPLACE FUNCTION conflict() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                            "IF NEW.ItemLookupCode = '%1' THEN IF nextval('tries') <= %2 THEN RAISE EXCEPTION "
                            "'could not serialize access' USING ERRCODE = 'serialization_failure'; END IF; END IF; "
                            "RETURN NEW; END $$")
                     .arg(key)
                     .arg(failures));
        exec("DROP TRIGGER IF EXISTS conflict ON Item");
        exec(atCommit ? "CREATE CONSTRAINT TRIGGER conflict AFTER INSERT ON Item DEFERRABLE INITIALLY DEFERRED "
                        "FOR EACH ROW EXECUTE FUNCTION conflict()"
                      : "CREATE TRIGGER conflict BEFORE INSERT ON Item FOR EACH ROW EXECUTE FUNCTION conflict()");
    }

    // Each item with the name of its department, as the store joins them,
    // and every department's name.
    QStringList itemsAndDepartments()
    {
        return query("SELECT i.ItemLookupCode, i.Description, i.Notes, d.Name FROM Item i "
                     "LEFT JOIN Department d ON d.ID = i.DepartmentID ORDER BY i.ItemLookupCode")
                + query("SELECT Name FROM Department ORDER BY Name");
    }
};

// A second connection holds a row the import needs while it waits for one
// the import holds; the import checks for the deadlock first, so it is the
// victim.
TEST_P(BatchRetryTest, ADeadlockVictimWritesItsBatchAgain)
{
    const QByteArray first = "A1,One,Tools\r\nA2,Two,Tools\r\nA3,Three,Tools\r\n";
    const QByteArray second = "A1,New one,Paint\r\nA3,New three,Paint\r\nB1,Four,Paint\r\n";
    const QString undisturbed = freshStore();
    ASSERT_EQ(importItems(first, 100).rowsAdded, 3);
    reopen();
    exec("DO $$ BEGIN EXECUTE format('ALTER DATABASE %I SET deadlock_timeout = ''200ms''', current_database()); END $$");
    connection.close(); // the import's own session takes it

    std::promise<void> holding;
    bool otherGotItsLock = false;
    std::thread other([&, store = connectionString()] {
        DbConnection session;
        DbError error;
        const bool opened = session.open(store, &error);
        QSqlQuery sql(session.database());
        const auto update = [&sql](const char *key) {
            return sql.exec(QStringLiteral("UPDATE Item SET Notes = 'other' WHERE ItemLookupCode = '%1'")
                                    .arg(QLatin1String(key)));
        };
        const bool held = opened && sql.exec("SET deadlock_timeout = '10s'") && sql.exec("BEGIN") && update("A3");
        holding.set_value();
        if (!held)
            return;
        for (int wait = 0; wait < 500; ++wait) { // until the import waits for A3
            if (sql.exec("SELECT COUNT(*) FROM pg_locks WHERE NOT granted") && sql.next() && sql.value(0).toInt() > 0)
                break;
            QThread::msleep(20);
        }
        otherGotItsLock = update("A1");
        sql.exec("ROLLBACK");
    });
    holding.get_future().wait();
    const ImportSummary summary = importItems(second, 100);
    other.join();

    EXPECT_TRUE(otherGotItsLock) << "the import was not the deadlock victim";
    EXPECT_EQ(summary.outcome, RunOutcome::Complete) << summary.failure.toStdString();
    EXPECT_EQ(tally(summary), "1 added 2 updated 0 skipped 0 failed 0 not reached");
    // The same rows as an undisturbed run's (the IDs of a try rolled back
    // are used up, so departments compare by name).
    const QStringList retried = itemsAndDepartments();
    const QByteArray *const texts[] = {&first, &second, nullptr};
    for (const QByteArray *text : texts) { // the run closes its connection
        connection.close();
        DbError error;
        ASSERT_TRUE(connection.open(undisturbed, &error)) << error.description.toStdString();
        if (text)
            importItems(*text, 100);
    }
    EXPECT_EQ(retried, itemsAndDepartments());
}

// A trigger refuses one item with a serialization failure so many times,
// as it is inserted or when its batch commits; batches of two lines, the
// second batch holding that item and a department first named in it. A
// journaled run has read the third batch's lines by the commit.
TEST_P(BatchRetryTest, ThreeRetriesThenTheRunEnds)
{
    const QByteArray text = "A1,One,Tools\r\nA2,Two,Tools\r\nB1,Three,Paint\r\nB2,Four,Paint\r\n"
                            "C1,Five,Garden\r\nC2,Six,Tools\r\n";
    const struct { int failures; bool atCommit; RunOutcome outcome; int added; const char *tally; } cases[] = {
            {3, false, RunOutcome::Complete, 6, "6 added 0 updated 0 skipped 0 failed 0 not reached"},
            {4, false, RunOutcome::Failed, 2, "2 added 0 updated 0 skipped 2 failed 2 not reached"},
            {3, true, RunOutcome::Complete, 6, "6 added 0 updated 0 skipped 0 failed 0 not reached"},
            {4, true, RunOutcome::Failed, 2, "2 added 0 updated 0 skipped 2 failed 2 not reached"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.failures << (c.atCommit ? " at the commit" : " at the insert"));
        reopen();
        exec("DELETE FROM Item");
        exec("DELETE FROM Department");
        refuseItem("B2", c.failures, c.atCommit);

        const ImportSummary summary = importItems(text, 2, c.atCommit);
        EXPECT_EQ(summary.outcome, c.outcome) << summary.failure.toStdString();
        EXPECT_EQ(tally(summary), c.tally);
        // Every item names its own department: none learned in a try that
        // was rolled back.
        const QStringList items = {"A1|One||Tools", "A2|Two||Tools", "B1|Three||Paint", "B2|Four||Paint",
                                   "C1|Five||Garden", "C2|Six||Tools"};
        const QStringList departments = c.added == 6 ? QStringList{"Garden", "Paint", "Tools"} : QStringList{"Tools"};
        EXPECT_EQ(itemsAndDepartments(), items.mid(0, c.added) + departments);
        EXPECT_EQ(query("SELECT last_value FROM tries"), QStringList{"4"}); // the first try and three more
    }
}

// Batches of a hundred lines: while the store takes one, the next part of
// the file is read on another thread. A batch written again keeps that part;
// a run that ends sets it aside, not reached.
TEST_P(BatchRetryTest, ARetriedBatchKeepsThePartReadMeanwhile)
{
    QByteArray text;
    for (int i = 1; i <= 300; ++i)
        text += "K" + QByteArray::number(i).rightJustified(4, '0') + ",Item " + QByteArray::number(i) + ",D"
                + QByteArray::number(i % 7) + "\r\n";
    const struct { int failures; RunOutcome outcome; const char *tally; const char *items; } cases[] = {
            {3, RunOutcome::Complete, "300 added 0 updated 0 skipped 0 failed 0 not reached", "300"},
            {4, RunOutcome::Failed, "100 added 0 updated 0 skipped 100 failed 100 not reached", "100"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.failures);
        reopen();
        exec("DELETE FROM Item");
        exec("DELETE FROM Department");
        refuseItem("K0150", c.failures, true);
        const ImportSummary summary = importItems(text, 100, true);
        EXPECT_EQ(summary.outcome, c.outcome) << summary.failure.toStdString();
        EXPECT_EQ(tally(summary), c.tally);
        EXPECT_EQ(query("SELECT COUNT(*) FROM Item"), QStringList{c.items});
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, BatchRetryTest, ::testing::Values(StoreBackend::PostgreSQL), storeBackendName);

} // namespace

// The journal of vxrimp runs, as a real process writes it: every row a run
// added (with the look-ups' reference rows and the companions) and the
// previous values of what it updated; a run killed between the journal's
// two marks; a journal that cannot be written; a disk that fills up mid-run;
// a long batch written ahead in parts.

#include "TestStores.h"
#include "TestSupport.h"
#include "ToolRun.h"
#include "import/AddedBlock.h"
#include "import/ImportRun.h"
#include "import/Journal.h"
#include "import/RunJournal.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>


using namespace vxr;
using namespace vxr::test;

namespace {

class JournalTest : public BackendTest
{
protected:
    QString journalPath() const { return m_dir.filePath("runs.journal"); }

    QString writeFile(const QString &name, const QByteArray &text) const
    {
        EXPECT_TRUE(writeTestFile(m_dir.filePath(name), text));
        return m_dir.filePath(name);
    }

    // vxrimp journaled in the test's folder, paused where it says; a file
    // size limit (KiB) when one is given.
    void start(QProcess &process, const QStringList &arguments, const QString &pause = {}, int limitKiB = 0) const
    {
        startTool(process, m_dir.path(), arguments + QStringList{"--journal", journalPath()},
                  {"XDG_DATA_HOME=" + m_dir.filePath("data"), pause.isEmpty() ? QString() : "VXR_JOURNAL_TEST_PAUSE=" + pause},
                  limitKiB);
    }

    QStringList importArguments(const QString &file, const QStringList &more = {}) const
    {
        return QStringList{"import", "--file", file, "--table", "Inventory", "--map", ItemMap, "--connect",
                           connectionString(), "--log", m_dir.filePath("import.log")}
                + more;
    }

    ToolResult vxrimp(const QStringList &arguments, int limitKiB = 0) const
    {
        QProcess process;
        start(process, arguments, {}, limitKiB);
        return finishTool(process);
    }

    // The journal's rows for a query, read on a connection of the test's.
    QStringList journalRows(const QString &sql) const { return fileRows(journalPath(), sql); }

    // The rows the journal holds as added in the batches the condition picks.
    QList<JournalAddedRow> addedRows(const QString &batchCondition) const
    {
        const SqliteFile journal(journalPath());
        QList<JournalAddedRow> rows;
        QString error;
        EXPECT_TRUE(readAddedRows(journal.database(), batchCondition, {}, &rows, &error)) << error.toStdString();
        return rows;
    }

    QTemporaryDir m_dir;
};

// Every row of every table the run wrote to is in the journal by ID and by
// what names it, the look-ups' rows of a line that then failed among them
// (they stay in the store); the update run keeps what it overwrote.
TEST_P(JournalTest, HoldsEveryAddedRowAndThePreviousValuesOfAnUpdate)
{
    const QString added = writeFile("items.csv", "A1,Apple,Fruit,Fresh,Acme,5,1.00,2.50\n"
                                                 "A2,Pear,Fruit,Fresh,Acme,5,1.10,2.60\n"
                                                 "A3,Fig,Dried,Sweet,Best,7,2.00,4.00\n"
                                                 "A1,Twice,Veg,Green,Zed,9,1,1\n"
                                                 "A4,Plum,Fruit,Ripe,,,0.50,1.00\n");
    ASSERT_EQ(vxrimp(importArguments(added, {"--batch", "2"})).exitCode, 1);
    const struct { const char *table, *key; } tables[] = {
            {"Item", "ItemLookupCode"}, {"Department", "Name"}, {"Category", "Name"}, {"Supplier", "SupplierName"},
            {"Tax", "Description"},     {"ItemTax", "Description"}, {"SupplierList", "ItemID"}};
    for (const auto &table : tables) {
        const QStringList stored =
                rows(QString("SELECT '%1', ID, %2 FROM %1 ORDER BY ID").arg(table.table, table.key));
        EXPECT_FALSE(stored.isEmpty()) << table.table;
        QStringList journaled;
        for (const JournalAddedRow &row : addedRows("b.RunId = 1")) {
            if (row.table == table.table && row.keyColumn == table.key)
                journaled.append(QString("%1|%2|%3").arg(row.table).arg(row.rowId).arg(row.keyValue.toString()));
        }
        journaled.sort();
        QStringList sorted = stored;
        sorted.sort();
        EXPECT_EQ(journaled, sorted);
    }
    EXPECT_EQ(journalRows("SELECT Number, State, FirstLine, LastLine FROM Batch ORDER BY Number"),
              QStringList({"1|committed|1|2", "2|committed|3|4", "3|committed|5|5"}));
    // The values written are kept with each added row: of all of them, only
    // the price edited since stops an undo.
    exec("UPDATE Item SET Price = 9 WHERE ItemLookupCode = 'A4'");
    const QStringList undo{"undo", "--connect", connectionString(), "--run", "1", "--dry-run"};
    const ToolResult refused = vxrimp(undo);
    ASSERT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.contains("ItemLookupCode A4")) << refused.out.toStdString();
    EXPECT_EQ(QString::fromUtf8(readTestFile(m_dir.filePath("runs.run1-conflicts.csv"))).section("\r\n", 1).remove(QRegularExpression("ID \\d+")),
              "Item,\"ItemLookupCode A4, \",Price,1,9\r\n");

    const QString updated = writeFile("update.csv", "A1,Apple,Fruit,Fresh,Acme,5,1.00,3.25\n"
                                                    "A3,Fig rolls,Dried,Sweet,Best,7,2.00,4.00\n");
    ASSERT_EQ(vxrimp(importArguments(updated, {"--duplicates", "update"})).exitCode, 0);
    // Prices as numbers: a server gives them with its column's scale.
    const QString price = "CASE ColumnName WHEN 'Price' THEN CAST(%1 AS REAL) ELSE %1 END";
    EXPECT_EQ(journalRows("SELECT KeyValue, ColumnName, " + price.arg("PreviousValue") + ", " + price.arg("WrittenValue")
                          + " FROM UpdatedRow WHERE RunId = 2 AND ColumnName IN ('Description', 'Price') ORDER BY Seq"),
              QStringList({"A1|Description|Apple|Apple", "A1|Price|2.5|3.25", "A3|Description|Fig|Fig rolls",
                           "A3|Price|4|4"}));
    EXPECT_EQ(journalRows("SELECT Id, Outcome, Added, Updated, Failed FROM Run ORDER BY Id"),
              QStringList({"1|finished|4|0|1", "2|finished|0|2|0"}));
}

// A run killed after the journal's prepare and before the store's commit
// leaves the batch prepared; so does one killed after the commit and before
// the mark. The next opening of the journal (here by vxrimp runs) settles
// each from the store.
TEST_P(JournalTest, BatchLeftPreparedByAKilledRunIsSettledFromTheStore)
{
    const struct { const char *pause, *state; int itemsStored; } cases[] = {{"prepared:2", "discarded", 2}, {"stored:2", "committed", 4}};
    for (const auto &killed : cases) {
        const QString prefix = QString(killed.pause).left(1);
        QByteArray text;
        for (int n = 1; n <= 6; ++n)
            text += QString("%1%2,Item %2,Dept %1%2,,,,,1\n").arg(prefix).arg(n).toUtf8();
        QProcess process;
        start(process, importArguments(writeFile(prefix + ".csv", text), {"--batch", "2"}), killed.pause);
        ASSERT_TRUE(process.waitForStarted());
        ASSERT_NO_FATAL_FAILURE(awaitSaid(process, "journal paused"));
        process.kill(); // SIGKILL: nothing of the program runs after it
        process.waitForFinished();

        const QString batch = QString("SELECT State FROM Batch WHERE Number = 2 AND RunId = "
                                      "(SELECT MAX(Id) FROM Run)");
        EXPECT_EQ(journalRows(batch), QStringList("prepared")) << killed.pause;
        EXPECT_EQ(vxrimp({"runs", "--connect", connectionString()}).exitCode, 0);
        EXPECT_EQ(journalRows(batch), QStringList(killed.state)) << killed.pause;
        EXPECT_EQ(scalar(QString("SELECT COUNT(*) FROM Item WHERE ItemLookupCode LIKE '%1%'").arg(prefix)).toInt(),
                  killed.itemsStored)
                << killed.pause;
    }
}

// No run goes without its way back: a journal another program holds locked,
// or one that the disk has no room for, ends the run before it stores
// anything, with exit status 2.
TEST_P(JournalTest, JournalThatCannotBeWrittenStopsTheRunBeforeItStoresAnything)
{
    const QString file = writeFile("items.csv", "B1,Bolt,Hardware,,,,,1\nB2,Nut,Hardware,,,,,1\n");
    auto holder = std::make_unique<SqliteFile>(journalPath());
    ASSERT_TRUE(holder->exec("BEGIN EXCLUSIVE"));
    const ToolResult locked = vxrimp(importArguments(file));
    holder.reset();
    EXPECT_EQ(locked.exitCode, 2);
    EXPECT_TRUE(locked.err.contains("journal")) << locked.err.toStdString();

    // Room for the journal's first page, not for its tables (a store on a
    // server is out of the limit's reach; a SQLite store is not).
    QFile::remove(journalPath());
    if (backend() == StoreBackend::PostgreSQL) {
        const ToolResult full = vxrimp(importArguments(file), 4);
        EXPECT_EQ(full.exitCode, 2);
        EXPECT_TRUE(full.err.contains("journal")) << full.err.toStdString();
    }
    EXPECT_EQ(count("Item") + count("Department"), 0);
}

// The disk fills up mid-run (a file size limit): on a server the journal's,
// whose parts are written beside the store's work; on SQLite the store's
// first, its log taking each batch's pages while the journal prepares the
// batch. The run stops; what it stored is whole and all in the journal, and
// the other lines are in the reject file, as far as it could be written.
TEST_P(JournalTest, DiskThatFillsUpMidRunLeavesWhatWasStoredInTheJournal)
{
    QByteArray lines;
    for (int n = 0; n < 6000; ++n)
        lines += QStringLiteral("L%1,Lamp %1,Lighting,,,,,1\n").arg(n).toLatin1();
    const bool server = backend() == StoreBackend::PostgreSQL;
    const ToolResult midway =
            vxrimp(importArguments(writeFile("long.csv", lines), {"--batch", "500"}), server ? 128 : 512);
    EXPECT_EQ(midway.exitCode, 2);
    const int stored = int(count("Item"));
    EXPECT_TRUE(midway.err.contains(server ? QStringLiteral("journal") : QStringLiteral("Committing the transaction")))
            << midway.err.toStdString();
    EXPECT_TRUE(midway.err.contains(QStringLiteral("%1 line(s) were stored").arg(stored)));
    EXPECT_GT(stored, 0);
    EXPECT_EQ(stored % 500, 0);
    if (!server) {
        EXPECT_EQ(scalar("PRAGMA integrity_check").toString(), "ok");
    }
    // The lines not stored, or as many of them as the limit let in, as the run says.
    const QByteArray notStored = lines.mid(lines.indexOf(QStringLiteral("\nL%1,").arg(stored).toLatin1()) + 1);
    const QByteArray rejected = readTestFile(m_dir.filePath("long.rejected.csv"));
    EXPECT_TRUE(notStored.startsWith(rejected));
    EXPECT_EQ(rejected == notStored, !midway.err.contains("could not be written")) << midway.err.toStdString();
    // Parts of the batch that was not stored are settled when the journal is next opened.
    EXPECT_EQ(vxrimp({"runs", "--connect", connectionString()}).exitCode, 0);
    const QList<JournalAddedRow> kept = addedRows("b.State <> 'discarded'");
    EXPECT_EQ(std::count_if(kept.cbegin(), kept.cend(), [](const JournalAddedRow &row) { return row.table == "Item"; }),
              stored);
    const ToolResult undone = vxrimp({"undo", "--last", "--connect", connectionString()});
    EXPECT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_EQ(count("Item") + count("Department"), 0);
}

// A batch too long to hold (a run in one transaction) is written ahead in
// parts; what a rollback takes back is taken out of the journal too, also
// from parts already written, and the rows after are read back right.
TEST(JournalWriteAheadTest, BatchWrittenInPartsHoldsWhatSurvivedItsRollbacks)
{
    // Each rollback: after adding row n, back to the savepoint of row m.
    const struct { const char *name; QList<std::pair<int, int>> rollbacks; int rows, kept; } cases[] = {
            {"none", {}, 40000, 40000},
            {"into written parts", {{25000, 15000}}, 30000, 20000},
            {"within what is held", {{39990, 39950}}, 40000, 39960},
            {"everything, twice", {{25000, 0}, {25300, 0}}, 25400, 100},
    };
    QTemporaryDir dir;
    QFile file(dir.filePath("lines.csv"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x\n") == 2);
    file.close();
    for (const auto &c : cases) {
        QString error;
        const QString path = dir.filePath(QString("%1.journal").arg(c.name));
        auto journal = RunJournal::begin(path, QSqlDatabase(), {"sqlite:x", file.fileName(), 0, {}, "Item", ""},
                                         &error);
        ASSERT_TRUE(journal) << error.toStdString();
        QList<int> expected; // the rows left, by number
        const QStringList columns{"ItemLookupCode", "Price", "Notes"};
        for (int n = 1; n <= c.rows; ++n) {
            const QVariantList values{QString("A%1").arg(n), n % 7, n % 3 ? QVariant(QString("note %1").arg(n / 5)) : QVariant()};
            journal->entries().rowAdded({"Item", n, "ItemLookupCode", values.at(0), columns, values, {}},
                                        quint64(n) + 1);
            expected.append(n);
            for (const auto &[after, back] : c.rollbacks) {
                if (n == after) {
                    journal->entries().rolledBack(quint64(back) + 2);
                    expected.resize(back);
                }
            }
        }
        ASSERT_EQ(expected.size(), c.kept);
        ASSERT_TRUE(journal->startPrepare(1, 1, {}, &error) && journal->finishPrepare(&error)) << error.toStdString();
        journal->stored();
        journal->end({}, {});
        journal.reset();

        const SqliteFile db(path);
        EXPECT_EQ(db.rows("SELECT Number, State, FirstLine FROM Batch"), QStringList("1|committed|1")) << c.name;
        QList<JournalAddedRow> rows;
        ASSERT_TRUE(readAddedRows(db.database(), "b.RunId = 1", {}, &rows, &error)) << error.toStdString();
        ASSERT_EQ(rows.size(), c.kept) << c.name;
        int at = 0;
        for (const JournalAddedRow &row : std::as_const(rows)) {
            const int n = expected.at(at++);
            const QString wanted = QString("%1|%2|A%2|%3|%4").arg(at).arg(n).arg(n % 7).arg(n % 3 ? QString("note %1").arg(n / 5) : "NULL");
            const QString got = QString("%1|%2|%3|%4|%5").arg(row.seq - (qint64(1) << 32)).arg(row.rowId)
                                        .arg(row.values.value(0).toString(), row.values.value(1).toString(),
                                             row.values.value(2).isNull() ? "NULL" : row.values.value(2).toString());
            ASSERT_EQ(got, wanted) << c.name;
        }
        EXPECT_EQ(at, c.kept) << c.name;
    }
}

// A journal of the layout before blocks, opened by this version, is brought
// up to date and the rows its runs added are read back with their values
// (each packed against the row before of its batch and column list).
TEST(JournalUpgradeTest, RowsOfTheLayoutBeforeBlocksAreReadBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("old.journal");
    {
        const SqliteFile old(path);
        for (const char *sql : {
                     "CREATE TABLE Batch (RunId INTEGER, Number INTEGER, State TEXT, FirstLine INTEGER, LastLine INTEGER,"
                     " NextLine INTEGER, Added INTEGER, Updated INTEGER, Failed INTEGER, Skipped INTEGER,"
                     " RejectBytes INTEGER, RejectLines INTEGER, Rejected TEXT)",
                     "CREATE TABLE AddedRow (RunId INTEGER, BatchNumber INTEGER, Seq INTEGER, TableName TEXT, RowId INTEGER,"
                     " KeyColumn TEXT, KeyValue TEXT, Shape INTEGER, WrittenValues TEXT)",
                     "CREATE TABLE AddedShape (Id INTEGER PRIMARY KEY, TableName TEXT, Columns TEXT)",
                     "INSERT INTO Batch (RunId, Number, State, FirstLine, LastLine) VALUES (1, 1, 'committed', 1, 2)",
                     "INSERT INTO AddedShape VALUES (1, 'Item', 'ItemLookupCode,Price')",
                     "INSERT INTO AddedRow VALUES (1, 1, 4294967297, 'Item', 7, 'ItemLookupCode', 'A1', 1,"
                     " '0=A1' || char(31) || '1=2.5')",
                     "INSERT INTO AddedRow VALUES (1, 1, 4294967298, 'Item', 8, 'ItemLookupCode', 'A2', 1, '0=A2')",
                     "PRAGMA user_version = 3"})
            ASSERT_TRUE(old.exec(sql)) << sql;
    }
    QString error;
    ASSERT_TRUE(Journal::open(path, &error)) << error.toStdString();
    EXPECT_EQ(fileRows(path, "PRAGMA user_version"), QStringList("4"));
    const SqliteFile journal(path);
    QList<JournalAddedRow> rows;
    ASSERT_TRUE(readAddedRows(journal.database(), "b.RunId = 1", {}, &rows, &error)) << error.toStdString();
    QStringList read;
    for (const JournalAddedRow &row : std::as_const(rows))
        read << QString("%1|%2|%3").arg(row.rowId).arg(row.values.value(0).toString(), row.values.value(1).toString());
    EXPECT_EQ(read, QStringList({"7|A1|2.5", "8|A2|2.5"}));
}

} // namespace

VXR_ON_EVERY_BACKEND(JournalTest);

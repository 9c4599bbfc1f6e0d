// The journal of vxrimp runs, as a real process writes it: every row a run
// added (with the look-ups' reference rows and the companions) and the
// previous values of what it updated; a run killed between the journal's
// two marks; a journal that cannot be written; a long batch written ahead in
// parts.

#include "TestStores.h"
#include "TestSupport.h"
#include "ToolRun.h"
#include "import/ImportRun.h"
#include "import/Journal.h"
#include "import/AddedBlock.h"
#include "import/RunJournal.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cmath>

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

    // 6,000 short lines of one department, for runs that fill up a disk.
    static QByteArray lampLines()
    {
        QByteArray lines;
        for (int n = 0; n < 6000; ++n)
            lines += QStringLiteral("L%1,Lamp %1,Lighting,,,,,1\n").arg(n).toLatin1();
        return lines;
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
    if (backend() != StoreBackend::PostgreSQL)
        return;

    // The journal fills up mid-run, while its parts are written beside the
    // store's work: the run stops, and what it stored is all in the journal.
    // The limit holds for the journal's file and its log each: 6,000 short
    // lines need more than the two together.
    QFile::remove(journalPath());
    const ToolResult midway = vxrimp(importArguments(writeFile("long.csv", lampLines()), {"--batch", "500"}), 128);
    EXPECT_EQ(midway.exitCode, 2);
    EXPECT_TRUE(midway.err.contains("journal")) << midway.err.toStdString();
    const int stored = count("Item");
    EXPECT_GT(stored, 0);
    EXPECT_LT(stored, 6000);
    // Parts of the batch that was not stored are settled when the journal is next opened.
    EXPECT_EQ(vxrimp({"runs", "--connect", connectionString()}).exitCode, 0);
    const QList<JournalAddedRow> kept = addedRows("b.State <> 'discarded'");
    EXPECT_EQ(std::count_if(kept.cbegin(), kept.cend(), [](const JournalAddedRow &row) { return row.table == "Item"; }),
              stored);
}

// A SQLite store whose disk fills up mid-run: the batch's pages, written
// ahead while the journal prepares it, do not fit. That batch is not
// committed, the run stops with every line stored or in the reject file,
// the store is whole and the journal takes back all that was stored.
TEST_P(JournalTest, StoreThatFillsUpMidRunIsLeftWholeAndUndoable)
{
    if (backend() != StoreBackend::SQLite)
        GTEST_SKIP() << "a server's files are out of the file size limit's reach";
    const QByteArray lines = lampLines();
    const ToolResult full = vxrimp(importArguments(writeFile("long.csv", lines), {"--batch", "500"}), 512);
    EXPECT_EQ(full.exitCode, 2);
    const qint64 stored = count("Item");
    EXPECT_TRUE(full.err.contains(QStringLiteral("%1 line(s) were stored").arg(stored))) << full.err.toStdString();
    EXPECT_GT(stored, 0);
    EXPECT_EQ(stored % 500, 0);
    EXPECT_EQ(scalar("PRAGMA integrity_check").toString(), "ok");
    const QByteArray rejected = readTestFile(m_dir.filePath("long.rejected.csv"));
    EXPECT_EQ(rejected, lines.mid(lines.indexOf(QStringLiteral("\nL%1,").arg(stored).toLatin1()) + 1));

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

// Undo reads a number written to a row back as its shortest exact text,
// as QVariant writes it: the packed text must be that, or a row the run
// left alone would look changed.
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

// A block's rows come back as the store would read them: numbers as their
// shortest exact text, a null text as NULL (not empty) after a row that had
// a value there, texts with control characters, keys of every kind.
TEST(AddedBlockTest, RowsComeBackAsTheStoreWouldReadThem)
{
    const double numbers[] = {0.1,   2.25,  -3.5,       0.01,       -0.07,  12345678.9, 999999999.99, 1e9 + 0.5,
                              100.0, 1e5,   0.0001,     1e-7,       -0.0,   123456.78,  0.3 * 3,      1.005,
                              5e-324, 1e300, 4503599627370497.0, 70.1 + 0.2, 477.0, -12.0, 1e15,
                              9.65,   0.29,  90071992547409.92, -1e14, 155.0};
    const QString parted = QString("a%1b%2c%3d%4e").arg(QChar(0x1d), QChar(0x1e), QChar(0x1f), QChar(0x1b));
    const QString accented = QString::fromUtf8("Cr\u00e8me br\u00fbl\u00e9e \u20ac 4 \U0001F370");
    // Keys of real numbers stay real numbers, whole or not.
    const QVariant keys[] = {QVariant(qlonglong(42)), QVariant(2.5),  QVariant(parted), QVariant(QString()),
                             QVariant(true),          QVariant(3.0),  QVariant(-0.0),   QVariant(accented),
                             QVariant(19.99)};
    const QVariant keysBack[] = {QVariant(qlonglong(42)), QVariant(2.5),  QVariant(parted), QVariant(),
                                 QVariant(qlonglong(1)),  QVariant(3.0),  QVariant(-0.0),   QVariant(accented),
                                 QVariant(19.99)};
    constexpr qint64 keyCount = qint64(std::size(keys));
    const QStringList columns{"Number", "Text"};
    AddedBlockWriter writer(100);
    const auto add = [&](qint64 seq, const QVariantList &values) {
        writer.add(seq, {"Item", seq + 1, "ID", keys[(seq + 1) % keyCount], columns, values, {}});
    };
    qint64 seq = 100;
    for (const double number : numbers)
        add(seq++, {number, QString("x")});
    add(seq += 2, {1, QString()}); // the Seq of other entries between
    add(++seq, {1, parted});
    add(++seq, {1, accented});
    const QList<JournalAddedRow> rows = readAddedBlock({"Item", "ID", columns, 1, 100}, writer.rows()).value();
    ASSERT_EQ(rows.size(), std::size(numbers) + 3);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const JournalAddedRow &row = rows.at(i);
        EXPECT_EQ(row.rowId, row.seq + 1);
        const QVariant &keyBack = keysBack[(row.seq + 1) % keyCount];
        EXPECT_EQ(row.keyValue, keyBack) << i;
        EXPECT_EQ(row.keyValue.typeId(), keyBack.typeId()) << i;
        if (keyBack.typeId() == QMetaType::Double) { // -0.0 equals 0.0
            EXPECT_EQ(std::signbit(row.keyValue.toDouble()), std::signbit(keyBack.toDouble())) << i;
        }
        if (i < qsizetype(std::size(numbers))) {
            EXPECT_EQ(row.values.value(0).toString(), QVariant(numbers[i]).toString()) << numbers[i];
        }
    }
    EXPECT_EQ(rows.at(rows.size() - 3).seq, 100 + qint64(std::size(numbers)) + 2);
    EXPECT_EQ(rows.constLast().seq, 100 + qint64(std::size(numbers)) + 4);
    EXPECT_TRUE(rows.at(rows.size() - 3).values.value(1).isNull());
    EXPECT_EQ(rows.at(rows.size() - 2).values.value(1).toString(), parted);
    EXPECT_EQ(rows.constLast().values.value(1).toString(), accented);
    // A rollback cuts the block after the row it keeps.
    EXPECT_EQ(readAddedBlock({"Item", "ID", columns, 1, 100}, addedBlockUpTo(writer.rows(), 100, 104))->size(), 5);
    // A block whose bytes stop inside a row is not read as the rows before.
    EXPECT_FALSE(readAddedBlock({"Item", "ID", columns, 1, 100}, writer.rows().chopped(3)));
}

// Rows of a batch hold their own values and share one list of the rest; a
// row written alone holds all of them. Read back, each is whole.
TEST(AddedBlockTest, SharedValuesComeBackInEveryRow)
{
    const QStringList columns{"Code", "Price", "Notes", "Taxable"};
    const QVariantList shared{QString("none"), 1};
    const QVariantList otherShared{QString("none"), 0};
    const struct { QVariantList own, shared; QStringList back; } rows[] = {
            {{QString("A1"), 2.5}, shared, {"A1", "2.5", "none", "1"}},
            {{QString("A2"), 2.5}, shared, {"A2", "2.5", "none", "1"}},
            // Another list with the same values but one.
            {{QString("A3"), 3.0}, otherShared, {"A3", "3", "none", "0"}},
            // Written alone, after rows that shared.
            {{QString("A4"), 3.0, QString("none"), 1}, {}, {"A4", "3", "none", "1"}},
            {{QString("A5"), 3.0}, shared, {"A5", "3", "none", "1"}},
    };
    AddedBlockWriter writer(1);
    qint64 seq = 1;
    for (const auto &row : rows) {
        writer.add(seq, {"Item", seq, "ID", qlonglong(seq), columns, row.own, row.shared});
        ++seq;
    }
    const QList<JournalAddedRow> read = readAddedBlock({"Item", "ID", columns, 1, 1}, writer.rows()).value();
    ASSERT_EQ(read.size(), qsizetype(std::size(rows)));
    for (qsizetype i = 0; i < read.size(); ++i) {
        QStringList back;
        for (const QVariant &value : read.at(i).values)
            back << value.toString();
        EXPECT_EQ(back, rows[i].back) << i;
    }
}

} // namespace

VXR_ON_EVERY_BACKEND(JournalTest);

// The journal of vxrimp runs, as a real process writes it: every row a run
// added (with the look-ups' reference rows and the companions) and the
// previous values of what it updated; a run killed between the journal's
// two marks; a journal that cannot be written; a long batch written ahead in
// parts.

#include "TestStores.h"
#include "TestSupport.h"
#include "import/ImportRun.h"
#include "import/JournalValues.h"
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

const QString ItemMap = "1=Item Lookup Code,2=Description,3=Department,4=Category,5=Supplier,6=Sales Tax,"
                        "7=Supplier Cost,8=Price";

struct Finished
{
    int exitCode = -1;
    QString err;
};

class JournalTest : public BackendTest
{
protected:
    QString journalPath() const { return m_dir.filePath("runs.journal"); }

    QString writeFile(const QString &name, const QByteArray &text) const
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return file.fileName();
    }

    // vxrimp importing items into the test's store, journaled in the test's
    // folder; a shell sets a file size limit (KiB) first when one is given.
    void start(QProcess &process, const QStringList &arguments, const QString &pause = {}, int limitKiB = 0) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        if (!pause.isEmpty())
            environment.insert("VXR_JOURNAL_TEST_PAUSE", pause);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_dir.path());
        const QStringList all = arguments + QStringList{"--journal", journalPath()};
        const QString program = VXR_BINARY_DIR "/bin/vxrimp";
        if (limitKiB == 0)
            process.start(program, all);
        else
            process.start("bash", QStringList{"-c", QString("ulimit -f %1; trap '' XFSZ; exec \"$0\" \"$@\"")
                                                            .arg(limitKiB), program} + all);
    }

    QStringList importArguments(const QString &file, const QStringList &more = {}) const
    {
        return QStringList{"import", "--file", file, "--table", "Inventory", "--map", ItemMap, "--connect",
                           connectionString(), "--log", m_dir.filePath("import.log")}
                + more;
    }

    Finished vxrimp(const QStringList &arguments, int limitKiB = 0) const
    {
        QProcess process;
        start(process, arguments, {}, limitKiB);
        EXPECT_TRUE(process.waitForFinished(120000));
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardError())};
    }

    // The journal's rows for a query, read on a connection of the test's.
    QStringList journalRows(const QString &sql) const { return fileRows(journalPath(), sql); }

    QStringList storeRows(const QString &sql) const
    {
        QSqlQuery query(connection.database());
        EXPECT_TRUE(query.exec(sql)) << query.lastError().text().toStdString();
        return rowTexts(query);
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
    const struct
    {
        const char *table;
        const char *key;
    } tables[] = {{"Item", "ItemLookupCode"}, {"Department", "Name"},    {"Category", "Name"},
                  {"Supplier", "SupplierName"}, {"Tax", "Description"}, {"ItemTax", "Description"},
                  {"SupplierList", "ItemID"}};
    for (const auto &table : tables) {
        const QStringList stored =
                storeRows(QString("SELECT '%1', ID, %2 FROM %1 ORDER BY ID").arg(table.table, table.key));
        EXPECT_FALSE(stored.isEmpty()) << table.table;
        EXPECT_EQ(journalRows(QString("SELECT TableName, RowId, KeyValue FROM AddedRow WHERE RunId = 1 AND "
                                      "TableName = '%1' AND KeyColumn = '%2' ORDER BY RowId")
                                      .arg(table.table, table.key)),
                  stored);
    }
    EXPECT_EQ(journalRows("SELECT Number, State, FirstLine, LastLine FROM Batch ORDER BY Number"),
              QStringList({"1|committed|1|2", "2|committed|3|4", "3|committed|5|5"}));
    // The values written are kept with each added row: of all of them, only
    // the price edited since stops an undo.
    storeRows("UPDATE Item SET Price = 9 WHERE ItemLookupCode = 'A4'");
    const QStringList undo{"undo", "--connect", connectionString(), "--run", "1", "--dry-run"};
    ASSERT_EQ(vxrimp(undo).exitCode, 1);
    QFile conflicts(m_dir.filePath("runs.run1-conflicts.csv"));
    ASSERT_TRUE(conflicts.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(conflicts.readAll()).section("\r\n", 1).remove(QRegularExpression("ID \\d+")),
              "Item,\"ItemLookupCode A4, \",Price,1,9\r\n");

    const QString updated = writeFile("update.csv", "A1,Apple,Fruit,Fresh,Acme,5,1.00,3.25\n"
                                                    "A3,Fig rolls,Dried,Sweet,Best,7,2.00,4.00\n");
    ASSERT_EQ(vxrimp(importArguments(updated, {"--duplicates", "update"})).exitCode, 0);
    QStringList changes;
    for (const QString &row : journalRows("SELECT KeyValue, ColumnName, PreviousValue, WrittenValue FROM UpdatedRow"
                                          " WHERE RunId = 2 AND ColumnName IN ('Description', 'Price') ORDER BY Seq")) {
        QStringList parts = row.split('|');
        if (parts.at(1) == "Price")
            parts[2] = QString::number(parts.at(2).toDouble()), parts[3] = QString::number(parts.at(3).toDouble());
        changes.append(parts.join('|'));
    }
    EXPECT_EQ(changes, QStringList({"A1|Description|Apple|Apple", "A1|Price|2.5|3.25", "A3|Description|Fig|Fig rolls",
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
    const struct
    {
        const char *pause;
        const char *state;
        int itemsStored;
    } cases[] = {{"prepared:2", "discarded", 2}, {"stored:2", "committed", 4}};
    for (const auto &killed : cases) {
        const QString prefix = QString(killed.pause).left(1);
        QByteArray text;
        for (int n = 1; n <= 6; ++n)
            text += QString("%1%2,Item %2,Dept %1%2,,,,,1\n").arg(prefix).arg(n).toUtf8();
        QProcess process;
        start(process, importArguments(writeFile(prefix + ".csv", text), {"--batch", "2"}), killed.pause);
        ASSERT_TRUE(process.waitForStarted());
        process.setReadChannel(QProcess::StandardError);
        QByteArray err;
        while (!err.contains("journal paused") && process.waitForReadyRead(60000))
            err += process.readAllStandardError();
        ASSERT_TRUE(err.contains("journal paused")) << err.toStdString();
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
    QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "journal-holder");
    holder.setDatabaseName(journalPath());
    ASSERT_TRUE(holder.open());
    QSqlQuery lock(holder);
    ASSERT_TRUE(lock.exec("BEGIN EXCLUSIVE")) << lock.lastError().text().toStdString();
    const Finished locked = vxrimp(importArguments(file));
    lock.exec("ROLLBACK");
    lock = QSqlQuery();
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase("journal-holder");
    EXPECT_EQ(locked.exitCode, 2);
    EXPECT_TRUE(locked.err.contains("journal")) << locked.err.toStdString();

    // Room for the journal's first page, not for its tables (a store on a
    // server is out of the limit's reach; a SQLite store is not).
    QFile::remove(journalPath());
    if (backend() == StoreBackend::PostgreSQL) {
        const Finished full = vxrimp(importArguments(file), 4);
        EXPECT_EQ(full.exitCode, 2);
        EXPECT_TRUE(full.err.contains("journal")) << full.err.toStdString();
    }
    EXPECT_EQ(count("Item") + count("Department"), 0);
}

// A batch too long to hold (a run in one transaction) is written ahead in
// parts; what a rollback takes back is taken out of the journal too, also
// from parts already written, and the rows after are read back right.
TEST(JournalWriteAheadTest, BatchWrittenInPartsHoldsWhatSurvivedItsRollbacks)
{
    const struct
    {
        const char *name;
        QList<std::pair<int, int>> rollbacks; // after adding row n, back to the savepoint of row m
        int rows;
        int kept;
    } cases[] = {
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
            journal->entries().rowAdded({"Item", n, "ItemLookupCode", values.at(0), columns, values}, quint64(n) + 1);
            expected.append(n);
            for (const auto &[after, back] : c.rollbacks) {
                if (n == after) {
                    journal->entries().rolledBack(quint64(back) + 2);
                    expected.resize(back);
                }
            }
        }
        ASSERT_EQ(expected.size(), c.kept);
        ASSERT_TRUE(journal->prepare(1, 1, &error)) << error.toStdString();
        journal->stored();
        journal->end({}, {});
        journal.reset();

        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "write-ahead");
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec("SELECT Number, State, FirstLine FROM Batch"));
        EXPECT_EQ(rowTexts(query), QStringList("1|committed|1")) << c.name;
        ASSERT_TRUE(query.exec("SELECT Seq - (1 << 32), RowId, WrittenValues FROM AddedRow ORDER BY Seq"));
        ValueUnpacker unpacker;
        int at = 0;
        while (query.next() && at < expected.size()) {
            const int n = expected.at(at++);
            const QVariantList values = unpacker.unpack(query.value(2).toString());
            const QString wanted = QString("%1|%2|A%2|%3|%4").arg(at).arg(n).arg(n % 7).arg(n % 3 ? QString("note %1").arg(n / 5) : "NULL");
            const QString got = QString("%1|%2|%3|%4|%5").arg(query.value(0).toString(), query.value(1).toString(),
                                       values.value(0).toString(), values.value(1).toString(),
                                       values.value(2).isNull() ? "NULL" : values.value(2).toString());
            ASSERT_EQ(got, wanted) << c.name;
        }
        EXPECT_FALSE(query.next()) << c.name;
        EXPECT_EQ(at, c.kept) << c.name;
        query = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("write-ahead");
    }
}

} // namespace

VXR_ON_EVERY_BACKEND(JournalTest);

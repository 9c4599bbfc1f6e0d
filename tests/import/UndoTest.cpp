// Taking a run back: the checks against a store that has moved on, and the
// store row by row before the run and after its undo, on every kind of store.

#include "CliFixture.h"
#include "TestStores.h"

#include "import/Journal.h"
#include "import/AddedBlock.h"
#include "import/Undo.h"
#include "import/UndoPointers.h"
#include "import/UndoReport.h"

#include "database/ColumnTypes.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <functional>

namespace vxr::test {
namespace {

const QString Store = "sqlite:/the/store";

// A journal made by the program, filled by the test as a run would fill it.
class TestJournal
{
public:
    explicit TestJournal(const QString &path) : m_file(created(path)) {}

    QSqlDatabase database() const { return m_file.database(); }

    void exec(const QString &sql, const QVariantList &values) const
    {
        QSqlQuery query(database());
        ASSERT_TRUE(runBound(query, sql, values)) << sql.toStdString() << query.lastError().text().toStdString();
    }
    QVariant scalar(const QString &sql) const
    {
        QSqlQuery query(database());
        EXPECT_TRUE(query.exec(sql) && query.next()) << sql.toStdString();
        return query.value(0);
    }

    // A new run of the store with one batch in that state; its id.
    qint64 startRun(const QString &store = Store, const QString &batchState = "committed")
    {
        exec("INSERT INTO Run (Started, StoreIdentity, FilePath, FileSize, FileHash, TableName, Setup, Outcome) "
             "VALUES ('2026-12-07T10:00:00Z', ?, '/items.txt', 1, 'h', 'Item', '', 'finished')", {store});
        m_run = scalar("SELECT MAX(Id) FROM Run").toLongLong();
        exec("INSERT INTO Batch (RunId, Number, State, FirstLine, LastLine) VALUES (?, 1, ?, 1, 9)", {m_run, batchState});
        return m_run;
    }
    // A row the run added, with the columns it wrote when given; without
    // them, as the journal's first version kept it (no values).
    void added(const QString &table, qint64 id, const QString &keyColumn, const QVariant &key,
               const QStringList &columns = {}, const QVariantList &values = {})
    {
        ++m_seq;
        if (columns.isEmpty()) {
            exec("INSERT INTO AddedRow VALUES (?, 1, ?, ?, ?, ?, ?, NULL, NULL)", {m_run, m_seq, table, id, keyColumn, key});
            return;
        }
        exec("INSERT INTO AddedShape (TableName, Columns) VALUES (?, ?)", {table, columns.join(',')});
        AddedBlockWriter block(m_seq);
        block.add(m_seq, {table, id, keyColumn, key, columns, values, {}});
        exec("INSERT INTO AddedBlock VALUES (?, 1, ?, ?, ?, ?, ?, ?)",
             {m_run, m_seq, m_seq, table, keyColumn, scalar("SELECT MAX(Id) FROM AddedShape"), block.rows()});
    }
    void updated(const QString &table, qint64 id, const QString &key, const QString &column, const QVariant &previous,
                 const QVariant &written)
    {
        exec("INSERT INTO UpdatedRow VALUES (?, 1, ?, ?, ?, 'ItemLookupCode', ?, ?, ?, ?)",
             {m_run, ++m_seq, table, id, key, column, previous, written});
    }

private:
    static QString created(const QString &path)
    {
        QString error;
        EXPECT_TRUE(Journal::open(path, &error)) << error.toStdString();
        return path;
    }

    SqliteFile m_file;
    qint64 m_run = 0;
    qint64 m_seq = 0;
};

class UndoTest : public BackendTest
{
protected:
    // Adds a row to the store; its ID.
    qint64 add(const QString &table, const QString &columns, const QVariantList &values)
    {
        QStringList marks;
        for (qsizetype i = 0; i < values.size(); ++i)
            marks << "?";
        exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, columns, marks.join(", ")), values);
        return scalar(QStringLiteral("SELECT MAX(ID) FROM %1").arg(table)).toLongLong();
    }

    // The store before: item A1 in department Old. The run adds department
    // New, a category in it, a supplier, a tax with its group, item B1
    // pointing at all of them with its supplier list row (their written
    // values kept, B1's price written twice), and moves A1 to New at
    // another price.
    void storeAndRun()
    {
        if (current.isEmpty())
            current = connectionString();
        oldDepartment = add("Department", "Name", {"Old"});
        a1 = add("Item", "ItemLookupCode, DepartmentID, Price", {"A1", oldDepartment, 1.5});
        before = everyRow(current);
        journal.startRun();
        const qint64 dept = add("Department", "Name", {"New"});
        journal.added("Department", dept, "Name", "New");
        const qint64 cat = add("Category", "Name, DepartmentID", {"Cat", dept});
        journal.added("Category", cat, "Name", "Cat");
        const qint64 sup = add("Supplier", "SupplierName", {"Sup"});
        journal.added("Supplier", sup, "SupplierName", "Sup");
        tax = add("Tax", "Description", {"Tax 5"});
        journal.added("Tax", tax, "Description", "Tax 5");
        const qint64 group = add("ItemTax", "Description, TaxID01", {"5", tax});
        journal.added("ItemTax", group, "Description", "5");
        const QVariantList item{"B1", dept, cat, sup, tax, 2.25};
        b1 = add("Item", "ItemLookupCode, DepartmentID, CategoryID, SupplierID, TaxId, Price", item);
        journal.added("Item", b1, "ItemLookupCode", "B1",
                      {"ItemLookupCode", "DepartmentID", "CategoryID", "SupplierID", "TaxID", "Price"}, item);
        const QVariantList listed{b1, sup, "R-1"};
        journal.added("SupplierList", add("SupplierList", "ItemID, SupplierID, ReorderNumber", listed), "ItemID", b1,
                      {"ItemID", "SupplierID", "ReorderNumber"}, listed);
        exec("UPDATE Item SET Price = 2.5 WHERE ID = ?", {b1});
        journal.updated("Item", b1, "B1", "Price", 2.25, 2.5);
        exec("UPDATE Item SET Price = 7.125, DepartmentID = ? WHERE ID = ?", {dept, a1});
        journal.updated("Item", a1, "A1", "Price", 1.5, 7.125);
        journal.updated("Item", a1, "A1", "DepartmentID", oldDepartment, dept);
        newDepartment = dept;
    }

    UndoOutcome undo(qint64 run, bool dryRun = false, const QString &store = Store)
    {
        return undoRun(connection, journal.database(), store, run, dryRun);
    }

    QStringList conflictRows(const UndoOutcome &outcome)
    {
        QStringList rows;
        for (const UndoConflict &c : outcome.conflicts)
            rows << QStringList{c.table, c.key, c.column, c.written, c.now}.join('|');
        return rows;
    }

    QTemporaryDir dir;
    TestJournal journal{dir.filePath("store.journal")};
    QString current; // the store's connection string
    QStringList before;
    qint64 oldDepartment = 0, newDepartment = 0, a1 = 0, b1 = 0, tax = 0;
};

// Undone, dry run first: nothing changes until the undo, which gives back
// the store as it was row by row, and marks the run; a second undo is refused.
TEST_P(UndoTest, TakesTheRunBackExactly)
{
    storeAndRun();
    const QStringList afterRun = everyRow(current);
    const UndoOutcome dry = undo(0, true);
    EXPECT_EQ(dry.result, UndoOutcome::Result::DryRun) << dry.message.toStdString();
    const QMap<QString, int> deleted{{"Category", 1}, {"Department", 1}, {"Item", 1}, {"ItemTax", 1},
                                     {"Supplier", 1}, {"SupplierList", 1}, {"Tax", 1}};
    EXPECT_EQ(dry.deleted, deleted);
    EXPECT_EQ(dry.restored, (QMap<QString, int>{{"Item", 1}}));
    EXPECT_EQ(everyRow(current), afterRun);

    const UndoOutcome done = undo(1);
    ASSERT_EQ(done.result, UndoOutcome::Result::Undone) << undoOutcomeText(done).toStdString();
    EXPECT_EQ(everyRow(current), before);
    EXPECT_FALSE(journal.scalar("SELECT Undone FROM Run WHERE Id = 1").isNull());

    const struct { qint64 run; QString store; QString refusal; } refusals[] = {
        {1, Store, "Run 1 is undone already"},
        {0, Store, "no run of this store that is not undone"},
        {9, Store, "The journal has no run 9."},
        {1, "sqlite:/another", "Run 1 was made on another store (sqlite:/the/store)."},
    };
    for (const auto &refusal : refusals) {
        const UndoOutcome outcome = undo(refusal.run, false, refusal.store);
        EXPECT_EQ(outcome.result, UndoOutcome::Result::Refused);
        EXPECT_TRUE(outcome.message.contains(refusal.refusal)) << outcome.message.toStdString();
    }
}

// The store moved on after the run: nothing changes, and every conflict is
// listed once with the value the run wrote and the one there now.
TEST_P(UndoTest, RefusesWhenTheStoreMovedOn)
{
    using Change = std::function<void()>;
    const struct { const char *name; Change change; QStringList conflicts; } cases[] = {
        {"nothing (the item the run moved into its department moves back)", [] {}, {}},
        {"a price the run wrote changed",
         [this] { exec("UPDATE Item SET Price = 9 WHERE ItemLookupCode = 'A1'"); },
         {"Item|ItemLookupCode A1, ID %a1|Price|7.125|9"}},
        {"the imported item renamed",
         [this] { exec("UPDATE Item SET ItemLookupCode = 'B2' WHERE ItemLookupCode = 'B1'"); },
         {"Item|ItemLookupCode B1, ID %b1|ItemLookupCode|B1|B2"}},
        {"a later item in the new department, a later category of it",
         [this] {
             const qint64 c1 = add("Item", "ItemLookupCode, DepartmentID", {"C1", newDepartment});
             add("Category", "Name, DepartmentID", {"Later", newDepartment});
             exec("UPDATE Item SET ParentItem = ? WHERE ID = ?", {b1, c1});
         },
         {"Department|Name New, ID %dept|ID|%dept|Item C1 (ID %c1) points at it by DepartmentID",
          "Item|ItemLookupCode B1, ID %b1|ID|%b1|Item C1 (ID %c1) points at it by ParentItem",
          "Department|Name New, ID %dept|ID|%dept|Category Later (ID %cat) points at it by DepartmentID"}},
        {"a later run wrote the item's price",
         [this] {
             journal.startRun();
             journal.updated("Item", b1, "B1", "Price", 2.25, 2.25);
         },
         {"Item|ItemLookupCode B1, ID %b1|Price||written by the later run 2"}},
        {"the imported item's price and its supplier list row's reorder number edited since",
         [this] {
             exec("UPDATE Item SET Price = 9 WHERE ItemLookupCode = 'B1'");
             exec("UPDATE SupplierList SET ReorderNumber = 'r-1' WHERE ItemID = ?", {b1});
         },
         {"Item|ItemLookupCode B1, ID %b1|Price|2.5|9", "SupplierList|ItemID %b1, ID %list|ReorderNumber|R-1|r-1"}},
        {"the imported item deleted",
         [this] { exec("DELETE FROM Item WHERE ItemLookupCode = 'B1'"); },
         {"Item|ItemLookupCode B1, ID %b1|ID|%b1|(no such row)"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString store = freshStore();
        DbError error;
        ASSERT_TRUE(connection.open(store, &error));
        current = store;
        for (const char *table : {"Run", "AddedRow", "AddedBlock", "AddedShape", "UpdatedRow", "Batch", "sqlite_sequence"})
            journal.exec(QString("DELETE FROM ") + table, {});
        storeAndRun();
        c.change();
        const QStringList changed = everyRow(store);
        const UndoOutcome outcome = undo(1);
        QStringList expected;
        for (QString row : c.conflicts)
            expected << row.replace("%a1", QString::number(a1))
                                .replace("%b1", QString::number(b1))
                                .replace("%tax", QString::number(tax))
                                .replace("%dept", QString::number(newDepartment))
                                .replace("%c1", scalar("SELECT MAX(ID) FROM Item").toString())
                                .replace("%cat", scalar("SELECT MAX(ID) FROM Category").toString())
                                .replace("%list", scalar("SELECT MAX(ID) FROM SupplierList").toString());
        EXPECT_EQ(conflictRows(outcome), expected) << undoOutcomeText(outcome).toStdString();
        if (expected.isEmpty()) {
            EXPECT_EQ(outcome.result, UndoOutcome::Result::Undone);
            EXPECT_EQ(everyRow(store), before);
        } else {
            EXPECT_EQ(outcome.result, UndoOutcome::Result::Conflicts);
            EXPECT_EQ(everyRow(store), changed);
            EXPECT_TRUE(journal.scalar("SELECT Undone FROM Run WHERE Id = 1").isNull());
        }
    }
}

VXR_ON_EVERY_STORE_KIND(UndoTest);

// Every column of the store whose name says it holds an ID is either one of
// the pointers the undo checks or known to point outside the tables the
// program writes.
TEST(UndoPointersTest, CoverEveryIdColumnOfTheSchema)
{
    TempSqliteStore store;
    ASSERT_TRUE(store.isValid());
    const SqliteFile db(store.path());
    QStringList named;
    for (const QString &table : importTableNames()) {
        for (const ColumnType &column : readColumnTypes(db.database(), Dialect::SQLite, table)) {
            const QString name = table + "." + column.name;
            if (column.name.contains(QRegularExpression("I[dD](\\d\\d)?$|(Parent|TagAlong)Item$")) && column.name != "ID"
                && column.name != "HQID" && !idColumnsPointingElsewhere().contains(name))
                named << name;
        }
    }
    QStringList pointing;
    for (const StorePointer &pointer : storePointers()) {
        const QString name = pointer.table + "." + pointer.column;
        if (!pointing.contains(name))
            pointing << name;
    }
    named.sort();
    pointing.sort();
    EXPECT_EQ(named, pointing);
}

} // namespace
} // namespace vxr::test

namespace vxr::test {
namespace {

class UndoCliTest : public CliFixture
{
};

// Two real imports taken back newest first, row by row to the empty store.
// (A refusal through vxrimp: JournalTest; the conflicts: UndoTest.)
TEST_F(UndoCliTest, ImportsTakenBackNewestFirst)
{
    const QString store = newStore();
    const QStringList journal{"--journal", path("store.journal")};
    const QStringList before = everyRow(store);
    for (const char *setup : {"inventory.imp", "customers.imp"}) {
        const ToolResult imported = vxrimp(importArguments(store, setup) + journal);
        ASSERT_LE(imported.exitCode, 1) << imported.err.toStdString();
    }
    const QStringList undoLast = QStringList{"undo", "--connect", store, "--last"} + journal;
    EXPECT_EQ(vxrimp(undoLast).exitCode, 0); // the customers
    const ToolResult dry = vxrimp(undoLast + QStringList{"--dry-run"});
    EXPECT_EQ(dry.exitCode, 0);
    const QString items = storeQuery("SELECT COUNT(*) FROM Item").toString();
    EXPECT_TRUE(dry.out.contains("  Item: " + items + " added rows deleted\n")) << dry.out.toStdString();
    const ToolResult undone = vxrimp(undoLast);
    EXPECT_EQ(undone.exitCode, 0) << undone.err.toStdString();
    EXPECT_EQ(everyRow(store), before);
    EXPECT_EQ(vxrimp(undoLast).exitCode, 2);
}

// The rows one insert adds take the IDs after the table's highest; where
// something else takes some of them, the rows are added one by one. Either
// way each supplier list row links to its own item, and the undo finds
// every row the run added by its ID.
TEST_F(UndoCliTest, RowsAddedTogetherGetTheirOwnIds)
{
    QFile schemaFile(sourcePath("schema/sqlite.sql"));
    ASSERT_TRUE(schemaFile.open(QIODevice::ReadOnly));
    const QString supplierList = QRegularExpression("CREATE TABLE SupplierList \\([^;]*\\)")
                                         .match(QString::fromUtf8(schemaFile.readAll()))
                                         .captured(0);
    ASSERT_FALSE(supplierList.isEmpty());
    const QString gone = "INSERT INTO Item (ItemLookupCode) VALUES ('gone-1'), ('gone-2'), ('gone-3')";
    const struct
    {
        const char *name;
        QStringList before;
        bool undoneToBefore;
    } cases[] = {
            {"a new store", {}, true},
            {"items deleted after the highest", {gone, "DELETE FROM Item"}, true},
            {"IDs without AUTOINCREMENT",
             {"DROP TABLE SupplierList", QString(supplierList).remove("AUTOINCREMENT"),
              "INSERT INTO SupplierList (ItemID) VALUES (1000), (1001)", "DELETE FROM SupplierList WHERE ID = 2"},
             true},
            {"a trigger adding an item for each",
             {"CREATE TRIGGER Copy AFTER INSERT ON Item WHEN NEW.ItemLookupCode NOT LIKE 'copy-%' BEGIN"
              " INSERT INTO Item (ItemLookupCode) VALUES ('copy-' || NEW.ItemLookupCode); END"},
             false},
    };
    const QString links = "SELECT i.ItemLookupCode, s.ReorderNumber FROM SupplierList s JOIN Item i ON i.ID = s.ItemID"
                          " ORDER BY 1";
    QStringList expected;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString("store-%1.db").arg(&c - cases);
        const QString store = newStore(name);
        {
            SqliteFile file(path(name));
            for (const QString &sql : c.before)
                ASSERT_TRUE(file.exec(sql)) << sql.toStdString();
        }
        const QStringList before = everyRow(store);
        const QStringList journal{"--journal", path(name + ".journal")};
        const ToolResult imported = vxrimp(importArguments(store, "inventory.imp") + journal);
        ASSERT_LE(imported.exitCode, 1) << imported.err.toStdString();
        const QStringList linked = storeRows(links, name);
        if (expected.isEmpty())
            expected = linked;
        EXPECT_EQ(linked, expected);
        EXPECT_GT(linked.size(), 20);
        const ToolResult undone = vxrimp(QStringList{"undo", "--connect", store, "--last"} + journal);
        EXPECT_EQ(undone.exitCode, 0) << undone.out.toStdString();
        if (c.undoneToBefore) {
            EXPECT_EQ(everyRow(store), before);
        }
        EXPECT_EQ(storeRows("SELECT COUNT(*) FROM Item WHERE ItemLookupCode NOT LIKE 'copy-%'", name),
                  QStringList{"0"});
    }
}

} // namespace
} // namespace vxr::test

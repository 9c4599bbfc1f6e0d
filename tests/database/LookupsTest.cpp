#include "TestStores.h"

#include "catalogue/VariantKinds.h"
#include "database/CancelToken.h"
#include "database/RecordWriter.h"
#include "database/ReferenceLookups.h"
#include "database/SqlDialect.h"
#include "database/Transaction.h"
#include "text/RecordReader.h"

#include <QElapsedTimer>
#include <QThread>

#include <future>
#include <thread>

using namespace vxr;
using namespace vxr::test;

namespace {

class LookupsTest : public RunStoreTest
{
protected:
    void SetUp() override
    {
        RunStoreTest::SetUp();
        if (tables)
            lookups = std::make_unique<ReferenceLookups>(fields, *tables, regional);
    }

    qint64 idOf(const QString &table, const QString &column, const QString &value) const
    {
        return scalar(QStringLiteral("SELECT ID FROM %1 WHERE %2 = ?").arg(table, column), {value}).toLongLong();
    }
    QVariant column(const QString &table, const QString &name, const QVariant &id) const
    {
        return scalar(QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?").arg(name, table), {id});
    }

    std::unique_ptr<ReferenceLookups> lookups;
};

// Each reference is added once with its name and code cut to their columns,
// and found again by that name.
TEST_P(LookupsTest, AReferenceIsAddedOnceWithItsNameAndCodeCutToFit)
{
    using LookUp = QVariant (*)(ReferenceLookups &, const QString &);
    const LookUp department = [](ReferenceLookups &l, const QString &name) { return l.departmentId(name); };
    const LookUp supplierId = [](ReferenceLookups &l, const QString &name) { return l.supplierId(name); };
    const LookUp taxId = [](ReferenceLookups &l, const QString &name) { return l.taxId(name); };
    const QString supplier = QStringLiteral("Northern Hardware Distribution Company Ltd");
    const QString tax = QStringLiteral("State and county tax 7.5X"); // 25 characters
    const struct { LookUp lookUp; const char *table, *nameColumn; QString name, stored, code; } rows[] = {
        {department, "Department", "Name", QStringLiteral("Garden Furniture Outdoor"),
         QStringLiteral("Garden Furniture Outdoor"), QStringLiteral("Garden Fur")},
        // A code ends between whole characters: an emoji at its limit stays out.
        {department, "Department", "Name", QString::fromUtf8("Gardening\xF0\x9F\x8C\xB1 Tools"),
         QString::fromUtf8("Gardening\xF0\x9F\x8C\xB1 Tools"), QStringLiteral("Gardening")},
        {supplierId, "Supplier", "SupplierName", supplier, supplier.left(30), supplier.left(10)},
        {taxId, "Tax", "Description", tax, QStringLiteral("Tax ") + tax, tax.left(10)},
    };
    for (const auto &row : rows) {
        const QVariant id = row.lookUp(*lookups, row.name);
        EXPECT_EQ(id.toLongLong(), idOf(row.table, row.nameColumn, row.stored)) << row.table;
        EXPECT_EQ(column(row.table, "Code", id).toString(), row.code);
        EXPECT_EQ(row.lookUp(*lookups, row.name), id) << row.table;
    }
    EXPECT_EQ(count("Department") + count("Supplier") + count("Tax"), 4);
    // Each tax has its tax group, described by the tax's text cut to 20.
    EXPECT_EQ(scalar("SELECT Description FROM ItemTax WHERE TaxID01 = ?", {idOf("Tax", "Description", "Tax " + tax)})
                  .toString(),
              tax.left(20));
    const QVariant rate = lookups->taxId(QStringLiteral("8.25"));
    EXPECT_DOUBLE_EQ(column("Tax", "Percentage", rate).toDouble(), 8.25);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM ItemTax WHERE TaxID01 = ?", {rate}).toInt(), 1);
    EXPECT_EQ(count("ItemTax"), 2);
}

// Another case is another name: where the database compares without case,
// the repeated query yields the older row first, and a unique name refuses
// the new one; either way a name is added once in a run.
TEST_P(LookupsTest, ANameInAnotherCaseIsWhatTheDatabaseSays)
{
    const QVariant garden = lookups->departmentId(QStringLiteral("Garden Furniture Outdoor"));
    const QVariant upper = lookups->departmentId(QStringLiteral("GARDEN FURNITURE OUTDOOR"));
    EXPECT_EQ(count("Department"), 2);
    EXPECT_EQ(upper == garden, caseInsensitive());
    EXPECT_EQ(lookups->departmentId(QStringLiteral("GARDEN FURNITURE OUTDOOR")), upper);
    EXPECT_EQ(count("Department"), 2);

    const QVariant acme = lookups->supplierId(QStringLiteral("Acme Tools X"));
    EXPECT_EQ(lookups->supplierId(QStringLiteral("ACME TOOLS X")) == acme, caseInsensitive());
    EXPECT_EQ(count("Supplier"), caseInsensitive() ? 1 : 2);
}

TEST_P(LookupsTest, CategoryBelongsToTheLinesDepartment)
{
    fields.byId(FieldIds::ItemDepartment).value = int32Value(7);
    const QVariant seven = lookups->categoryId(QStringLiteral("Apples"));
    EXPECT_EQ(column("Category", "DepartmentID", seven).toInt(), 7);
    EXPECT_EQ(lookups->categoryId(QStringLiteral("Apples")), seven);

    fields.byId(FieldIds::ItemDepartment).value = int32Value(8);
    EXPECT_NE(lookups->categoryId(QStringLiteral("Apples")), seven);

    // No department resolved (empty) counts as department 0.
    fields.byId(FieldIds::ItemDepartment).value = emptyValue();
    EXPECT_EQ(column("Category", "DepartmentID", lookups->categoryId(QStringLiteral("Apples"))).toInt(), 0);
    EXPECT_EQ(count("Category"), 3);

    // Whatever the database's comparison selects is reused.
    fields.byId(FieldIds::ItemDepartment).value = int32Value(7);
    EXPECT_EQ(lookups->categoryId(QStringLiteral("APPLES")) == seven, caseInsensitive());
}

TEST_P(LookupsTest, ABlankNameIsNoReference)
{
    for (const QString &blank : {QString(), QStringLiteral("   ")}) {
        EXPECT_EQ(lookups->departmentId(blank), int32Value(0));
        EXPECT_EQ(lookups->categoryId(blank), int32Value(0));
        EXPECT_EQ(lookups->supplierId(blank), int32Value(0));
        EXPECT_EQ(lookups->taxId(blank), int32Value(0));
    }
    EXPECT_EQ(count("Department") + count("Category") + count("Supplier") + count("Tax") + count("ItemTax"), 0);
}

TEST_P(LookupsTest, ARowTheDatabaseRefusesFailsTheLookUpAndLeavesNothing)
{
    // Too long for the name columns: the add fails with the database's
    // number, and a tax is not kept without its tax group.
    const QString tooLong(40, QLatin1Char('9'));
    for (const auto &lookUp : {&ReferenceLookups::departmentId, &ReferenceLookups::categoryId,
                               &ReferenceLookups::taxId}) {
        try {
            ((*lookups).*lookUp)(tooLong);
            ADD_FAILURE() << "no failure";
        } catch (const DbError &error) {
            EXPECT_EQ(error.number, ErrorNumbers::ValueOutOfRange) << error.description.toStdString();
            EXPECT_FALSE(error.endsRun());
        }
    }
    EXPECT_EQ(count("Department") + count("Category") + count("Tax") + count("ItemTax"), 0);

    // The tax group alone refused: the tax goes with it.
    refuseRowsUnless("ItemTax", "NEW.HQID < 0");
    EXPECT_THROW(lookups->taxId(QStringLiteral("7.25")), DbError);
    EXPECT_EQ(count("Tax") + count("ItemTax"), 0);
}

// Another run's transaction holds the lock for adding references (on SQLite
// the store's write lock) while it adds a department. The run's look-up
// waits: once the other run commits, it finds that department instead of
// adding it again; a cancel request cuts the wait short.
TEST_P(LookupsTest, ANameAnotherRunIsAddingIsWaitedForAndFound)
{
    const struct { const char *name; bool commit; int holdMs; } cases[] = {{"Held", true, 700}, {"Kept", false, 2500}};
    for (const auto &c : cases) {
        std::promise<void> locked;
        std::thread otherRun([&] {
            DbConnection other;
            DbError error;
            EXPECT_TRUE(other.open(connectionString(), &error)) << error.description.toStdString();
            QSqlQuery query(other.database());
            const QString lock = sqlDialect(other.dialect()).referenceLockSql();
            EXPECT_TRUE(query.exec(lock.isEmpty() ? "BEGIN IMMEDIATE" : "BEGIN"));
            EXPECT_TRUE(lock.isEmpty() || query.exec(lock));
            EXPECT_TRUE(runBound(query, "INSERT INTO Department (Name, Code) VALUES (?, ?)", {c.name, c.name}));
            locked.set_value();
            QThread::msleep(c.holdMs);
            EXPECT_TRUE(query.exec(c.commit ? "COMMIT" : "ROLLBACK"));
        });
        locked.get_future().wait();
        CancelToken cancel;
        connection.setCancelToken(&cancel);
        std::thread canceller([&] {
            QThread::msleep(300);
            if (!c.commit)
                cancel.request();
        });
        QElapsedTimer clock;
        clock.start();
        try {
            tables->transaction().begin(); // as a run's batch has it open
            const QVariant id = lookups->departmentId(c.name);
            EXPECT_EQ(id.toLongLong(), idOf("Department", "Name", c.name));
            EXPECT_TRUE(c.commit);
            EXPECT_GE(clock.elapsed(), 500);
        } catch (const DbError &error) {
            EXPECT_FALSE(c.commit) << error.description.toStdString();
            EXPECT_TRUE(error.endsRun());
            EXPECT_LT(clock.elapsed(), 1500);
        }
        tables->transaction().rollback();
        connection.setCancelToken(nullptr);
        canceller.join();
        otherRun.join();
        EXPECT_EQ(count("Department"), 1);
    }
}

// A batch's names are looked up with a statement per kind and the new ones
// added ahead of its lines, up to the first a line may not reach (its key
// fails it, or a name before it is left to its line) or the store may take
// for a stored one (SQLite compares without case); a refused add leaves its
// kind to the lines. The lines then store what they would have added alone.
TEST_P(LookupsTest, ABatchAddsItsNewNamesAheadUpToTheFirstInDoubt)
{
    using namespace FieldIds;
    mapPositions({ItemLookupCode, ItemDepartment, ItemSupplier, ItemCategory, ItemSalesTax});
    exec("INSERT INTO Department (Name, Code) VALUES ('Tools', 'Tools')");
    exec("INSERT INTO Supplier (SupplierName, Code) VALUES ('Acme', 'Acme')");
    refuseRowsUnless("Supplier", "NEW.SupplierName <> 'Refused'");
    const QString northern = "Northern Hardware Distribution Co ";
    const QString kinds[] = {"Department", "Supplier", "Category", "Tax"};
    const bool exact = !caseInsensitive();
    // acme and saws (in the department tools) are new only to a store that
    // heeds case; SQLite's unique supplier names refuse acme.
    const qint64 suppliers = exact ? 5 : 4;
    const qint64 categories = exact ? 5 : 4;
    const struct Batch { QList<QStringList> lines; std::array<qint64, 4> ahead, stored; int failing; } batches[] = {
        {{{"K1", "Tools", "Acme", "Saws", "5"},
          {"K2", "Paint", "Zenith", "Saws", "7.5"},   // Saws again, in another department
          {"K3", "Paint", northern + "A", "Rollers", "5"},
          {"K4", "Garden", northern + "B", "Hoses", "8"}, // the supplier of K3, cut to 30
          {QString(30, 'K'), "Lawn", "Keyless", "Mowers", "9"}, // fails on its key after Lawn and Keyless
          {"K6", "tools", "acme", "saws", "5"},       // stored names in another case: for the line to ask
          {"K7", "Tools", "Acme", "Saws", "5"}},
         {4, 4, 4, 3}, {5, suppliers, categories, 3}, 1},
        {{{"K8", "Tools", "Refused", "Saws", "5"}, {"K9", "Tools", "Oak", "Saws", "5"}},
         {5, suppliers, categories, 3}, {5, suppliers + 1, categories, 3}, 1},
    };
    for (const Batch &batch : batches) {
        QList<ReadLine> lines(batch.lines.size());
        QList<const ReadLine *> pointers;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            for (qsizetype position = 0; position < batch.lines[i].size(); ++position)
                lines[i].appendText(int(position) + 1, batch.lines[i][position]);
            pointers.append(&lines[i]);
        }
        tables->transaction().begin();
        writer->resolveReferencesAhead(ItemTable, pointers);
        for (int t = 0; t < 4; ++t)
            EXPECT_EQ(count(kinds[t]), batch.ahead[t]) << kinds[t].toStdString() << " ahead";
        int failing = 0;
        for (const ReadLine &line : lines) {
            reader.restoreLine(line);
            StagedLine rows;
            failing += writer->stageRecord(ItemTable, rows).failed() ? 1 : 0;
        }
        EXPECT_EQ(failing, batch.failing);
        for (int t = 0; t < 4; ++t)
            EXPECT_EQ(count(kinds[t]), batch.stored[t]) << kinds[t].toStdString();
        tables->transaction().commit();
    }
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Category WHERE Name = 'Saws'").toInt(), 2);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM ItemTax").toInt(), 3);
}

TEST_P(LookupsTest, ItemSelectedWithAnotherCaseGivesZero)
{
    exec("INSERT INTO Item (ItemLookupCode) VALUES ('A100')");
    EXPECT_EQ(lookups->itemId(QStringLiteral("A100")).toLongLong(), scalar("SELECT ID FROM Item").toLongLong());
    if (caseInsensitive()) {
        const QVariant lower = lookups->itemId(QStringLiteral("a100"));
        EXPECT_EQ(lower.typeId(), QMetaType::Short);
        EXPECT_EQ(lower.toInt(), 0);
    } else {
        EXPECT_THROW(lookups->itemId(QStringLiteral("a100")), DbError);
    }
}

VXR_ON_EVERY_BACKEND(LookupsTest);

} // namespace

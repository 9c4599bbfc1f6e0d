#include "TestStores.h"

#include "catalogue/VariantKinds.h"
#include "database/CancelToken.h"
#include "database/ReferenceLookups.h"
#include "database/SqlDialect.h"
#include "database/Transaction.h"

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

TEST_P(LookupsTest, DepartmentIsAddedOnceAndComparedExactly)
{
    const QVariant garden = lookups->GetDepartmentID(QStringLiteral("Garden Furniture Outdoor"));
    EXPECT_EQ(garden.toLongLong(), idOf("Department", "Name", "Garden Furniture Outdoor"));
    EXPECT_EQ(column("Department", "Code", garden).toString(), QStringLiteral("Garden Fur"));
    EXPECT_EQ(lookups->GetDepartmentID(QStringLiteral("Garden Furniture Outdoor")), garden);
    EXPECT_EQ(count("Department"), 1);

    // Another case is another department; where the database compares
    // without case, the repeated query yields the older row first.
    const QVariant upper = lookups->GetDepartmentID(QStringLiteral("GARDEN FURNITURE OUTDOOR"));
    EXPECT_EQ(count("Department"), 2);
    EXPECT_EQ(upper == garden, caseInsensitive());
    // A code ends between whole characters: an emoji at its limit stays out.
    const QVariant emoji = lookups->GetDepartmentID(QString::fromUtf8("Gardening\xF0\x9F\x8C\xB1 Tools"));
    EXPECT_EQ(column("Department", "Code", emoji).toString(), QStringLiteral("Gardening"));
    EXPECT_EQ(count("Department"), 3);
    exec("DELETE FROM Department WHERE ID = ?", {emoji});
    // ... and is added once in a run, however often a line names it.
    EXPECT_EQ(lookups->GetDepartmentID(QStringLiteral("GARDEN FURNITURE OUTDOOR")), upper);
    EXPECT_EQ(count("Department"), 2);
}

TEST_P(LookupsTest, CategoryBelongsToTheLinesDepartment)
{
    fields.byId(FieldIds::ItemDepartment).Value = int32Value(7);
    const QVariant seven = lookups->GetCategoryID(QStringLiteral("Apples"));
    EXPECT_EQ(column("Category", "DepartmentID", seven).toInt(), 7);
    EXPECT_EQ(lookups->GetCategoryID(QStringLiteral("Apples")), seven);

    fields.byId(FieldIds::ItemDepartment).Value = int32Value(8);
    EXPECT_NE(lookups->GetCategoryID(QStringLiteral("Apples")), seven);

    // No department resolved (empty) counts as department 0.
    fields.byId(FieldIds::ItemDepartment).Value = emptyValue();
    EXPECT_EQ(column("Category", "DepartmentID", lookups->GetCategoryID(QStringLiteral("Apples"))).toInt(), 0);
    EXPECT_EQ(count("Category"), 3);

    // Whatever the database's comparison selects is reused.
    fields.byId(FieldIds::ItemDepartment).Value = int32Value(7);
    EXPECT_EQ(lookups->GetCategoryID(QStringLiteral("APPLES")) == seven, caseInsensitive());
}

TEST_P(LookupsTest, SupplierIsAddedWithNameAndCode)
{
    const QVariant id = lookups->GetSupplierID(QStringLiteral("Acme Tools X"));
    EXPECT_EQ(id.toLongLong(), idOf("Supplier", "SupplierName", "Acme Tools X"));
    EXPECT_EQ(column("Supplier", "Code", id).toString(), QStringLiteral("Acme Tools"));
    EXPECT_EQ(lookups->GetSupplierID(QStringLiteral("Acme Tools X")), id);

    // A long name is kept to 30 characters and still finds its supplier.
    const QString name = QStringLiteral("Northern Hardware Distribution Company Ltd");
    const QVariant longId = lookups->GetSupplierID(name);
    EXPECT_EQ(column("Supplier", "SupplierName", longId).toString(), name.left(30));
    EXPECT_EQ(lookups->GetSupplierID(name), longId);
    EXPECT_EQ(count("Supplier"), 2);

    // Another case: the unique name refuses it where the database compares
    // without case, and the older supplier is found again.
    const QVariant upper = lookups->GetSupplierID(QStringLiteral("ACME TOOLS X"));
    EXPECT_EQ(upper == id, caseInsensitive());
    EXPECT_EQ(count("Supplier"), caseInsensitive() ? 2 : 3);
}

TEST_P(LookupsTest, TaxIsAddedWithItsTaxGroup)
{
    const QVariant id = lookups->GetTaxID(QStringLiteral("8.25"));
    EXPECT_EQ(id.toLongLong(), idOf("Tax", "Description", "Tax 8.25"));
    EXPECT_DOUBLE_EQ(column("Tax", "Percentage", id).toDouble(), 8.25);

    ASSERT_EQ(count("ItemTax"), 1);
    EXPECT_EQ(scalar("SELECT TaxID01 FROM ItemTax").toLongLong(), id.toLongLong());

    EXPECT_EQ(lookups->GetTaxID(QStringLiteral("8.25")), id);
    EXPECT_EQ(count("Tax"), 1);
    EXPECT_EQ(count("ItemTax"), 1);

    const QString text = QStringLiteral("State and county tax 7.5X"); // 25 characters
    const QVariant longId = lookups->GetTaxID(text);
    EXPECT_EQ(column("Tax", "Description", longId).toString(), QStringLiteral("Tax ") + text);
    EXPECT_EQ(column("Tax", "Code", longId).toString(), text.left(10));
    EXPECT_EQ(scalar("SELECT Description FROM ItemTax WHERE TaxID01 = ?", {longId}).toString(), text.left(20));

    EXPECT_EQ(count("ItemTax"), 2);
}

TEST_P(LookupsTest, ABlankNameIsNoReference)
{
    for (const QString &blank : {QString(), QStringLiteral("   ")}) {
        EXPECT_EQ(lookups->GetDepartmentID(blank), int32Value(0));
        EXPECT_EQ(lookups->GetCategoryID(blank), int32Value(0));
        EXPECT_EQ(lookups->GetSupplierID(blank), int32Value(0));
        EXPECT_EQ(lookups->GetTaxID(blank), int32Value(0));
    }
    EXPECT_EQ(count("Department") + count("Category") + count("Supplier") + count("Tax") + count("ItemTax"), 0);
}

TEST_P(LookupsTest, ARowTheDatabaseRefusesFailsTheLookUpAndLeavesNothing)
{
    // Too long for the name columns: the add fails with the database's
    // number, and a tax is not kept without its tax group.
    const QString tooLong(40, QLatin1Char('9'));
    for (const auto &lookUp : {&ReferenceLookups::GetDepartmentID, &ReferenceLookups::GetCategoryID,
                               &ReferenceLookups::GetTaxID}) {
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
    exec(caseInsensitive() ? "CREATE TRIGGER refuse BEFORE INSERT ON ItemTax BEGIN SELECT RAISE(ABORT, 'refused'); END"
                           : "ALTER TABLE ItemTax ADD CONSTRAINT refuse CHECK (HQID < 0)");
    EXPECT_THROW(lookups->GetTaxID(QStringLiteral("7.25")), DbError);
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
            const QVariant id = lookups->GetDepartmentID(c.name);
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

TEST_P(LookupsTest, ItemSelectedWithAnotherCaseGivesZero)
{
    exec("INSERT INTO Item (ItemLookupCode) VALUES ('A100')");
    EXPECT_EQ(lookups->GetItemID(QStringLiteral("A100")).toLongLong(), scalar("SELECT ID FROM Item").toLongLong());
    if (caseInsensitive()) {
        const QVariant lower = lookups->GetItemID(QStringLiteral("a100"));
        EXPECT_EQ(lower.typeId(), QMetaType::Short);
        EXPECT_EQ(lower.toInt(), 0);
    } else {
        EXPECT_THROW(lookups->GetItemID(QStringLiteral("a100")), DbError);
    }
}

VXR_ON_EVERY_BACKEND(LookupsTest);

} // namespace

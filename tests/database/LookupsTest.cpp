#include "StoreFixture.h"

#include "catalogue/VariantKinds.h"
#include "database/ReferenceLookups.h"

using namespace vxr;
using namespace vxr::test;

namespace {

class LookupsTest : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        if (tables)
            lookups = std::make_unique<ReferenceLookups>(fields, *tables, regional);
    }
    void TearDown() override
    {
        lookups.reset();
        StoreTest::TearDown();
    }

    qint64 idOf(const QString &table, const QString &column, const QString &value) const
    {
        return scalar(QStringLiteral("SELECT ID FROM %1 WHERE %2 = ? ORDER BY ID").arg(table, column),
                      {value}).toLongLong();
    }

    std::unique_ptr<ReferenceLookups> lookups;
};

TEST_P(LookupsTest, DepartmentIsAddedOnceAndFoundAfterwards)
{
    const QVariant first = lookups->GetDepartmentID(QStringLiteral("Garden Furniture Outdoor"));
    ASSERT_TRUE(first.isValid());
    EXPECT_EQ(first.toLongLong(), idOf("Department", "Name", "Garden Furniture Outdoor"));
    EXPECT_EQ(scalar("SELECT Code FROM Department").toString(), QStringLiteral("Garden Fur"));
    EXPECT_EQ(scalar("SELECT HQID FROM Department").toInt(), 0);

    EXPECT_EQ(lookups->GetDepartmentID(QStringLiteral("Garden Furniture Outdoor")), first);
    EXPECT_EQ(count("Department"), 1);

    // An empty name is a name like any other.
    const QVariant empty = lookups->GetDepartmentID(QString());
    EXPECT_NE(empty, first);
    EXPECT_EQ(lookups->GetDepartmentID(QString()), empty);
    EXPECT_EQ(count("Department"), 2);
}

TEST_P(LookupsTest, DepartmentDifferingInCaseIsNotReused)
{
    const QVariant produce = lookups->GetDepartmentID(QStringLiteral("Produce"));
    const QVariant upper = lookups->GetDepartmentID(QStringLiteral("PRODUCE"));
    EXPECT_EQ(count("Department"), 2);
    if (caseInsensitive())
        EXPECT_EQ(upper, produce); // the repeated query yields the older row first
    else
        EXPECT_EQ(upper.toLongLong(), idOf("Department", "Name", "PRODUCE"));
}

TEST_P(LookupsTest, DepartmentThatCannotBeStoredGivesEmpty)
{
    // Longer than the Name column holds: the database refuses the row.
    const QVariant id = lookups->GetDepartmentID(QString(40, QLatin1Char('D')));
    EXPECT_TRUE(isEmptyValue(id));
    EXPECT_EQ(count("Department"), 0);
}

TEST_P(LookupsTest, CategoryBelongsToTheLinesDepartment)
{
    fields.byId(FieldIds::ItemDepartment).Value = int32Value(7);
    const QVariant seven = lookups->GetCategoryID(QStringLiteral("Apples"));
    EXPECT_EQ(scalar("SELECT DepartmentID FROM Category WHERE ID = ?", {seven}).toInt(), 7);
    EXPECT_EQ(scalar("SELECT Code FROM Category WHERE ID = ?", {seven}).toString(), QStringLiteral("Apples"));
    EXPECT_EQ(lookups->GetCategoryID(QStringLiteral("Apples")), seven);

    fields.byId(FieldIds::ItemDepartment).Value = int32Value(8);
    const QVariant eight = lookups->GetCategoryID(QStringLiteral("Apples"));
    EXPECT_NE(eight, seven);

    // No department resolved (empty) counts as department 0.
    fields.byId(FieldIds::ItemDepartment).Value = emptyValue();
    const QVariant none = lookups->GetCategoryID(QStringLiteral("Apples"));
    EXPECT_EQ(scalar("SELECT DepartmentID FROM Category WHERE ID = ?", {none}).toInt(), 0);
    EXPECT_EQ(count("Category"), 3);

    // The database's own comparison decides whether a category matches.
    fields.byId(FieldIds::ItemDepartment).Value = int32Value(7);
    const QVariant upper = lookups->GetCategoryID(QStringLiteral("APPLES"));
    if (caseInsensitive()) {
        EXPECT_EQ(upper, seven);
        EXPECT_EQ(count("Category"), 3);
    } else {
        EXPECT_NE(upper, seven);
        EXPECT_EQ(count("Category"), 4);
    }
}

TEST_P(LookupsTest, CategoryFailuresReachTheCaller)
{
    try {
        lookups->GetCategoryID(QString(40, QLatin1Char('C')));
        FAIL() << "a category the database refuses must fail";
    } catch (const DbError &error) {
        EXPECT_NE(error.number, 0);
    }
}

TEST_P(LookupsTest, SupplierIsAddedWithNameAndCode)
{
    const QVariant id = lookups->GetSupplierID(QStringLiteral("Acme Tools X"));
    EXPECT_EQ(id.toLongLong(), idOf("Supplier", "SupplierName", "Acme Tools X"));
    EXPECT_EQ(scalar("SELECT Code FROM Supplier").toString(), QStringLiteral("Acme Tools"));
    EXPECT_EQ(scalar("SELECT ContactName FROM Supplier").toString(), QString());
    EXPECT_EQ(lookups->GetSupplierID(QStringLiteral("Acme Tools X")), id);
    EXPECT_EQ(count("Supplier"), 1);
}

TEST_P(LookupsTest, LongSupplierNameResolvesToTheOneSupplierItCreated)
{
    const QString name = QStringLiteral("Northern Hardware Distribution Company Ltd");
    const QVariant id = lookups->GetSupplierID(name);
    ASSERT_TRUE(id.isValid());
    EXPECT_EQ(scalar("SELECT SupplierName FROM Supplier").toString(), name.left(30));
    EXPECT_EQ(lookups->GetSupplierID(name), id);
    EXPECT_EQ(count("Supplier"), 1);
}

TEST_P(LookupsTest, SupplierDifferingInCase)
{
    const QVariant acme = lookups->GetSupplierID(QStringLiteral("acme"));
    const QVariant upper = lookups->GetSupplierID(QStringLiteral("ACME"));
    if (caseInsensitive()) {
        // The unique name refuses the new row; the older one is found again.
        EXPECT_EQ(upper, acme);
        EXPECT_EQ(count("Supplier"), 1);
    } else {
        EXPECT_EQ(upper.toLongLong(), idOf("Supplier", "SupplierName", "ACME"));
        EXPECT_EQ(count("Supplier"), 2);
    }
}

TEST_P(LookupsTest, TaxIsAddedWithItsTaxGroup)
{
    const QVariant id = lookups->GetTaxID(QStringLiteral("8.25"));
    ASSERT_TRUE(id.isValid());
    EXPECT_EQ(id.toLongLong(), idOf("Tax", "Description", "Tax 8.25"));
    EXPECT_EQ(scalar("SELECT Code FROM Tax").toString(), QStringLiteral("8.25"));
    EXPECT_DOUBLE_EQ(scalar("SELECT Percentage FROM Tax").toDouble(), 8.25);
    EXPECT_FALSE(scalar("SELECT UsePartialDollar FROM Tax").toBool());
    EXPECT_DOUBLE_EQ(scalar("SELECT Bracket10 FROM Tax").toDouble(), 0.0);

    EXPECT_EQ(count("ItemTax"), 1);
    EXPECT_EQ(scalar("SELECT Code FROM ItemTax").toString(), QStringLiteral("8.25"));
    EXPECT_EQ(scalar("SELECT Description FROM ItemTax").toString(), QStringLiteral("8.25"));
    EXPECT_EQ(scalar("SELECT TaxID01 FROM ItemTax").toLongLong(), id.toLongLong());
    EXPECT_EQ(scalar("SELECT TaxID10 FROM ItemTax").toLongLong(), 0);
    EXPECT_FALSE(scalar("SELECT ShowOnReceipt01 FROM ItemTax").toBool());

    // Seen before: nothing is added.
    EXPECT_EQ(lookups->GetTaxID(QStringLiteral("8.25")), id);
    EXPECT_EQ(count("Tax"), 1);
    EXPECT_EQ(count("ItemTax"), 1);
}

TEST_P(LookupsTest, TaxTextsOfEveryShape)
{
    const QVariant percent = lookups->GetTaxID(QStringLiteral("8.25%"));
    EXPECT_DOUBLE_EQ(scalar("SELECT Percentage FROM Tax WHERE ID = ?", {percent}).toDouble(), 0.0825);

    const QString longText = QStringLiteral("State and county tax 7.5");
    ASSERT_EQ(longText.size(), 24);
    const QVariant longId = lookups->GetTaxID(longText + QLatin1Char('X'));
    EXPECT_EQ(scalar("SELECT Description FROM Tax WHERE ID = ?", {longId}).toString(),
              QStringLiteral("Tax ") + longText + QLatin1Char('X'));
    EXPECT_EQ(scalar("SELECT Code FROM Tax WHERE ID = ?", {longId}).toString(), longText.left(10));
    EXPECT_EQ(scalar("SELECT Description FROM ItemTax WHERE TaxID01 = ?", {longId}).toString(),
              longText.left(20));

    const QVariant empty = lookups->GetTaxID(QString());
    EXPECT_EQ(scalar("SELECT Description FROM Tax WHERE ID = ?", {empty}).toString(), QStringLiteral("Tax "));
    EXPECT_DOUBLE_EQ(scalar("SELECT Percentage FROM Tax WHERE ID = ?", {empty}).toDouble(), 0.0);
    EXPECT_EQ(lookups->GetTaxID(QString()), empty);
    EXPECT_EQ(count("ItemTax"), 3);
}

TEST_P(LookupsTest, TaxThatCannotBeStoredAddsNoTaxGroup)
{
    const QVariant id = lookups->GetTaxID(QString(40, QLatin1Char('9')));
    EXPECT_TRUE(isEmptyValue(id));
    EXPECT_EQ(count("Tax"), 0);
    EXPECT_EQ(count("ItemTax"), 0);
}

TEST_P(LookupsTest, ItemAndItemClassByLookupCode)
{
    exec("INSERT INTO Item (ItemLookupCode, Description) VALUES ('A100', 'Widget')");
    exec("INSERT INTO ItemClass (ItemLookupCode, Description) VALUES ('M-1', 'Shirts')");
    const qint64 item = idOf("Item", "ItemLookupCode", "A100");

    EXPECT_EQ(lookups->GetItemID(QStringLiteral("A100")).toLongLong(), item);
    EXPECT_EQ(lookups->GetItemClassID(QStringLiteral("M-1")).toLongLong(),
              idOf("ItemClass", "ItemLookupCode", "M-1"));

    for (const QString &missing : {QStringLiteral("B200"), QString()}) {
        try {
            lookups->GetItemID(missing);
            FAIL() << "no item carries " << missing.toStdString();
        } catch (const DbError &error) {
            EXPECT_EQ(error.number, ErrorNumbers::NoCurrentRecord);
        }
    }
    EXPECT_THROW(lookups->GetItemClassID(QStringLiteral("A100")), DbError);

    // A row the database selects but whose code differs in case is 0.
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

#include "TestStores.h"

#include "catalogue/TableCatalogue.h"
#include "catalogue/VariantKinds.h"
#include "database/QueryHelpers.h"

#include <QDateTime>

using namespace vxr;
using namespace vxr::test;

namespace {

using RecordWriterTest = RunStoreTest;

// An inventory mapping: code, description, cost, department, category,
// supplier, tax.
constexpr std::initializer_list<int> ItemMapping = {116, 114, 112, 113, 106, 142, 147};

TEST_P(RecordWriterTest, ItemWithItsReferencesAndSupplierList)
{
    mapPositions(ItemMapping);
    setLine({"A100", "Blue Widget", "12.50", "Hardware", "Tools", "Acme Tools X", "8.25"});
    ASSERT_EQ(writer->saveRecord(ItemTable).errorNumber, 0);

    const qint64 item = scalar("SELECT ID FROM Item WHERE ItemLookupCode = 'A100'").toLongLong();
    const qint64 department = scalar("SELECT ID FROM Department WHERE Name = 'Hardware'").toLongLong();
    EXPECT_EQ(scalar("SELECT DepartmentID FROM Item").toLongLong(), department);
    EXPECT_EQ(scalar("SELECT DepartmentID FROM Category WHERE Name = 'Tools'").toLongLong(), department);
    EXPECT_EQ(scalar("SELECT CategoryID FROM Item").toLongLong(), scalar("SELECT ID FROM Category").toLongLong());
    EXPECT_EQ(scalar("SELECT TaxId FROM Item").toLongLong(), scalar("SELECT ID FROM Tax").toLongLong());
    EXPECT_DOUBLE_EQ(scalar("SELECT Cost FROM Item").toDouble(), 12.5);
    EXPECT_EQ(scalar("SELECT Description FROM Item").toString(), QStringLiteral("Blue Widget"));
    // Unmapped columns get their defaults.
    EXPECT_EQ(scalar("SELECT LastUpdated FROM Item").toDateTime(), QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9)));

    ASSERT_EQ(count("SupplierList"), 1);
    EXPECT_EQ(scalar("SELECT ItemID FROM SupplierList").toLongLong(), item);
    EXPECT_EQ(scalar("SELECT SupplierID FROM SupplierList").toLongLong(),
              scalar("SELECT ID FROM Supplier").toLongLong());
    EXPECT_DOUBLE_EQ(scalar("SELECT Cost FROM SupplierList").toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(scalar("SELECT MinimumOrder FROM SupplierList").toDouble(), 1.0);

    // The next line links its own supplier row to its own item.
    setLine({"A101", "Red Widget", "3", "Hardware", "Tools", "Acme Tools X", "8.25"});
    ASSERT_EQ(writer->saveRecord(ItemTable).errorNumber, 0);
    EXPECT_EQ(scalar("SELECT ItemID FROM SupplierList ORDER BY ID DESC").toLongLong(),
              scalar("SELECT ID FROM Item WHERE ItemLookupCode = 'A101'").toLongLong());
}

TEST_P(RecordWriterTest, DuplicateItemKeepsReferencesAndUpdatesOnRequest)
{
    mapPositions(ItemMapping);
    reader.setMapping(8, 403); // "Supplier Cost" belongs to the supplier list, not the item
    setLine({"A100", "Blue Widget", "12.50", "Hardware", "Tools", "Acme", "8.25", "11"});
    ASSERT_EQ(writer->saveRecord(ItemTable).errorNumber, 0);
    // Mapped after "Cost" in the same pass, it decides the supplier's cost.
    EXPECT_DOUBLE_EQ(scalar("SELECT Cost FROM SupplierList").toDouble(), 11.0);

    setLine({"A100", "Renamed", "12.50", "Garden", "Tools", "Acme", "8.25", "99"});
    EXPECT_EQ(writer->saveRecord(ItemTable).errorNumber, ErrorNumbers::DuplicateKey);
    EXPECT_EQ(count("Item"), 1);
    EXPECT_EQ(count("Department"), 2); // made for the rejected line, and kept

    // Without the duplicate option the run updates the existing item.
    reader.setMapping(3, 0); // cost unmapped: only "Supplier Cost" would touch Cost
    EXPECT_EQ(writer->updateRecord(ItemTable).errorNumber, 0);
    EXPECT_EQ(count("Item"), 1);
    EXPECT_EQ(scalar("SELECT Description FROM Item").toString(), QStringLiteral("Renamed"));
    EXPECT_EQ(scalar("SELECT DepartmentID FROM Item").toLongLong(),
              scalar("SELECT ID FROM Department WHERE Name = 'Garden'").toLongLong());
    EXPECT_DOUBLE_EQ(scalar("SELECT Cost FROM Item").toDouble(), 12.5);
    EXPECT_EQ(count("SupplierList"), 1);
    EXPECT_EQ(count("Department"), 2);
}

TEST_P(RecordWriterTest, UpdateUsesTheCurrentLinesKey)
{
    mapPositions({116, 114});
    setLine({"A100", "First"});
    ASSERT_EQ(writer->saveRecord(ItemTable).errorNumber, 0);
    setLine({"B200", "Second"});
    ASSERT_EQ(writer->saveRecord(ItemTable).errorNumber, 0);
    EXPECT_EQ(count("SupplierList"), 0); // no supplier named

    // A line whose save never got to its key must not update the previous
    // line's row.
    setLine({"A100", "Changed"});
    EXPECT_EQ(writer->updateRecord(ItemTable).errorNumber, 0);
    EXPECT_EQ(scalar("SELECT Description FROM Item WHERE ItemLookupCode = 'A100'").toString(),
              QStringLiteral("Changed"));
    EXPECT_EQ(scalar("SELECT Description FROM Item WHERE ItemLookupCode = 'B200'").toString(),
              QStringLiteral("Second"));

    setLine({"C300", "Nobody"});
    EXPECT_EQ(writer->updateRecord(ItemTable).errorNumber, ErrorNumbers::NoCurrentRecord);
}

TEST_P(RecordWriterTest, KeyDifferingInCaseIsLeftToTheDatabase)
{
    reader.setMapping(1, 116);
    setLine({"abc"});
    ASSERT_EQ(writer->saveRecord(ItemTable).errorNumber, 0);
    setLine({"ABC"});
    // Only a unique index that compares without case refuses it.
    const bool refused = caseInsensitive() && (traits() == StoreTraits::Schema || traits() == StoreTraits::CaseInsensitive);
    EXPECT_EQ(writer->saveRecord(ItemTable).errorNumber, refused ? ErrorNumbers::DuplicateKey : 0);
    EXPECT_EQ(count("Item"), refused ? 1 : 2);
}

TEST_P(RecordWriterTest, RefusedRowLeavesNothingForTheNextLine)
{
    // Texts are cut to their columns; a number too big for its column is not.
    mapPositions({116, 114, 118});
    setLine({"A100", "A description that is far too long for its column", "70000"});
    EXPECT_EQ(writer->saveRecord(ItemTable).errorNumber, ErrorNumbers::ValueOutOfRange);
    EXPECT_EQ(count("Item"), 0);

    setLine({"A100", "Short", "2"});
    EXPECT_EQ(writer->saveRecord(ItemTable).errorNumber, 0);
    EXPECT_EQ(count("Item"), 1);
    EXPECT_EQ(scalar("SELECT Description FROM Item").toString(), QStringLiteral("Short"));
    EXPECT_EQ(scalar("SELECT ItemType FROM Item").toInt(), 2);
}

TEST_P(RecordWriterTest, DateOutsideItsColumnFailsTheLineBeforeTheDatabase)
{
    // Last Received as SQL Server's datetime, Sale Start Date as its
    // smalldatetime: the sizes the schema query gives them there.
    mapPositions({116, 119, 141});
    fields.byId(119).maxLength = 8;
    fields.byId(141).maxLength = 4;
    const struct { const char *received; const char *saleStart; qint32 result; } rows[] = {
        {"1752-12-31", "", ErrorNumbers::ValueOutOfRange},
        {"1753-01-01", "1900-01-01", 0},
        {"", "1899-12-31", ErrorNumbers::ValueOutOfRange},
        {"", "2079-06-07", ErrorNumbers::ValueOutOfRange},
        {"9999-12-31", "2079-06-06 23:59", 0},
    };
    int stored = 0;
    for (const auto &row : rows) {
        const QString key = QStringLiteral("D%1").arg(stored + 100);
        setLine({key.toLatin1().constData(), row.received, row.saleStart});
        EXPECT_EQ(writer->saveRecord(ItemTable).errorNumber, row.result) << row.received << row.saleStart;
        stored += row.result == 0 ? 1 : 0;
        EXPECT_EQ(count("Item"), stored);
    }
}

TEST_P(RecordWriterTest, CustomerBalanceMakesReceivableRows)
{
    mapPositions({201, 231, 206});
    setLine({"C-1", "Ann", "0"});
    ASSERT_EQ(writer->saveRecord(CustomerTable).errorNumber, 0);
    EXPECT_EQ(count("Customer"), 1);
    EXPECT_EQ(count("AccountReceivable"), 0);

    setLine({"C-2", "Bob", "(25.00)"});
    ASSERT_EQ(writer->saveRecord(CustomerTable).errorNumber, 0);
    const QVariant customer = scalar("SELECT ID FROM Customer WHERE AccountNumber = 'C-2'");
    const QVariant receivable = scalar("SELECT ID FROM AccountReceivable WHERE CustomerID = ?", {customer});
    ASSERT_TRUE(receivable.isValid());
    EXPECT_DOUBLE_EQ(scalar("SELECT Balance FROM AccountReceivable WHERE ID = ?", {receivable}).toDouble(), -25.0);
    EXPECT_DOUBLE_EQ(scalar("SELECT OriginalAmount FROM AccountReceivable WHERE ID = ?", {receivable}).toDouble(),
                     -25.0);
    ASSERT_EQ(count("AccountReceivableHistory"), 1);
    EXPECT_EQ(scalar("SELECT AccountReceivableID FROM AccountReceivableHistory").toLongLong(),
              receivable.toLongLong());
    EXPECT_DOUBLE_EQ(scalar("SELECT Amount FROM AccountReceivableHistory").toDouble(), -25.0);
}

TEST_P(RecordWriterTest, UpdateOnlyForItemsAndCustomers)
{
    reader.setMapping(1, 311);
    setLine({"Acme"});
    ASSERT_EQ(writer->saveRecord(SupplierTable).errorNumber, 0);
    EXPECT_EQ(writer->saveRecord(SupplierTable).errorNumber, ErrorNumbers::DuplicateKey);
    EXPECT_EQ(writer->updateRecord(SupplierTable).errorNumber, ErrorNumbers::NoUpdateByKey);
}

TEST_P(RecordWriterTest, ComponentsHaveNoKeyCheckButNeedTheirItemClass)
{
    // The same component line gives two rows; a missing item class fails the
    // line even when its item exists.
    exec("INSERT INTO Item (ItemLookupCode) VALUES ('A100')");
    exec("INSERT INTO ItemClass (ItemLookupCode) VALUES ('M-1')");
    mapPositions({702, 701, 704});
    setLine({"A100", "M-1", "Red"});
    ASSERT_EQ(writer->saveRecord(ItemClassComponentTable).errorNumber, 0);
    ASSERT_EQ(writer->saveRecord(ItemClassComponentTable).errorNumber, 0);
    setLine({"A100", "M-2", "Red"});
    EXPECT_EQ(writer->saveRecord(ItemClassComponentTable).errorNumber, ErrorNumbers::NoCurrentRecord);
    EXPECT_EQ(count("ItemClassComponent"), 2);
    EXPECT_EQ(scalar("SELECT ItemID FROM ItemClassComponent").toLongLong(), scalar("SELECT ID FROM Item").toLongLong());
}

TEST_P(RecordWriterTest, LineWithTooManyFieldsIsNotWritten)
{
    reader.setMapping(1, 116);
    QStringList texts(101, QStringLiteral("x"));
    reader.parseRecord(texts.join(QLatin1Char(',')));
    ASSERT_TRUE(reader.lineHasTooManyFields());
    EXPECT_EQ(writer->saveRecord(ItemTable).errorNumber, ErrorNumbers::SubscriptOutOfRange);
    EXPECT_EQ(writer->updateRecord(ItemTable).errorNumber, ErrorNumbers::SubscriptOutOfRange);
    EXPECT_EQ(count("Item"), 0);
}

TEST_P(RecordWriterTest, RecordExistsComparesExactly)
{
    exec("INSERT INTO Item (ItemLookupCode) VALUES ('a100')");
    exec("INSERT INTO Item (ItemLookupCode) VALUES ('B200 ')");
    SqlStatements &sql = tables->statements();

    EXPECT_TRUE(recordExists(sql, "Item", "ItemLookupCode", QStringLiteral("a100")));
    // Selected by a database comparing without case, but not the same text.
    EXPECT_FALSE(recordExists(sql, "Item", "ItemLookupCode", QStringLiteral("A100")));
    EXPECT_FALSE(recordExists(sql, "Item", "ItemLookupCode", QStringLiteral("B200")));
    EXPECT_FALSE(recordExists(sql, "Item", "ItemLookupCode", QStringLiteral("Z999")));
    // A value with an apostrophe is only a value.
    EXPECT_FALSE(recordExists(sql, "Item", "ItemLookupCode", QStringLiteral("x' OR '1'='1")));
    // Empty text is a value too.
    EXPECT_FALSE(recordExists(sql, "Item", "ItemLookupCode", emptyValue()));
    exec("INSERT INTO Item (ItemLookupCode) VALUES ('')");
    EXPECT_TRUE(recordExists(sql, "Item", "ItemLookupCode", emptyValue()));

    EXPECT_THROW(recordExists(sql, "NoSuchTable", "ItemLookupCode", QStringLiteral("a100")), DbError);
}

TEST_P(RecordWriterTest, GetRecordIDOfAccountReceivableIsTheHighest)
{
    for (int i = 0; i < 3; ++i)
        exec("INSERT INTO AccountReceivable (CustomerID) VALUES (?)", {10 + i});
    SqlStatements &sql = tables->statements();
    const int highest = scalar("SELECT MAX(ID) FROM AccountReceivable").toInt();
    const int lowest = scalar("SELECT MIN(ID) FROM AccountReceivable").toInt();
    EXPECT_EQ(recordId(sql, "AccountReceivable", "", ""), highest);
    EXPECT_EQ(recordId(sql, "AccountReceivable", "CustomerID", "10"), highest);
    // Only that exact spelling is special; any other takes the WHERE form.
    EXPECT_EQ(recordId(sql, "accountreceivable", "CustomerID", "10"), lowest);
}

VXR_ON_EVERY_STORE_KIND(RecordWriterTest);

} // namespace

#include "TestStores.h"

#include "catalogue/TableCatalogue.h"
#include "database/ColumnKinds.h"
#include "database/ColumnValue.h"

#include <QSqlQuery>

using namespace vxr;
using namespace vxr::test;

namespace {

using TableRecordsetsTest = RunStoreTest;

TEST_P(TableRecordsetsTest, FieldTypesOfDestinationTablesOnly)
{
    EXPECT_EQ(fields.byId(116).maxLength, 25);                    // Item.ItemLookupCode, text of 25
    EXPECT_EQ(fields.byId(124).maxLength, LongTextMaxLength);     // Item.Notes, long text
    // The receivable tables are never read.
    EXPECT_EQ(fields.byId(906).dataType, -1);
    EXPECT_EQ(fields.byId(928).maxLength, -1);
}

TEST_P(TableRecordsetsTest, AddRowGivesTheNewRowsId)
{
    exec("INSERT INTO Department (Name) VALUES ('Older')");
    const qint64 id = tables->addRow(DepartmentTableName, {{"Name", QStringLiteral("Newer")}, {"Code", QStringLiteral("N")}});
    EXPECT_EQ(id, scalar("SELECT ID FROM Department WHERE Name = 'Newer'").toLongLong());

    // Committed at once: another connection sees the row.
    EXPECT_EQ(rowsOf(connectionString(), QStringLiteral("SELECT COUNT(*) FROM Department")), QStringList({"2"}));

    EXPECT_THROW(tables->addRow("Item", {{"NoSuchColumn", 1}}), DbError);
}

TEST_P(TableRecordsetsTest, ValuesBindIntoEveryColumnKind)
{
    // Booleans and the numbers 0 and 1 into boolean columns, the whole number
    // 1 into a date, an empty value into text and into a number column.
    const qint64 id = tables->addRow(TaxTableName, {{"Description", QVariant()},
                                                    {"UsePartialDollar", true},
                                                    {"IncludePreviousTax", 1},
                                                    {"Percentage", QVariant::fromValue<qint16>(5)}});
    EXPECT_TRUE(scalar("SELECT UsePartialDollar FROM Tax WHERE ID = ?", {id}).toBool());
    EXPECT_TRUE(scalar("SELECT IncludePreviousTax FROM Tax WHERE ID = ?", {id}).toBool());
    EXPECT_EQ(scalar("SELECT Description FROM Tax WHERE ID = ?", {id}).toString(), QString());
    EXPECT_DOUBLE_EQ(scalar("SELECT Percentage FROM Tax WHERE ID = ?", {id}).toDouble(), 5.0);

    const qint64 item = tables->addRow("Item", {{"ItemLookupCode", QStringLiteral("D")},
                                                {"LastSold", QVariant::fromValue<qint32>(1)},
                                                {"SaleEndDate", QVariant()},
                                                {"FoodStampable", 0}});
    EXPECT_EQ(scalar("SELECT LastSold FROM Item WHERE ID = ?", {item}).toDateTime(),
              QDateTime(QDate(1899, 12, 31), QTime(0, 0)));
    EXPECT_TRUE(scalar("SELECT SaleEndDate FROM Item WHERE ID = ?", {item}).isNull());
    EXPECT_FALSE(scalar("SELECT FoodStampable FROM Item WHERE ID = ?", {item}).toBool());

    tables->updateRow("Item", item, {{"FoodStampable", 1.0}, {"Description", QStringLiteral("x")}});
    EXPECT_TRUE(scalar("SELECT FoodStampable FROM Item WHERE ID = ?", {item}).toBool());
}

TEST_P(TableRecordsetsTest, RowsAddedTogetherStoreWhatEachRowBindsAlone)
{
    // What every row of a multi-row insert shares may go into its text: each
    // kind must be stored as when bound, and a column whose value differs in
    // a later call must be bound again.
    const QStringList columns{"ItemLookupCode", "Description", "BinLocation", "Notes", "Price", "Cost",
                              "Quantity", "BuydownQuantity", "FoodStampable", "LastReceived", "LastSold"};
    const QVariant received = QDateTime(QDate(2024, 2, 29), QTime(13, 14, 15, 678));
    const auto row = [&](const QString &code, const QString &description, double price, const QVariant &sold) {
        return QVariantList{code, description, QStringLiteral("A\\1?"), QLatin1String(""), price,
                            123456789012345.0, -0.0, 3.0, true, received, sold};
    };
    const QList<QVariantList> lines{row("1", "Chef's ü", 2, {}), row("2", "Chef's ü", 2, {}),
                                   row("3", "Chef's ü", 2, {}), row("4", "Other", 2.5, received)};
    const RowShape &shape = tables->rowShape("Item", columns);
    tables->addRows(shape, lines.mid(0, 2), {});
    tables->addRows(shape, lines.mid(2), {});
    for (QVariantList alone : lines) {
        alone[0] = QLatin1Char('A') + alone[0].toString();
        tables->addRow(shape, alone);
    }
    // The last columns given once for all rows, bound ones among them.
    QList<QVariantList> heads;
    for (const QVariantList &line : lines.mid(0, 3))
        heads.append(QVariantList{QLatin1Char('S') + line.at(0).toString()} + line.mid(1, 4));
    tables->addRows(shape, heads, {}, lines.at(0).mid(5));
    const QString select = QStringLiteral("SELECT %1 FROM Item WHERE ItemLookupCode IN (%2) ORDER BY ItemLookupCode")
                                   .arg(columns.mid(1).join(QStringLiteral(", ")));
    EXPECT_EQ(rows(select.arg("'1', '2', '3', '4'")), rows(select.arg("'A1', 'A2', 'A3', 'A4'")));
    EXPECT_EQ(rows(select.arg("'1', '2', '3'")), rows(select.arg("'S1', 'S2', 'S3'")));
    EXPECT_EQ(count("Item"), 11);
}

VXR_ON_EVERY_BACKEND(TableRecordsetsTest);

TEST(ColumnValueTest, NumbersOutsideTheirColumnOrNotNumbersFail)
{
    const struct { QVariant value; int code; qint32 expected; } rows[] = {
        {70000.0, TypeCodes::SmallInt, ErrorNumbers::ValueOutOfRange},
        {-1.0, TypeCodes::UnsignedTinyInt, ErrorNumbers::ValueOutOfRange},
        {3e10, TypeCodes::Integer, ErrorNumbers::ValueOutOfRange},
        {QStringLiteral("abc"), TypeCodes::Integer, ErrorNumbers::ConversionFailed},
        {32767.4, TypeCodes::SmallInt, 0},
        // No infinity or NaN into any number column, nothing beyond a float into a single.
        {qInf(), TypeCodes::Double, ErrorNumbers::ValueOutOfRange},
        {-qInf(), TypeCodes::Numeric, ErrorNumbers::ValueOutOfRange},
        {qQNaN(), TypeCodes::Single, ErrorNumbers::ValueOutOfRange},
        {QStringLiteral("nan"), TypeCodes::Double, ErrorNumbers::ValueOutOfRange},
        {1e39, TypeCodes::Single, ErrorNumbers::ValueOutOfRange},
        {-3e38, TypeCodes::Single, 0}, {1e300, TypeCodes::Double, 0},
    };
    for (const auto &row : rows) {
        qint32 number = 0;
        try {
            boundValue(row.value, row.code, Dialect::PostgreSQL, QStringLiteral("C"));
        } catch (const DbError &error) {
            number = error.number;
        }
        EXPECT_EQ(number, row.expected) << row.value.toString().toStdString();
    }
    EXPECT_EQ(boundValue(2.5, TypeCodes::Integer, Dialect::PostgreSQL, {}).toLongLong(), 3);
    EXPECT_EQ(boundValue(12.5, TypeCodes::VarWChar, Dialect::PostgreSQL, {}).toString(), QStringLiteral("12.5"));
}

} // namespace

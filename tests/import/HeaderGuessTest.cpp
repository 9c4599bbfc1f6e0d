#include "TestStores.h"
#include "TestSupport.h"

#include "catalogue/FieldTable.h"
#include "catalogue/Reporter.h"
#include "catalogue/TableCatalogue.h"
#include "import/FieldSearch.h"
#include "import/HeaderGuess.h"
#include "import/HeaderLine.h"
#include "import/ImportSetup.h"

#include <gtest/gtest.h>

using namespace vxr;
using namespace vxr::test;

namespace {

using Outcome = HeaderColumn::Outcome;

// Header lines as other programs export them, and the FieldID each column
// maps (0: none); "?" marks a guess, which only Guesses maps.
const struct { int table; const char *names; const char *fields; } ExportHeaders[] = {
    {ItemTable, "Item No.|Description|Department|Category|Vendor|Tax Rate|Unit Cost|Retail Price|On Hand|Sale Ends|Notes",
     "116?|114|113|106|142?|147?|112?|127?|134?|139?|124"},
    {ItemTable, "SKU|Name|Regular price|Sale price|Stock|Tax class|Categories|Weight (lbs)",
     "116?|114?|127?|140|134?|147?|0|0"},
    {ItemTable, "Item #|Item Description|Qty|U/M|Cost|Price|Preferred Vendor|MPN|Vendor Part No.|Case Qty",
     "116?|114?|134?|153?|112|127|142?|0|404?|410?"},
    // Own names come first wherever they stand, and a field is taken once.
    {ItemTable, "UPC|Item Lookup Code|SKU|Qty|Quantity|QtyOnHand", "0?|116|0?|0?|134|0?"},
    {CustomerTable, "Customer No|First Name|Last Name|Company|Street|City|State/Province|Postal Code|Phone|E-mail|Balance",
     "201?|231|235|210|203?|209|245?|251?|241?|253?|206?"},
    {SupplierTable, "Vendor ID|Vendor Name|Contact|Address Line 1|City|ST|Zip|Phone|Email|Website",
     "408?|311?|304?|301?|303|0|312|309?|406?|407?"},
    {AccountReceivableTable, "Customer|Invoice #|Invoice Date|Due Date|Amount|Open Balance", "0|904?|901?|902|903?|906?"},
};

TEST(HeaderGuess, ExportHeadersMapOwnNamesAndSuggestTheRest)
{
    for (const auto &row : ExportHeaders) {
        const QStringList names = QString::fromUtf8(row.names).split('|');
        const QStringList fields = QString::fromLatin1(row.fields).split('|');
        ASSERT_EQ(names.size(), fields.size()) << row.names;
        for (const HeaderMatching matching : {HeaderMatching::OwnNames, HeaderMatching::Guesses}) {
            ImportSetup setup;
            setup.tableId = row.table;
            const QList<HeaderColumn> columns = applyHeaderNames(testCatalogue(), names, setup, matching);
            ASSERT_EQ(columns.size(), names.size());
            for (int i = 0; i < names.size(); ++i) {
                const bool guess = fields[i].endsWith('?');
                const int expected = fields[i].chopped(guess ? 1 : 0).toInt();
                const bool mapped = !guess || matching == HeaderMatching::Guesses;
                const std::string where = names[i].toStdString() + (mapped ? " mapped" : " suggested");
                EXPECT_EQ(setup.fieldIds[i + 1], mapped ? expected : 0) << where;
                if (expected != 0) {
                    EXPECT_EQ(columns[i].outcome, mapped ? Outcome::Mapped : Outcome::Suggested) << where;
                }
                EXPECT_EQ(columns[i].guessed, guess) << where;
            }
        }
    }
}

// Every export name finds its own field alone, and never another field by
// that field's own name.
TEST(HeaderGuess, EachExportNameGuessesOneFieldOfItsTable)
{
    const FieldTable &fields = testCatalogue();
    for (int table = FirstTableId; table <= LastTableId; ++table) {
        const QList<int> offered = fields.offeredFieldIndices(table);
        for (const int index : offered) {
            const int fieldId = fields[index].fieldId;
            for (const QString &name : exportNamesOf(fieldId)) {
                EXPECT_EQ(guessedFieldIds(fields, offered, name), QList<int>{fieldId}) << name.toStdString();
                EXPECT_EQ(matchHeaderName(fields, table, name), 0) << name.toStdString();
            }
        }
    }
}

// Names that two fields of a table share map neither, in either way of
// matching; a name one field has alone still maps.
TEST(HeaderGuess, AnAmbiguousNameMapsNothing)
{
    SilentReporter silent;
    FieldTable fields;
    fields.addField(NoTable, 0, "<none>", "<none>", 0, 0, silent);
    fields.addField(ItemTable, 9001, "UnitCost", "Unit Cost", 2, 0, silent);
    fields.addField(ItemTable, 9002, "CostPerUnit", "Unit-Cost", 2, 0, silent);
    fields.addField(ItemTable, 9003, "ItemNo", "Item No", 2, 0, silent);
    fields.addField(ItemTable, 9004, "ItemNum", "Item Number", 2, 0, silent);
    // A field's own name in words goes before another's export name.
    fields.addField(CustomerTable, 201, "AccountNumber", "Account Number", 2, 0, silent);
    fields.addField(CustomerTable, 9005, "CustNo", "Customer No", 2, 0, silent);
    ImportSetup customers;
    customers.tableId = CustomerTable;
    applyHeaderNames(fields, {"Customer #"}, customers, HeaderMatching::Guesses);
    EXPECT_EQ(customers.fieldIds[1], 9005);

    const QStringList names = {"unit cost", "Item #", "item no"};
    for (const HeaderMatching matching : {HeaderMatching::OwnNames, HeaderMatching::Guesses}) {
        ImportSetup setup;
        setup.tableId = ItemTable;
        const QList<HeaderColumn> columns = applyHeaderNames(fields, names, setup, matching);
        ASSERT_EQ(columns.size(), 3);
        EXPECT_EQ(columns[0].outcome, Outcome::Ambiguous);
        EXPECT_EQ(columns[1].outcome, Outcome::Ambiguous);
        EXPECT_TRUE(columns[1].guessed);
        EXPECT_EQ(setup.fieldIds[1] + setup.fieldIds[2], 0);
        EXPECT_EQ(setup.fieldIds[3], 9003);
    }
}

// What a typed text picks in the mapping panel's field search (empty: none,
// the operator chooses), and how many fields it shows.
TEST(FieldSearch, PicksTheOneBestMatchOrNone)
{
    const struct { int table; const char *text; const char *picked; int found; } rows[] = {
        {ItemTable, "price", "Price", 9},          {ItemTable, "QUANTITY", "Quantity", 5},
        {ItemTable, "buydown", "", 2},             {ItemTable, "buydown p", "Buydown Price", 1},
        {ItemTable, "pri", "", 9},                 {ItemTable, "lookup", "Item Lookup Code", 1},
        {ItemTable, "qty", "Quantity", 1},         {ItemTable, "vendor", "Supplier", 1},
        {ItemTable, "escr", "", 5},                {ItemTable, "xyz", "", 0},
        {ItemTable, "weigh", "Weight", 3},         {ItemTable, "tare weigh", "", 2},
        {CustomerTable, "e-mail", "E-Mail Address", 1}, {ItemTable, " ", "", 52},
    };
    for (const auto &row : rows) {
        const FieldSearch search = searchFields(testCatalogue(), row.table, QString::fromLatin1(row.text));
        const QString picked = search.picked ? testCatalogue().byId(search.picked).displayName : QString();
        EXPECT_EQ(picked, QString::fromLatin1(row.picked)) << row.text;
        EXPECT_EQ(search.found.size(), row.found) << row.text;
    }
}

} // namespace

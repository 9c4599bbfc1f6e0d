#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "TestSupport.h"
#include "catalogue/VariantKinds.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace vxr;

namespace {

QStringList offeredCaptions(const FieldTable &fields, int tableId)
{
    QStringList captions;
    for (int index : fields.offeredFieldIndices(tableId))
        captions << fields[index].displayName;
    return captions;
}

} // namespace

TEST(Catalogue, HasAllEntriesWithUniqueIdsAndKeepsItsOrder)
{
    const FieldTable fields = FieldTable::buildCatalogue();
    ASSERT_EQ(fields.fieldCount(), 167);
    QSet<int> ids;
    for (const FieldDef &field : fields.entries) {
        EXPECT_FALSE(ids.contains(field.fieldId)) << field.fieldId;
        ids.insert(field.fieldId);
        EXPECT_EQ(field.dataType, -1);
        EXPECT_EQ(field.maxLength, -1);
        EXPECT_FALSE(field.value.isValid());
    }
    // The duplicate check's keys are addressed by index.
    for (const TableInfo *table : offeredTables()) {
        if (table->keyFieldIndex != 0) {
            EXPECT_EQ(fields[table->keyFieldIndex].tableId, table->tableId);
            EXPECT_EQ(fields[table->keyFieldIndex].columnName, table->keyColumn);
        }
    }
    // A few entries pin the order: the first of a FieldID is found, and 702
    // comes before 701.
    const struct { int index, fieldId; const char *column; } pinned[] = {
        {0, 0, "<none>"},   {16, 116, "ItemLookupCode"},     {58, 201, "AccountNumber"}, {118, 311, nullptr},
        {120, 406, "EMailAddress"}, {129, 410, "MasterPackQuantity"}, {131, 502, nullptr}, {137, 607, nullptr},
        {138, 702, "ItemID"}, {139, 701, "ItemClassID"},   {166, 934, "HistoryType"}};
    for (const auto &entry : pinned) {
        SCOPED_TRACE(entry.index);
        EXPECT_EQ(fields[entry.index].fieldId, entry.fieldId);
        EXPECT_EQ(fields.findFieldIndex(entry.fieldId), entry.index);
        if (entry.column) {
            EXPECT_EQ(fields[entry.index].columnName, QLatin1String(entry.column));
        }
    }
    for (int absent : {999, -5})
        EXPECT_EQ(fields.findFieldIndex(absent), 0);
    EXPECT_EQ(fields[0].tableName, "");
    EXPECT_EQ(fields[129].displayName, "MPQ");
    EXPECT_EQ(fields[129].tableName, "SupplierList");
}

TEST(Catalogue, OfferedFieldsFollowPassAndTable)
{
    const FieldTable fields = FieldTable::buildCatalogue();
    const QStringList item = offeredCaptions(fields, ItemTable);
    ASSERT_EQ(item.size(), 52);
    EXPECT_EQ(item.first(), "HQID");
    EXPECT_EQ(item.mid(48), (QStringList{"Supplier Cost", "Reorder Number", "Minimum Order", "MPQ"}));
    for (const char *hidden : {"Commission Amount", "Message", "Tag Along Item", "Item ID"})
        EXPECT_FALSE(item.contains(QLatin1String(hidden))) << hidden;

    EXPECT_EQ(offeredCaptions(fields, AliasTable), (QStringList{"Item Lookup Code", "Alias"}));
    EXPECT_EQ(offeredCaptions(fields, CustomerTable).size(), 47);
    EXPECT_FALSE(offeredCaptions(fields, CustomerTable).contains("Store ID"));
    EXPECT_EQ(offeredCaptions(fields, SupplierTable).size(), 14);
    EXPECT_EQ(offeredCaptions(fields, ItemClassComponentTable).first(), "Component Item Lookup Code");
    EXPECT_TRUE(offeredCaptions(fields, NoTable).isEmpty());
}

TEST(Catalogue, DefaultsKeepTheirKindsAndResetCopiesThem)
{
    const QDateTime startup(QDate(2026, 3, 4), QTime(15, 16, 17));
    SilentReporter silent;
    FieldTable fields = FieldTable::buildCatalogue(startup, silent);

    EXPECT_EQ(fields.byId(101).defaultValue.typeId(), QMetaType::Short);
    EXPECT_EQ(fields.byId(119).defaultValue.typeId(), QMetaType::Int); // "long 1"
    EXPECT_EQ(fields.byId(119).defaultValue.toInt(), 1);
    EXPECT_EQ(fields.byId(114).defaultValue.typeId(), QMetaType::QString);
    EXPECT_EQ(fields.byId(205).defaultValue, QVariant(true));
    EXPECT_EQ(fields.byId(121).defaultValue.toDateTime(), startup);
    EXPECT_EQ(fields.byId(901).defaultValue.toDateTime(), QDateTime(startup.date(), QTime(0, 0)));
    EXPECT_EQ(fields.byId(405).defaultValue.toInt(), 1);  // Minimum Order
    EXPECT_EQ(fields.byId(905).defaultValue.toInt(), 2);  // Type
    EXPECT_EQ(fields.byId(934).defaultValue.toInt(), 5);  // HistoryType

    fields.byId(112).value = 3.5;
    fields.resetFieldValues();
    for (const FieldDef &field : fields.entries)
        EXPECT_EQ(field.value, field.defaultValue) << field.fieldId;

    // Two Date columns are separate entries.
    fields[153].value = QDate(2000, 1, 1);
    EXPECT_NE(fields[165].value, fields[153].value);
}

TEST(TableCatalogue, GetTableNameNamesKnownIdsAndReportsUnknownOnes)
{
    test::RecordingReporter reporter;
    EXPECT_EQ(tableName(0, reporter), QVariant(QString("")));
    EXPECT_EQ(tableName(1, reporter).toString(), "Item");
    EXPECT_EQ(tableName(10, reporter).toString(), "AccountReceivableHistory");
    EXPECT_TRUE(reporter.messages.isEmpty());

    EXPECT_FALSE(tableName(11, reporter).isValid());
    EXPECT_FALSE(tableName(-1, reporter).isValid());
    ASSERT_EQ(reporter.messages.size(), 2);
    EXPECT_EQ(reporter.messages[0].text, "<Definition::GetTableName> Unknown table id '11'.");
    EXPECT_EQ(reporter.messages[1].text, "<Definition::GetTableName> Unknown table id '-1'.");
    EXPECT_EQ(reporter.messages[0].kind, MessageKind::Exclamation);
}

TEST(TableCatalogue, OffersSevenDestinationTablesAndOpensFourteen)
{
    QStringList captions;
    for (const TableInfo *table : offeredTables())
        captions << table->listCaption;
    EXPECT_EQ(captions, (QStringList{"Inventory", "Customers", "Suppliers", "Aliases",
                                     "Item Class (Matrices)", "Item Class Component (Matrix Cells)",
                                     "Security"}));
    const QStringList opened = importTableNames();
    ASSERT_EQ(opened.size(), 14);
    EXPECT_LT(opened.indexOf("Department"), opened.indexOf("Category"));
}

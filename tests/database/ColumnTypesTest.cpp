#include "TestStores.h"

#include "database/ColumnKinds.h"
#include "database/ColumnTypes.h"

#include <gtest/gtest.h>

using namespace vxr;

namespace {

using ColumnTypesOnBackend = test::BackendTest;

struct TypeRow
{
    const char *name;   // a column, or a declared or information_schema type
    int code;
    int size;           // -1: any size
};

::testing::AssertionResult hasType(const ColumnType *column, const TypeRow &row)
{
    if (!column)
        return ::testing::AssertionFailure() << row.name << " not found";
    if (column->typeCode != row.code || (row.size >= 0 && column->definedSize != row.size))
        return ::testing::AssertionFailure() << row.name << " is " << column->typeCode << "/" << column->definedSize
                                             << ", expected " << row.code << "/" << row.size;
    return ::testing::AssertionSuccess();
}

} // namespace

TEST_P(ColumnTypesOnBackend, StoreColumnsAreClassified)
{
    // Any spelling of the table and column names finds them.
    const QList<ColumnType> item = readColumnTypes(connection.database(), dialect(), QStringLiteral("item"));
    const int money = backend() == test::StoreBackend::SQLite ? TypeCodes::Currency : TypeCodes::Numeric;
    const TypeRow rows[] = {
        {"ITEMLOOKUPCODE", TypeCodes::VarWChar, 25}, {"ExtendedDescription", TypeCodes::LongVarWChar, -1},
        {"LastUpdated", TypeCodes::DBTimeStamp, -1}, {"WebItem", TypeCodes::Boolean, -1},
        {"HQID", TypeCodes::Integer, -1},            {"BarcodeFormat", TypeCodes::SmallInt, -1},
        {"Quantity", TypeCodes::Double, -1},         {"Price", money, -1},
    };
    for (const TypeRow &row : rows)
        EXPECT_TRUE(hasType(findColumnType(item, QString::fromLatin1(row.name)), row));
}

VXR_ON_EVERY_BACKEND(ColumnTypesOnBackend);

TEST(ColumnTypes, EveryTextKindIsText)
{
    // SQL Server's spellings in information_schema (the PostgreSQL ones are
    // read from the store above); the size is character_maximum_length.
    const struct { TypeRow row; qint64 length; } schemaTypes[] = {
        {{"nvarchar", TypeCodes::VarWChar, 30}, 30},
        {{"char", TypeCodes::VarWChar, 10}, 10},
        {{"nvarchar", TypeCodes::LongVarWChar, -1}, -1}, // nvarchar(max)
        {{"ntext", TypeCodes::LongVarWChar, -1}, 1073741823},
    };
    for (const auto &[row, length] : schemaTypes) {
        const ColumnType type = classifyInformationSchemaType(QString::fromLatin1(row.name), length);
        EXPECT_TRUE(hasType(&type, row));
    }

    // SQLite keeps the declared type as written; forms the store does not use.
    const TypeRow declared[] = {
        {"varchar ( 12 )", TypeCodes::VarWChar, 12}, {"NVARCHAR", TypeCodes::LongVarWChar, -1},
        {"NUMERIC(19,4)", TypeCodes::Numeric, -1},   {"", TypeCodes::Variant, -1},
    };
    for (const TypeRow &row : declared) {
        const ColumnType type = classifyDeclaredType(QString::fromLatin1(row.name));
        EXPECT_TRUE(hasType(&type, row));
    }
}

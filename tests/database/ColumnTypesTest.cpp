#include "TestStores.h"

#include "database/ColumnKinds.h"
#include "database/ColumnTypes.h"

#include <gtest/gtest.h>

using namespace vxr;

namespace {

class ColumnTypesOnBackend : public test::BackendTest
{
};

::testing::AssertionResult hasType(const QList<ColumnType> &columns, const char *name, int code, int size = -1)
{
    const ColumnType *column = findColumnType(columns, QString::fromLatin1(name));
    if (!column)
        return ::testing::AssertionFailure() << name << " not found";
    if (column->typeCode != code || (size >= 0 && column->definedSize != size))
        return ::testing::AssertionFailure() << name << " is " << column->typeCode << "/" << column->definedSize
                                             << ", expected " << code << "/" << size;
    return ::testing::AssertionSuccess();
}

} // namespace

TEST_P(ColumnTypesOnBackend, ItemColumnsAreClassified)
{
    // Any spelling of the table and column names finds them.
    const QList<ColumnType> item = readColumnTypes(connection.database(), dialect(), QStringLiteral("item"));
    EXPECT_TRUE(hasType(item, "Description", TypeCodes::VarWChar, 30));
    EXPECT_TRUE(hasType(item, "ITEMLOOKUPCODE", TypeCodes::VarWChar, 25));
    EXPECT_TRUE(hasType(item, "ExtendedDescription", TypeCodes::LongVarWChar));
    EXPECT_TRUE(hasType(item, "LastUpdated", TypeCodes::DBTimeStamp));
    EXPECT_TRUE(hasType(item, "WebItem", TypeCodes::Boolean));
    EXPECT_TRUE(hasType(item, "HQID", TypeCodes::Integer));
    EXPECT_TRUE(hasType(item, "BarcodeFormat", TypeCodes::SmallInt));
    EXPECT_TRUE(hasType(item, "Quantity", TypeCodes::Double));
    EXPECT_TRUE(hasType(item, "Price", backend() == test::StoreBackend::SQLite ? TypeCodes::Currency
                                                                               : TypeCodes::Numeric));
    EXPECT_EQ(item.first().name.toLower(), QStringLiteral("id"));

    const QList<ColumnType> supplier = readColumnTypes(connection.database(), dialect(), QStringLiteral("Supplier"));
    EXPECT_TRUE(hasType(supplier, "SupplierName", TypeCodes::VarWChar, 30));
    EXPECT_TRUE(hasType(supplier, "Code", TypeCodes::VarWChar, 10));
}

TEST_P(ColumnTypesOnBackend, MissingTableIsNamed)
{
    try {
        readColumnTypes(connection.database(), dialect(), QStringLiteral("Items"));
        FAIL() << "no error for a missing table";
    } catch (const DbError &error) {
        EXPECT_TRUE(error.description.contains(QLatin1String("Items"))) << error.description.toStdString();
    }
}

VXR_ON_EVERY_BACKEND(ColumnTypesOnBackend);

TEST(ColumnTypes, EveryTextKindIsText)
{
    // SQL Server and PostgreSQL spell their types in information_schema.
    const auto is = [](const char *type, qint64 length, int code, int size) {
        const ColumnType c = classifyInformationSchemaType(QString::fromLatin1(type), length);
        return c.typeCode == code && (size < 0 || c.definedSize == size);
    };
    EXPECT_TRUE(is("nvarchar", 30, TypeCodes::VarWChar, 30));
    EXPECT_TRUE(is("varchar", 20, TypeCodes::VarWChar, 20));
    EXPECT_TRUE(is("char", 10, TypeCodes::VarWChar, 10));
    EXPECT_TRUE(is("character varying", 25, TypeCodes::VarWChar, 25));
    EXPECT_TRUE(is("nvarchar", -1, TypeCodes::LongVarWChar, -1));   // nvarchar(max)
    EXPECT_TRUE(is("ntext", 1073741823, TypeCodes::LongVarWChar, -1));
    EXPECT_TRUE(is("datetime2", -1, TypeCodes::DBTimeStamp, -1));
    EXPECT_TRUE(is("timestamp without time zone", -1, TypeCodes::DBTimeStamp, -1));

    // SQLite keeps the declared type as written.
    const auto declared = [](const char *type) { return classifyDeclaredType(QString::fromLatin1(type)); };
    EXPECT_EQ(declared("NVARCHAR(30)").definedSize, 30);
    EXPECT_EQ(declared("varchar ( 12 )").typeCode, TypeCodes::VarWChar);
    EXPECT_EQ(declared("NTEXT").typeCode, TypeCodes::LongVarWChar);
    EXPECT_EQ(declared("NVARCHAR").typeCode, TypeCodes::LongVarWChar);
    EXPECT_EQ(declared("NUMERIC(19,4)").typeCode, TypeCodes::Numeric);
    EXPECT_EQ(declared("").typeCode, TypeCodes::Variant);
}

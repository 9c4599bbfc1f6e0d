#include "StoreFixture.h"

#include "catalogue/VariantKinds.h"
#include "database/ColumnKinds.h"
#include "database/ValueResolver.h"

using namespace vxr;
using namespace vxr::test;

namespace {

QVariant convert(const QString &text, int type, int size)
{
    static const RegionalSettings regional;
    return ValueResolver::convertByType(text, type, size, regional,
                                        QLocale(QLocale::English, QLocale::UnitedKingdom));
}

TEST(ValueResolverTypes, EveryTextKindIsTextCutToItsSize)
{
    const QString forty = QStringLiteral("0123456789012345678901234567890123456789");
    EXPECT_EQ(convert(forty, TypeCodes::VarWChar, 30), forty.left(30));
    EXPECT_EQ(convert(QStringLiteral("short"), TypeCodes::VarWChar, 30), QStringLiteral("short"));
    // Non-Unicode text columns take text too, not a number.
    for (const int code : {TypeCodes::Char, TypeCodes::WChar, TypeCodes::VarChar, TypeCodes::LongVarChar}) {
        const QVariant value = convert(QStringLiteral("Blue widget"), code, 4);
        EXPECT_EQ(value.typeId(), QMetaType::QString) << code;
        EXPECT_EQ(value.toString(), QStringLiteral("Blue")) << code;
    }
    const QVariant empty = convert(QString(), TypeCodes::VarWChar, 30);
    EXPECT_EQ(empty.typeId(), QMetaType::QString);
    EXPECT_TRUE(empty.toString().isEmpty());
}

TEST(ValueResolverTypes, DatesAndNumbers)
{
    EXPECT_EQ(convert(QStringLiteral("02/01/2003"), TypeCodes::DBTimeStamp, 16).toDateTime().date(),
              QDate(2003, 1, 2));
    EXPECT_TRUE(isNullValue(convert(QStringLiteral("31/02/2003"), TypeCodes::DBTimeStamp, 16)));
    EXPECT_TRUE(isNullValue(convert(QString(), TypeCodes::DBTimeStamp, 16)));

    const QVariant number = convert(QStringLiteral("$1,234.50"), TypeCodes::Currency, 8);
    EXPECT_EQ(number.typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(number.toDouble(), 1234.5);
    EXPECT_DOUBLE_EQ(convert(QStringLiteral("abc"), TypeCodes::Integer, 4).toDouble(), 0.0);
    // A column whose type was never read is read as a number.
    EXPECT_DOUBLE_EQ(convert(QStringLiteral("7"), -1, -1).toDouble(), 7.0);
}

class ValueResolverTest : public StoreTest
{
protected:
    void resolve(int fieldId, const char *text)
    {
        ReferenceLookups lookups(fields, *tables, regional);
        ValueResolver resolver(fields, lookups, regional, QLocale(QLocale::English, QLocale::UnitedStates));
        resolver.ResolveFieldValue(fields.FindFieldIndex(fieldId), QString::fromUtf8(text));
    }
    QVariant value(int fieldId) const { return fields.byId(fieldId).Value; }
};

TEST_P(ValueResolverTest, AmountsAreCopiedToTheirCompanions)
{
    resolve(FieldIds::ItemCost, "12.50");
    EXPECT_DOUBLE_EQ(value(FieldIds::ItemCost).toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(value(FieldIds::SupplierListCost).toDouble(), 12.5);

    resolve(FieldIds::CustomerAccountBalance, "(25.00)");
    for (const int id : {FieldIds::CustomerAccountBalance, FieldIds::ARBalance, FieldIds::AROriginalAmount,
                         FieldIds::ARHistoryAmount})
        EXPECT_DOUBLE_EQ(value(id).toDouble(), -25.0) << id;

    resolve(FieldIds::ItemSupplier, "Acme");
    EXPECT_TRUE(value(FieldIds::ItemSupplier).isValid());
    EXPECT_EQ(value(FieldIds::SupplierListSupplierID), value(FieldIds::ItemSupplier));

    // "Supplier Cost" mapped directly is converted by its column like any field.
    resolve(FieldIds::SupplierListCost, "3.75");
    EXPECT_DOUBLE_EQ(value(FieldIds::SupplierListCost).toDouble(), 3.75);
    EXPECT_DOUBLE_EQ(value(FieldIds::ItemCost).toDouble(), 12.5);
}

VXR_ON_EVERY_BACKEND(ValueResolverTest);

} // namespace

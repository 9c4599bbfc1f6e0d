#include "TestStores.h"

#include "catalogue/VariantKinds.h"
#include "database/QueryHelpers.h"

using namespace vxr;
using namespace vxr::test;

namespace {

using QueryHelpersTest = RunStoreTest;

TEST_P(QueryHelpersTest, RecordExistsComparesExactly)
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

TEST_P(QueryHelpersTest, GetRecordIDOfAccountReceivableIsTheHighest)
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

VXR_ON_EVERY_BACKEND(QueryHelpersTest);

} // namespace

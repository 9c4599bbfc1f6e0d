// How many statements the server runs for an import: a batch of lines costs
// a few statements, not a few per line, so that a server on another machine
// is not paid a round trip for every line.

#include "ImportFixture.h"

#include "database/DbConnection.h"

using namespace vxr;
using namespace vxr::test;

namespace {

class RoundTripTest : public ImportFixture
{
protected:
    // The statements the server has run in this test's database.
    qint64 statementsRun(DbConnection &admin)
    {
        QSqlQuery query(admin.database());
        EXPECT_TRUE(query.exec("SELECT COALESCE(SUM(calls), 0) FROM pg_stat_statements WHERE dbid = "
                               "(SELECT oid FROM pg_database WHERE datname = current_database())"));
        return query.next() ? query.value(0).toLongLong() : -1;
    }
};

TEST_P(RoundTripTest, ABatchOfLinesCostsAFewStatementsNotAFewALine)
{
    DbConnection admin;
    DbError error;
    ASSERT_TRUE(admin.open(connectionString(), &error)) << error.description.toStdString();
    QSqlQuery extension(admin.database());
    if (!extension.exec("CREATE EXTENSION IF NOT EXISTS pg_stat_statements")
        || !extension.exec("SELECT 1 FROM pg_stat_statements LIMIT 1")) {
        if (qEnvironmentVariable("CI") == "true")
            FAIL() << "the PostgreSQL server does not count statements (pg_stat_statements)";
        GTEST_SKIP() << "the PostgreSQL server does not count statements (pg_stat_statements is not loaded)";
    }

    // 3,000 items naming 5 departments, 10 categories, 6 suppliers and 2 taxes.
    mapPositions({116, 114, 113, 106, 142, 147, 112, 127});
    QByteArray text;
    for (int i = 1; i <= 3000; ++i)
        text += QStringLiteral("R%1,Item %1,Dept %2,Cat %3,Supplier %4,%5,%6.25,%7.99\r\n")
                        .arg(i, 5, 10, QLatin1Char('0'))
                        .arg(i % 5)
                        .arg(i % 10)
                        .arg(i % 6)
                        .arg(i % 2 ? QStringLiteral("8.25") : QStringLiteral("6.5"))
                        .arg(i % 90)
                        .arg(i % 97)
                        .toLatin1();
    const QString path = writeFile("items.csv", text);

    const qint64 before = statementsRun(admin);
    const ImportSummary summary = importFile(ItemTable, path);
    const qint64 statements = statementsRun(admin) - before;

    EXPECT_EQ(summary.rowsAdded, 3000);
    EXPECT_EQ(summary.linesFailed, 0);
    // At most one statement for every ten lines, references included.
    EXPECT_LE(statements, 300) << statements << " statements for 3,000 lines";
    EXPECT_EQ(query("SELECT COUNT(*) FROM SupplierList"), QStringList({"3000"}));
}

INSTANTIATE_TEST_SUITE_P(Backends, RoundTripTest, ::testing::Values(StoreBackend::PostgreSQL), storeBackendName);

} // namespace

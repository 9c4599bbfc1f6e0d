#include "TestStores.h"

#include "catalogue/FieldTable.h"
#include "database/ColumnTypes.h"
#include "database/DbConnection.h"
#include "database/StoreSchema.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>

using namespace vxr;

namespace {

// Every column the program writes, per table: the catalogue's columns of the
// ten destination tables, the columns the look-ups fill in the four reference
// tables, and the ID every table has.
QMap<QString, QSet<QString>> writtenColumns()
{
    QMap<QString, QSet<QString>> columns;
    const FieldTable fields = FieldTable::buildCatalogue();
    for (const FieldDef &field : fields.Fields)
        if (field.TableID >= 1 && field.TableID <= 10)
            columns[field.TableName].insert(field.ColumnName);

    const auto add = [&columns](const char *table, QStringList names) {
        for (const QString &name : names)
            columns[QString::fromLatin1(table)].insert(name);
    };
    add("Department", {"HQID", "Name", "Code"});
    add("Category", {"HQID", "DepartmentID", "Name", "Code"});
    add("Supplier", {"HQID", "SupplierName", "Code", "ContactName", "Address1", "Address2", "City", "State", "Zip",
                     "PhoneNumber", "FaxNumber", "Country"});
    QStringList tax = {"HQID", "Code", "Description", "Percentage", "UsePartialDollar", "ItemMaximum",
                       "IncludePreviousTax", "FixedAmount"};
    for (int i = 0; i <= 10; ++i)
        tax << QStringLiteral("Bracket%1").arg(i, 2, 10, QLatin1Char('0'));
    add("Tax", tax);
    QStringList itemTax = {"HQID", "Code", "Description"};
    for (int i = 1; i <= 10; ++i)
        itemTax << QStringLiteral("TaxID%1").arg(i, 2, 10, QLatin1Char('0'))
                << QStringLiteral("ShowOnReceipt%1").arg(i, 2, 10, QLatin1Char('0'));
    add("ItemTax", itemTax);
    for (auto it = columns.begin(); it != columns.end(); ++it)
        it->insert(QStringLiteral("ID"));
    return columns;
}

QSet<QString> lowered(const QSet<QString> &names)
{
    QSet<QString> out;
    for (const QString &name : names)
        out.insert(name.toLower());
    return out;
}

// The columns of each CREATE TABLE block of a T-SQL script, names lower-cased.
QMap<QString, QSet<QString>> tsqlColumns(const QString &script)
{
    QMap<QString, QSet<QString>> tables;
    static const QRegularExpression block(QStringLiteral("CREATE\\s+TABLE\\s+\\[?(\\w+)\\]?\\s*\\((.*?)\\n\\);"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression column(QStringLiteral("^\\s*\\[?(\\w+)\\]?\\s+\\w+"));
    auto it = block.globalMatch(script);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        QSet<QString> &set = tables[m.captured(1)];
        for (const QString &line : m.captured(2).split(u'\n')) {
            const QRegularExpressionMatch c = column.match(line);
            if (c.hasMatch() && !line.trimmed().startsWith(QLatin1String("CONSTRAINT"), Qt::CaseInsensitive))
                set.insert(c.captured(1).toLower());
        }
    }
    return tables;
}

void expectHasWrittenColumns(const QMap<QString, QSet<QString>> &actual, const QString &dialect)
{
    const QMap<QString, QSet<QString>> expected = writtenColumns();
    EXPECT_EQ(expected.size(), 14);
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QSet<QString> have = lowered(actual.value(it.key()));
        EXPECT_FALSE(have.isEmpty()) << dialect.toStdString() << ": table " << it.key().toStdString() << " is missing";
        for (const QString &name : it.value())
            EXPECT_TRUE(have.contains(name.toLower()))
                << dialect.toStdString() << ": " << it.key().toStdString() << "." << name.toStdString()
                << " is missing";
    }
}

} // namespace

class StoreSchemaOnBackend : public test::BackendTest
{
};

TEST_P(StoreSchemaOnBackend, StoreHasEveryWrittenColumn)
{
    QMap<QString, QSet<QString>> actual;
    for (const QString &table : writtenColumns().keys()) {
        try {
            for (const ColumnType &column : readColumnTypes(connection.database(), dialect(), table))
                actual[table].insert(column.name);
        } catch (const DbError &error) {
            ADD_FAILURE() << error.description.toStdString();
        }
    }
    expectHasWrittenColumns(actual, backend() == test::StoreBackend::SQLite ? QStringLiteral("SQLite")
                                                                       : QStringLiteral("PostgreSQL"));
}

VXR_ON_EVERY_BACKEND(StoreSchemaOnBackend);

TEST(StoreSchema, SqlServerScriptHasEveryWrittenColumn)
{
    const QString script = schemaText(Dialect::SqlServer);
    ASSERT_FALSE(script.isEmpty());
    expectHasWrittenColumns(tsqlColumns(script), QStringLiteral("SQL Server"));
    // The five keys of the duplicate check are unique in every dialect.
    for (Dialect dialect : {Dialect::SQLite, Dialect::PostgreSQL, Dialect::SqlServer}) {
        const QString text = schemaText(dialect);
        for (const char *key : {"Item\\]? \\(\\[?ItemLookupCode", "Customer\\]? \\(\\[?AccountNumber",
                                "Supplier\\]? \\(\\[?SupplierName", "Alias\\]? \\(\\[?Alias",
                                "ItemClass\\]? \\(\\[?ItemLookupCode"})
            EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("CREATE UNIQUE INDEX \\w+ ON \\[?")
                                                         + QLatin1String(key))))
                << key;
    }
}

TEST(StoreSchema, CreateRefusesExistingFileAndReportsFailures)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.db"));
    QString error;
    ASSERT_TRUE(createSqliteStore(path, &error)) << error.toStdString();
    const qint64 size = QFileInfo(path).size();

    EXPECT_FALSE(createSqliteStore(path, &error));
    EXPECT_TRUE(error.contains(path)) << error.toStdString();
    EXPECT_EQ(QFileInfo(path).size(), size);

    // A folder that does not exist: an error, and no file left behind.
    const QString nowhere = dir.filePath(QStringLiteral("missing/store.db"));
    error.clear();
    EXPECT_FALSE(createSqliteStore(nowhere, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST(StoreSchema, SplitKeepsSemicolonsInsideQuotesAndDropsComments)
{
    const QStringList statements = splitSqlStatements(QStringLiteral(
        "-- a comment; with a semicolon\n"
        "CREATE TABLE A (x VARCHAR(3) DEFAULT ';' CONSTRAINT \"a;b\" CHECK (x <> '--'));\n"
        "CREATE TABLE [B;C] (y INT);\n  \n"));
    ASSERT_EQ(statements.size(), 2);
    EXPECT_EQ(statements[0], QStringLiteral("CREATE TABLE A (x VARCHAR(3) DEFAULT ';' CONSTRAINT \"a;b\" CHECK (x <> '--'))"));
    EXPECT_EQ(statements[1], QStringLiteral("CREATE TABLE [B;C] (y INT)"));
}

TEST(StoreSchema, DefaultsFillWhatIsNotWritten)
{
    test::TempSqliteStore store;
    ASSERT_TRUE(store.isValid()) << store.error().toStdString();
    DbConnection connection;
    DbError error;
    ASSERT_TRUE(connection.open(store.connectionString(), &error)) << error.description.toStdString();
    QSqlQuery query(connection.database());
    // A bare supplier as the look-up adds it: the rest take their defaults.
    ASSERT_TRUE(query.exec(QStringLiteral("INSERT INTO Supplier (SupplierName, Code) VALUES ('Acme', 'Acme')")));
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT EMailAddress, WebPageAddress, TaxNumber, HQID FROM Supplier")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toString(), QString());
    EXPECT_FALSE(query.value(0).isNull());
    EXPECT_EQ(query.value(3).toInt(), 0);
    ASSERT_TRUE(query.exec(QStringLiteral("INSERT INTO ItemClass (ItemLookupCode) VALUES ('M1')")));
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT Dimensions FROM ItemClass")));
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toInt(), 1);
}

#include "TestStores.h"

#include "catalogue/TableCatalogue.h"
#include "database/ColumnKinds.h"
#include "database/ColumnTypes.h"
#include "database/StoreSchema.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace vxr;

namespace {

// The columns of each CREATE TABLE block of a T-SQL script, by lower-cased
// table and column name, classified as SQLite's declared types are.
QMap<QString, QMap<QString, ColumnType>> tsqlColumns(const QString &script)
{
    QMap<QString, QMap<QString, ColumnType>> tables;
    static const QRegularExpression block(QStringLiteral("CREATE\\s+TABLE\\s+\\[?(\\w+)\\]?\\s*\\((.*?)\\n\\);"),
                                          QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression column(QStringLiteral("^\\s*\\[?(\\w+)\\]?\\s+(\\w+(?:\\s*\\([^)]*\\))?)"));
    auto it = block.globalMatch(script);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        auto &columns = tables[m.captured(1).toLower()];
        for (const QString &line : m.captured(2).split(u'\n')) {
            const QRegularExpressionMatch c = column.match(line);
            if (c.hasMatch() && !line.trimmed().startsWith(QLatin1String("CONSTRAINT"), Qt::CaseInsensitive))
                columns.insert(c.captured(1).toLower(), classifyDeclaredType(c.captured(2)));
        }
    }
    return tables;
}

} // namespace

// The SQL Server script cannot be run here; the SQLite store, which the
// import tests write through, is the reference it must match column for
// column, in name, kind and size.
TEST(StoreSchema, SqlServerScriptMatchesTheStore)
{
    const auto script = tsqlColumns(schemaText(Dialect::SqlServer));
    test::TempSqliteStore store;
    ASSERT_TRUE(store.isValid()) << store.error().toStdString();
    const test::SqliteFile connection(store.path());
    for (const QString &table : importTableNames()) {
        const auto tsql = script.value(table.toLower());
        const QList<ColumnType> columns = readColumnTypes(connection.database(), Dialect::SQLite, table);
        EXPECT_EQ(tsql.size(), columns.size()) << table.toStdString();
        for (const ColumnType &column : columns) {
            const std::string name = (table + u'.' + column.name).toStdString();
            const auto found = tsql.constFind(column.name.toLower());
            if (found == tsql.constEnd()) {
                ADD_FAILURE() << name << " is missing";
                continue;
            }
            EXPECT_EQ(found->typeCode, column.typeCode) << name;
            if (column.typeCode == TypeCodes::VarWChar) {
                EXPECT_EQ(found->definedSize, column.definedSize) << name;
            }
        }
    }

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

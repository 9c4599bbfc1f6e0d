// Every statement text a run on SQL Server gives, parsed by the ANTLR
// T-SQL grammar (tools/tsql-check, which scripts/install-deps installs),
// since no SQL Server runs here. The tables' columns come from a store made
// with the schema; each insert carries as many rows as one statement may.

#include "catalogue/TableCatalogue.h"
#include "database/ColumnTypes.h"
#include "database/QueryHelpers.h"
#include "database/ReferenceLookups.h"
#include "database/SqlServerDialect.h"
#include "database/StoreSchema.h"
#include "TestStores.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlDatabase>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace vxr;

namespace {

const SqlServerDialect &server() { return static_cast<const SqlServerDialect &>(sqlDialect(Dialect::SqlServer)); }

QString quoted(const QString &name)
{
    return u'"' + name + u'"'; // as Qt's ODBC driver escapes a name for SQL Server
}

// The statements that write one table: inserts of one row and of as many
// as a statement may carry (giving back the key with the IDs, or not),
// the update, and the key check with as many keys as a statement may carry.
QStringList tableStatements(const QString &table, const QList<ColumnType> &types)
{
    const SqlServerDialect &d = server();
    QStringList columns;
    std::optional<ColumnType> key;
    QString keyColumn;
    for (const TableInfo &info : destinationTables())
        if (info.name == table)
            keyColumn = info.keyColumn;
    if (table == QLatin1String("AccountReceivable"))
        keyColumn = QStringLiteral("CustomerID");
    for (const ColumnType &type : types) {
        if (type.name.compare(QLatin1String("ID"), Qt::CaseInsensitive) != 0)
            columns << quoted(type.name);
        if (!keyColumn.isEmpty() && type.name.compare(keyColumn, Qt::CaseInsensitive) == 0)
            key = ColumnType{quoted(type.name), type.typeCode, type.definedSize};
    }
    const int rows = d.rowsPerStatement(int(columns.size()));
    QStringList texts{d.insertSql(NewIdSource::OutputClause, table, columns),
                      d.insertSql(NewIdSource::OutputClause, table, {}),
                      d.multiRowInsertSql(NewIdSource::OutputClause, table, columns, rows, {}, {}),
                      d.updateSql(table, columns)};
    if (key) {
        texts << d.multiRowInsertSql(NewIdSource::OutputClause, table, columns, rows, *key, {})
              << d.valuesPresentSql(table, key->name, d.maxParameters()) << recordExistsSql(table, keyColumn)
              << recordIdSql(table, keyColumn);
    }
    return texts;
}

QStringList everyStatement()
{
    const SqlServerDialect &d = server();
    QStringList texts{d.beginTransactionSql(), d.commitSql(), d.rollbackSql(), d.savepointSql(QStringLiteral("vxr_line")),
                      d.rollbackToSavepointSql(QStringLiteral("vxr_line")), d.transactionAliveSql(),
                      d.referenceLockSql(), d.columnTypesSql()};
    if (const QString release = d.releaseSavepointSql(QStringLiteral("vxr_line")); !release.isEmpty())
        texts << release; // SQL Server has none: an empty text runs nothing
    texts << d.connectionSettingsSql() << lookUpStatementTexts() << splitSqlStatements(schemaText(Dialect::SqlServer));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("store.db"));
    QString error;
    EXPECT_TRUE(createSqliteStore(path, &error)) << error.toStdString();
    const test::SqliteFile db(path);
    for (const QString &table : importTableNames())
        texts << tableStatements(table, readColumnTypes(db.database(), Dialect::SQLite, table));
    return texts;
}

bool writeJson(const QString &path, const QStringList &texts)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly)
        && file.write(QJsonDocument(QJsonArray::fromStringList(texts)).toJson()) > 0;
}

} // namespace

TEST(TsqlGrammar, EveryStatementOfTheSqlServerDialectParses)
{
    QString node = QStandardPaths::findExecutable(QStringLiteral("node"));
    if (node.isEmpty())
        node = QStandardPaths::findExecutable(QStringLiteral("nodejs"));
    if (node.isEmpty())
        GTEST_SKIP() << "node is not installed, so the T-SQL grammar check cannot run (scripts/install-deps "
                        "installs it)";
    const QString checker = QStringLiteral(VXR_SOURCE_DIR "/tools/tsql-check/check.js");

    // What the checker must refuse, so that a checker that passes everything
    // fails here: other dialects' words, a syntax error, one parameter too many.
    const QStringList refused = {
        QStringLiteral("ROLLBACK TO SAVEPOINT vxr_line"),
        QStringLiteral("RELEASE SAVEPOINT vxr_line"),
        QStringLiteral("INSERT INTO Item (\"ItemLookupCode\") VALUES (?) RETURNING ID"),
        QStringLiteral("INSERT INTO Tax (\"Code\") VALUES (?) ON CONFLICT DO NOTHING"),
        QStringLiteral("SELECT ID FROM Item ORDER BY ID DESC LIMIT 1"),
        QStringLiteral("INSERT INTO Item (\"ItemLookupCode\") OUTPUT INSERTED.ID INTO VALUES (?)"),
        server().valuesPresentSql(QStringLiteral("Item"), QStringLiteral("ItemLookupCode"), server().maxParameters() + 1),
    };
    QTemporaryDir dir;
    const QString statements = dir.filePath(QStringLiteral("statements.json"));
    const QString mustFail = dir.filePath(QStringLiteral("refused.json"));
    const QStringList texts = everyStatement();
    ASSERT_GT(texts.size(), 80);
    ASSERT_TRUE(writeJson(statements, texts) && writeJson(mustFail, refused));

    QProcess check;
    check.setProcessChannelMode(QProcess::MergedChannels);
    check.start(node, {checker, statements, mustFail});
    ASSERT_TRUE(check.waitForFinished(240000)) << "the T-SQL grammar check did not finish";
    const QString report = u'\n' + QString::fromUtf8(check.readAll());
    EXPECT_EQ(check.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(check.exitCode(), 0) << report.toStdString();
    for (const QString &text : refused)
        EXPECT_TRUE(report.contains(QStringLiteral("\nREFUSED: ") + text.left(300))) << text.left(80).toStdString();
}

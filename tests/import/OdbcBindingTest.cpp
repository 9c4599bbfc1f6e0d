// What an import into PostgreSQL hands the ODBC driver, read from the driver
// manager's trace: statement texts and text values go with their exact
// lengths (a driver that takes a length as given, as SQL Server's do, would
// store a closing NUL counted in it), texts up to 4,000 characters as
// SQL_WVARCHAR of that size and longer ones as SQL_WLONGVARCHAR.

#include "CliFixture.h"
#include "TestStores.h"

#include "database/DbConnection.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <optional>

using namespace vxr;
using namespace vxr::test;

namespace {

// One call of a unixODBC trace: the function and the fields of its entry.
struct TraceCall { QString function; QHash<QString, QString> fields; };

QList<TraceCall> traceCalls(const QString &trace)
{
    static const QRegularExpression head(QStringLiteral("^\\[ODBC\\]\\[\\d+\\]\\[[\\d.]+\\]\\[(\\w+)\\.c\\]"));
    static const QRegularExpression field(QStringLiteral("^\\t\\t\\t([A-Za-z ]+) = (.*)$"));
    QList<TraceCall> calls;
    bool inEntry = false;
    for (const QString &line : trace.split(u'\n')) {
        if (const QRegularExpressionMatch m = head.match(line); m.hasMatch()) {
            calls.append({m.captured(1), {}});
            inEntry = false;
        } else if (line.trimmed() == QLatin1String("Entry:")) {
            inEntry = true;
        } else if (const QRegularExpressionMatch m = field.match(line); inEntry && m.hasMatch()) {
            calls.last().fields.insert(m.captured(1), m.captured(2));
        }
    }
    return calls;
}

class OdbcBindingTest : public CliFixture
{
};

TEST_F(OdbcBindingTest, TextsAndStatementsGoWithTheirExactLengths)
{
    if (!PostgresStore::isConfigured())
        GTEST_SKIP() << "VXR_TEST_PG_CONNECT is not set";
    PostgresStore store;
    ASSERT_TRUE(store.isValid()) << store.error().toStdString();

    // The system's drivers, with the trace switched on.
    const QString system = qEnvironmentVariable("ODBCSYSINI", QStringLiteral("/etc")) + QStringLiteral("/odbcinst.ini");
    const QString trace = path(QStringLiteral("trace.log"));
    ASSERT_TRUE(writeTestFile(path(QStringLiteral("odbcinst.ini")),
                              readTestFile(system) + "\n[ODBC]\nTrace=Yes\nTraceFile=" + trace.toUtf8() + "\n"));
    std::optional<ScopedEnvironment> traced(std::in_place, "ODBCSYSINI", path(QString()));
    ASSERT_TRUE(writeTestFile(path(QStringLiteral("items.csv")),
                              "B-0127,Mid," + QByteArray(127, 'n') + "," + QByteArray(2000, 'e') + "\r\n"
                              "B-2000,Long," + QByteArray(2000, 'n') + ",\r\n"));
    const ToolResult result = vxrimp({"import", "--file", path("items.csv"), "--table", "Inventory", "--map",
                                     "1=Item Lookup Code,2=Description,3=Notes,4=Extended Description",
                                     "--connect", store.connectionString(), "--log", path("import.log")});
    traced.reset();
    ASSERT_EQ(result.exitCode, 0) << result.out.toStdString() << result.err.toStdString();

    // Statements Qt's driver runs set their cursor first; ours do not, and
    // they are the ones checked (now every statement of the import).
    const QList<TraceCall> calls = traceCalls(QString::fromUtf8(readTestFile(trace)));
    QSet<QString> qtStatements;
    QStringList statements;
    QList<qint64> textBytes;
    static const QRegularExpression sqlText(QStringLiteral("^\\[(.*)\\]\\[length = (\\d+)\\]$"));
    for (const TraceCall &call : calls) {
        if (call.fields.isEmpty()) // the exit of a call
            continue;
        const QString statement = call.fields.value(QStringLiteral("Statement"));
        if (call.function == QLatin1String("SQLSetStmtAttrW"))
            qtStatements.insert(statement);
        if (qtStatements.contains(statement))
            continue;
        if (call.function == QLatin1String("SQLPrepareW") || call.function == QLatin1String("SQLExecDirectW")) {
            const QRegularExpressionMatch m = sqlText.match(call.fields.value(QStringLiteral("SQL")));
            ASSERT_TRUE(m.hasMatch()) << call.fields.value(QStringLiteral("SQL")).toStdString();
            statements << m.captured(1);
            // The trace shows a long text cut with "...".
            if (!m.captured(1).endsWith(QLatin1String("..."))) {
                EXPECT_EQ(m.captured(2).toLongLong(), m.captured(1).size()) << m.captured(1).toStdString();
            }
        } else if (call.function == QLatin1String("SQLBindParameter")
                   && call.fields.value(QStringLiteral("C Type")).startsWith(QLatin1String("-8 "))) {
            const qint64 bytes = call.fields.value(QStringLiteral("Value Max")).toLongLong();
            const bool isLong = bytes > 8000;
            textBytes << bytes;
            EXPECT_EQ(call.fields.value(QStringLiteral("SQL Type")), isLong ? "-10 SQL_WLONGVARCHAR" : "-9 SQL_WVARCHAR");
            EXPECT_EQ(call.fields.value(QStringLiteral("Col Def")).toLongLong(), isLong ? bytes / 2 : 4000);
        }
    }
    // The item rows and the savepoints went through our statements; the
    // texts of 127 and 2,000 characters (a field's longest is 2,096) and the
    // empty ones of the columns not mapped went with their own lengths, and
    // none as one character (an empty text with a NUL counted).
    EXPECT_TRUE(statements.filter(QRegularExpression(QStringLiteral("^INSERT INTO Item "))).size() > 0);
    EXPECT_TRUE(statements.filter(QRegularExpression(QStringLiteral("^SAVEPOINT "))).size() > 0);
    for (const qint64 bytes : {0, 254, 4000})
        EXPECT_TRUE(textBytes.contains(bytes)) << bytes;
    EXPECT_FALSE(textBytes.contains(2));

    // And the store holds the texts as they were, no longer.
    EXPECT_EQ(rowsOf(store.connectionString(), "SELECT ItemLookupCode, LENGTH(Description), LENGTH(Notes), "
                                               "LENGTH(ExtendedDescription) FROM Item ORDER BY ItemLookupCode"),
              QStringList({"B-0127|3|127|2000", "B-2000|4|2000|0"}));
}

} // namespace

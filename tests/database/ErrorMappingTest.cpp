#include "TestStores.h"

#include "database/DriverWarnings.h"
#include "database/ErrorMapping.h"
#include "database/SqlStatements.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>

using namespace vxr;

namespace {

class ErrorMappingOnBackend : public test::BackendTest
{
protected:
    // Runs a statement (prepared when it has values to bind) and returns what
    // its failure maps to; 0 when it succeeded.
    qint32 execute(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery query(connection.database());
        if (values.isEmpty() ? query.exec(sql) : test::runBound(query, sql, values))
            return 0;
        const DbError error = dbErrorFrom(query, dialect());
        EXPECT_FALSE(error.description.isEmpty());
        return error.number;
    }
};

// A failed statement as Qt reports it: the database's text and native code.
QSqlError statementError(const char *text, const char *native)
{
    return QSqlError(QStringLiteral("Unable to execute statement"), QString::fromUtf8(text),
                     QSqlError::StatementError, QString::fromLatin1(native));
}

} // namespace

TEST_P(ErrorMappingOnBackend, ConstraintViolationsOfTheStore)
{
    const QString insert = QStringLiteral("INSERT INTO Item (ItemLookupCode, Description) VALUES (?, ?)");
    ASSERT_EQ(execute(insert, {QStringLiteral("A100"), QStringLiteral("")}), 0);
    EXPECT_EQ(execute(insert, {QStringLiteral("A100"), QStringLiteral("")}), ErrorNumbers::DuplicateKey);
    EXPECT_EQ(execute(insert, {QVariant(QMetaType::fromType<QString>()), QStringLiteral("")}),
              ErrorNumbers::ConstraintViolation);
    EXPECT_EQ(execute(insert, {QStringLiteral("A101"), QString(31, u'x')}), ErrorNumbers::ValueOutOfRange);
    EXPECT_EQ(execute(insert, {QStringLiteral("A102"), QString(30, u'x')}), 0);
    EXPECT_EQ(execute(QStringLiteral("SELEC nothing")), ErrorNumbers::StatementFailed);
}

// A server's type errors and a server that speaks another language (only
// the SQLSTATE tells a duplicate, and the log must still mark it as one);
// last, the server ends this session.
TEST_P(ErrorMappingOnBackend, TypeErrorsStatesAndALostConnectionOfAServer)
{
    if (backend() == test::StoreBackend::SQLite)
        GTEST_SKIP() << "SQLite stores any value in any column, reports no SQLSTATE and has no server to lose";
    EXPECT_EQ(execute(QStringLiteral("INSERT INTO Item (HQID) VALUES ('abc')")), ErrorNumbers::ConversionFailed);
    EXPECT_EQ(execute(QStringLiteral("INSERT INTO Item (HQID) VALUES (99999999999)")), ErrorNumbers::ValueOutOfRange);
    EXPECT_EQ(execute(QStringLiteral("INSERT INTO Item (LastSold) VALUES ('2003-02-31')")),
              ErrorNumbers::ValueOutOfRange);
    SqlStatements statements;
    statements.attach(connection.database(), dialect());
    try {
        statements.run(QStringLiteral("DO $$ BEGIN RAISE EXCEPTION USING ERRCODE = '23505', "
                                      "MESSAGE = 'doppelter Schlüsselwert'; END $$"),
                       {});
        ADD_FAILURE() << "the statement did not fail";
    } catch (const DbError &error) {
        EXPECT_EQ(error.number, ErrorNumbers::DuplicateKey) << error.description.toStdString();
    }
    statements.detach();
    execute(QStringLiteral("SELECT pg_terminate_backend(pg_backend_pid())"));
    EXPECT_EQ(execute(QStringLiteral("SELECT COUNT(*) FROM Item")), ErrorNumbers::ConnectionFailed);
}

VXR_ON_EVERY_BACKEND(ErrorMappingOnBackend);

TEST(ErrorMapping, SqlServerNumbersComeFirst)
{
    const struct { const char *native; const char *text; const char *state; qint32 expected; } rows[] = {
        {"2627", "[FreeTDS][SQL Server]Violation of PRIMARY KEY constraint", "23000", ErrorNumbers::DuplicateKey},
        {"515", "[FreeTDS][SQL Server]Cannot insert the value NULL", "23000", ErrorNumbers::ConstraintViolation},
        {"8152", "String or binary data would be truncated.", "22001", ErrorNumbers::ValueOutOfRange},
        {"245", "Conversion failed when converting", "22018", ErrorNumbers::ConversionFailed},
        // No SQL Server number: the SQLSTATE, and for the bare class 23000 the words.
        {"0", "Cannot insert duplicate key", "23000", ErrorNumbers::DuplicateKey},
        {"0", "Integrity constraint violation", "23000", ErrorNumbers::ConstraintViolation},
        {"0", "Communication link failure", "08S01", ErrorNumbers::ConnectionFailed},
        {"0", "Invalid object name 'Itme'.", "42S02", ErrorNumbers::StatementFailed},
    };
    for (const auto &row : rows) {
        const OdbcDiagnostics diagnostics{{QString::fromLatin1(row.state)}, {}};
        EXPECT_EQ(dbErrorFrom(statementError(row.text, row.native), Dialect::SqlServer, diagnostics).number,
                  row.expected)
            << row.text;
    }
}

TEST(ErrorMapping, StatesBeatTheWordsOfTheMessage)
{
    // psqlODBC's native number is 1 whatever happened; the SQLSTATE decides,
    // whatever language the server speaks.
    const QSqlError german = statementError("FEHLER: doppelter Schlüsselwert verletzt Unique-Constraint", "1");
    EXPECT_EQ(dbErrorFrom(german, Dialect::PostgreSQL, OdbcDiagnostics{{QStringLiteral("23505")}, {1}}).number,
              ErrorNumbers::DuplicateKey);
    EXPECT_EQ(dbErrorFrom(german, Dialect::PostgreSQL, OdbcDiagnostics{{QStringLiteral("22P02")}, {1}}).number,
              ErrorNumbers::ConversionFailed);
    // Newer Qt versions append the states to the database text.
    EXPECT_EQ(dbErrorFrom(statementError("FEHLER: Wert zu lang, 22001", "1"), Dialect::PostgreSQL).number,
              ErrorNumbers::ValueOutOfRange);
    // A value inside the message that looks like a SQLSTATE is not taken for one.
    const QSqlError zip = statementError("ERROR: duplicate key value violates unique constraint \"ux\"\n"
                                         "DETAIL: Key (zip)=(22001) already exists.",
                                         "1");
    EXPECT_EQ(dbErrorFrom(zip, Dialect::PostgreSQL).number, ErrorNumbers::DuplicateKey);
}

TEST(ErrorMapping, SqliteResultCodes)
{
    const struct { const char *code; const char *text; qint32 expected; } rows[] = {
        {"275", "CHECK constraint failed: Item.Description too long", ErrorNumbers::ValueOutOfRange},
        {"275", "CHECK constraint failed: positive_price", ErrorNumbers::ConstraintViolation},
        // Only the primary code: the message tells which constraint.
        {"19", "UNIQUE constraint failed: Alias.Alias", ErrorNumbers::DuplicateKey},
        {"19", "NOT NULL constraint failed: Alias.Alias", ErrorNumbers::ConstraintViolation},
        {"26", "file is not a database", ErrorNumbers::ConnectionFailed},
        {"1", "near \"SELEC\": syntax error", ErrorNumbers::StatementFailed},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(dbErrorFrom(statementError(row.text, row.code), Dialect::SQLite).number, row.expected) << row.text;
    }
    // A failure the driver reports without any code at all.
    EXPECT_EQ(dbErrorFrom(QSqlError(QStringLiteral("Driver not loaded"), QString(), QSqlError::ConnectionError),
                          Dialect::SQLite)
                  .number,
              ErrorNumbers::ConnectionFailed);
}

namespace {

QStringList shownMessages;

void recordMessage(QtMsgType, const QMessageLogContext &, const QString &text)
{
    shownMessages << text;
}

TEST(DriverWarnings, TheOdbcDriversWarningsAreDroppedAndEverythingElsePassesOn)
{
    const QtMessageHandler before = qInstallMessageHandler(recordMessage);
    vxr::quietDriverWarnings();
    qWarning("QODBCResult::exec: Unable to execute statement: \"server closed the connection\"");
    qWarning("QODBCDriver::commit: Unable to commit transaction");
    qWarning("QSqlDatabase: a real problem");
    qInfo("QODBCResult:: as information");
    qInstallMessageHandler(before);
    EXPECT_EQ(shownMessages, QStringList({"QSqlDatabase: a real problem", "QODBCResult:: as information"}));
}

} // namespace

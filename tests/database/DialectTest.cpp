// What each backend's dialect says: the statements of transactions and
// savepoints, the insert that gives back the new ID, the statement limits,
// and how far a failure reaches. SQL Server has no server here: its
// statement texts are checked as text.

#include "database/ColumnKinds.h"
#include "database/ErrorMapping.h"
#include "database/PreparedStatement.h"
#include "database/QtPreparedStatement.h"
#include "database/SqlDialect.h"
#include "database/SqlServerDialect.h"
#include "database/SqlitePreparedStatement.h"

#include "TestStores.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

using namespace vxr;

namespace {

TEST(Dialect, TransactionAndSavepointStatements)
{
    const struct { Dialect kind; const char *begin; const char *commit; const char *savepoint; const char *rollbackTo;
                   const char *release; } rows[] = {
        {Dialect::SQLite, "BEGIN IMMEDIATE", "COMMIT", "SAVEPOINT s", "ROLLBACK TO SAVEPOINT s", "RELEASE SAVEPOINT s"},
        {Dialect::PostgreSQL, "BEGIN", "COMMIT", "SAVEPOINT s", "ROLLBACK TO SAVEPOINT s", "RELEASE SAVEPOINT s"},
        {Dialect::SqlServer, "BEGIN TRANSACTION", "COMMIT TRANSACTION", "SAVE TRANSACTION s",
         "ROLLBACK TRANSACTION s", ""},
        {Dialect::OtherOdbc, "BEGIN", "COMMIT", "SAVEPOINT s", "ROLLBACK TO SAVEPOINT s", "RELEASE SAVEPOINT s"},
    };
    for (const auto &row : rows) {
        const SqlDialect &d = sqlDialect(row.kind);
        EXPECT_EQ(d.kind(), row.kind);
        EXPECT_EQ(d.beginTransactionSql(), QLatin1String(row.begin));
        EXPECT_EQ(d.commitSql(), QLatin1String(row.commit));
        EXPECT_EQ(d.savepointSql("s"), QLatin1String(row.savepoint));
        EXPECT_EQ(d.rollbackToSavepointSql("s"), QLatin1String(row.rollbackTo));
        EXPECT_EQ(d.releaseSavepointSql("s"), QLatin1String(row.release));
    }
    // Only SQL Server is asked whether a failure ended the transaction; on
    // PostgreSQL even a look-up needs a savepoint.
    EXPECT_EQ(sqlDialect(Dialect::SqlServer).transactionAliveSql(), "SELECT @@TRANCOUNT");
    EXPECT_TRUE(sqlDialect(Dialect::PostgreSQL).failedStatementAbortsTransaction());
    EXPECT_FALSE(sqlDialect(Dialect::SQLite).failedStatementAbortsTransaction());
}

TEST(Dialect, InsertsGiveBackTheNewIdAsTheBackendCan)
{
    // SQL Server: SCOPE_IDENTITY() for one row, and for many rows OUTPUT into
    // a table variable, since a table with a trigger refuses OUTPUT alone; a
    // row whose ID does not come back fails the statement.
#define NoIdThrown "; IF @@ERROR = 0 BEGIN IF SCOPE_IDENTITY() IS NULL THROW 59001, N'No new ID', 1; "
#define NoIdsThrown "; IF @@ERROR = 0 BEGIN IF EXISTS (SELECT 1 FROM @added WHERE ID IS NULL OR ID <= 0) " \
                    "THROW 59001, N'No new ID', 1; SELECT ID, Returned FROM @added END"
    const QStringList columns = {"Name", "Code"};
    const ColumnType code{"\"Code\"", TypeCodes::VarWChar, 25};
    const ColumnType customer{"CustomerID", TypeCodes::Integer, 4};
    const struct { Dialect kind; QStringList columns; ColumnType returned; const char *single; const char *multi; }
            rows[] = {
        {Dialect::SqlServer, columns, code,
         "INSERT INTO T (Name, Code) VALUES (?, ?)" NoIdThrown "SELECT CAST(SCOPE_IDENTITY() AS int) END",
         "DECLARE @added TABLE (ID int, Returned nvarchar(25)); INSERT INTO T (Name, Code) OUTPUT INSERTED.ID, "
         "INSERTED.\"Code\" INTO @added (ID, Returned) VALUES (?, ?), (?, ?)" NoIdsThrown},
        {Dialect::SqlServer, {"Balance"}, customer, nullptr,
         "DECLARE @added TABLE (ID int, Returned int); INSERT INTO T (Balance) OUTPUT INSERTED.ID, "
         "INSERTED.CustomerID INTO @added (ID, Returned) VALUES (?), (?)" NoIdsThrown},
        {Dialect::SqlServer, {}, {}, "INSERT INTO T DEFAULT VALUES" NoIdThrown "SELECT CAST(SCOPE_IDENTITY() AS int) END",
         nullptr},
        {Dialect::SqlServer, columns, {}, nullptr, "INSERT INTO T (Name, Code) VALUES (?, ?), (?, ?)"},
        {Dialect::PostgreSQL, columns, code, "INSERT INTO T (Name, Code) VALUES (?, ?) RETURNING ID",
         "INSERT INTO T (Name, Code) VALUES (?, ?), (?, ?) RETURNING ID, \"Code\""},
        {Dialect::OtherOdbc, columns, {}, "INSERT INTO T (Name, Code) VALUES (?, ?)",
         "INSERT INTO T (Name, Code) VALUES (?, ?), (?, ?)"},
    };
    for (const auto &row : rows) {
        const SqlDialect &d = sqlDialect(row.kind);
        if (row.single) {
            EXPECT_EQ(d.insertSql(d.newIdSource({}), "T", row.columns), QLatin1String(row.single));
        }
        if (row.multi) {
            EXPECT_EQ(d.multiRowInsertSql(d.newIdSource({}), "T", row.columns, 2, row.returned, {}),
                      QLatin1String(row.multi));
        }
    }
    EXPECT_EQ(sqlDialect(Dialect::SQLite).updateSql("T", columns), "UPDATE T SET Name = ?, Code = ? WHERE ID = ?");

    // SQL Server's 2,100 parameters less the 3 of the driver's sp_prepexec.
    const SqlDialect &server = sqlDialect(Dialect::SqlServer);
    EXPECT_EQ(server.maxParameters(), 2097);
    EXPECT_EQ(server.rowsPerStatement(15), 139); // Supplier: 140 rows were 2,100 values
    EXPECT_EQ(server.rowsPerStatement(1), 1000);
    // SQLite: a few hundred values a statement, whatever it could take.
    EXPECT_EQ(sqlDialect(Dialect::SQLite).rowsPerStatement(60), 8);
    EXPECT_EQ(sqlDialect(Dialect::SQLite).rowsPerStatement(2), 250);
}

TEST(Dialect, PostgreSqlLeavesFailedStatementsToTheImport)
{
    // psqlODBC must neither roll back the whole transaction nor wrap every
    // statement in a savepoint of its own: its option is added, or replaces
    // the operator's.
    const SqlDialect &postgres = sqlDialect(Dialect::PostgreSQL);
    EXPECT_EQ(postgres.openedDatabaseName("Driver={PostgreSQL Unicode};Server=h;"),
              "Driver={PostgreSQL Unicode};Server=h;Protocol=7.4-0");
    EXPECT_EQ(postgres.openedDatabaseName("Driver={PostgreSQL Unicode};Server=h"),
              "Driver={PostgreSQL Unicode};Server=h;Protocol=7.4-0");
    const QString replaced = postgres.openedDatabaseName("DSN=shop;Protocol=7.4-1;Pwd={a;b}");
    EXPECT_FALSE(replaced.contains("7.4-1"));
    EXPECT_TRUE(replaced.endsWith(";Protocol=7.4-0"));
    EXPECT_TRUE(replaced.contains("Pwd={a;b}")) << replaced.toStdString();
    EXPECT_EQ(sqlDialect(Dialect::SqlServer).openedDatabaseName("DSN=x"), "DSN=x");
}

// Qt's SQLite driver here uses the SQLite library the program calls, so the
// inserts bind through the library itself; and a statement stepped past its
// end is not run again.
TEST(Dialect, SqliteStatementsRunThroughTheLibraryOnQtsConnection)
{
    const test::SqliteFile memory(":memory:");
    QSqlDatabase db = memory.database();
    ASSERT_NE(SqlitePreparedStatement::handleOf(db), nullptr);
    QSqlQuery(db).exec("CREATE TABLE t (v INTEGER)");
    const auto insert = sqlDialect(Dialect::SQLite).prepare(db, "INSERT INTO t (v) VALUES (?), (?)", nullptr);
    insert->execute({1, 2});
    EXPECT_FALSE(insert->next());
    EXPECT_FALSE(insert->next());
    insert->finish();
    const auto count = sqlDialect(Dialect::SQLite).prepare(db, "SELECT COUNT(*), SUM(v) FROM t", nullptr);
    count->execute({});
    ASSERT_TRUE(count->next());
    EXPECT_EQ(count->value(0).toInt(), 2);
    EXPECT_EQ(count->value(1).toInt(), 3);

    // Texts of every width, bound side by side in one statement and run
    // twice (the second run longer than the first), come back as they
    // went in; a lone surrogate is stored as U+FFFD.
    QSqlQuery(db).exec("CREATE TABLE texts (n INTEGER, v TEXT)");
    const QString texts[] = {"", "plain", QString::fromUtf8("Café crème"), QString::fromUtf8("日本語の品名"),
                             QString::fromUtf8("Seeds\xF0\x9F\x8C\xB1 & more"), QString(QChar(0xD800)) + "x"};
    const auto add = sqlDialect(Dialect::SQLite).prepare(db, "INSERT INTO texts (n, v) VALUES (?, ?), (?, ?), "
                                                             "(?, ?), (?, ?), (?, ?), (?, ?)", nullptr);
    for (const QString &tail : {QString(), QString(40, u'z')}) {
        QVariantList values;
        for (int i = 0; i < 6; ++i)
            values << i << texts[i] + tail;
        add->execute(values);
        add->finish();
        const auto read = sqlDialect(Dialect::SQLite).prepare(db, "SELECT n, v FROM texts ORDER BY n", nullptr);
        read->execute({});
        for (int i = 0; i < 6; ++i) {
            ASSERT_TRUE(read->next());
            const QString expected = i == 5 ? QString(QChar::ReplacementCharacter) + "x" + tail : texts[i] + tail;
            EXPECT_EQ(read->value(1).toString(), expected) << i;
        }
        read->finish();
        QSqlQuery(db).exec("DELETE FROM texts");
    }
}

// A driver with a SQLite of its own (Qt's on Windows, as a rule) reports
// another version or another build of the same version: its connection is
// then left to Qt's binding, never driven with the program's library.
TEST(Dialect, SqliteStatementsGoThroughQtWhenTheDriverHasAnotherLibrary)
{
    for (const char *reported : {"sqlite_version", "sqlite_source_id"}) {
        SCOPED_TRACE(reported);
        {
            const test::SqliteFile memory(":memory:");
            QSqlDatabase db = memory.database();
            sqlite3 *handle = *static_cast<sqlite3 *const *>(db.driver()->handle().constData());
            const auto another = [](sqlite3_context *context, int, sqlite3_value **) {
                sqlite3_result_text(context, "3.0.0 another build", -1, SQLITE_STATIC);
            };
            ASSERT_EQ(sqlite3_create_function_v2(handle, reported, 0, SQLITE_UTF8, nullptr, another, nullptr, nullptr,
                                                 nullptr),
                      SQLITE_OK);
            EXPECT_EQ(SqlitePreparedStatement::handleOf(db), nullptr);
            const auto select = sqlDialect(Dialect::SQLite).prepare(db, "SELECT 1 + ?", nullptr);
            EXPECT_NE(dynamic_cast<QtPreparedStatement *>(select.get()), nullptr);
            select->execute({41});
            ASSERT_TRUE(select->next());
            EXPECT_EQ(select->value(0).toInt(), 42);
            select->finish();
        }
    }
}

QSqlError statementError(const QString &text, const QString &native)
{
    return QSqlError(QString(), text, QSqlError::StatementError, native);
}

TEST(Dialect, HowFarAFailureReaches)
{
    const struct { Dialect kind; const char *text; const char *code; const char *state; int native; qint32 number;
                   FailureScope scope; } rows[] = {
        // SQLite: a full disk, I/O, a lock past the time-out end the run; a constraint is the line's.
        {Dialect::SQLite, "database or disk is full", "13", "", 0, ErrorNumbers::ConnectionFailed, FailureScope::Run},
        {Dialect::SQLite, "disk I/O error", "778", "", 0, ErrorNumbers::ConnectionFailed, FailureScope::Run},
        {Dialect::SQLite, "database is locked", "5", "", 0, ErrorNumbers::ConnectionFailed, FailureScope::Run},
        {Dialect::SQLite, "interrupted", "9", "", 0, ErrorNumbers::OperationCancelled, FailureScope::Cancel},
        {Dialect::SQLite, "UNIQUE constraint failed", "2067", "", 0, ErrorNumbers::DuplicateKey, FailureScope::Line},
        // ODBC: the SQLSTATE of a lost connection, a driver out of step, a cancelled statement.
        {Dialect::PostgreSQL, "could not connect", "", "08006", 1, ErrorNumbers::ConnectionFailed,
         FailureScope::Run},
        {Dialect::PostgreSQL, "function sequence error", "", "HY010", 0, ErrorNumbers::StatementFailed,
         FailureScope::Run},
        {Dialect::PostgreSQL, "canceling statement due to user request", "", "57014", 1,
         ErrorNumbers::OperationCancelled, FailureScope::Cancel},
        {Dialect::PostgreSQL, "server closed the connection unexpectedly", "", "S1000", 1,
         ErrorNumbers::ConnectionFailed, FailureScope::Run},
        {Dialect::PostgreSQL, "value too long", "", "22001", 1, ErrorNumbers::ValueOutOfRange, FailureScope::Line},
        // A deadlock victim's batch is written again (transient, below).
        {Dialect::PostgreSQL, "deadlock detected", "", "40P01", 1, ErrorNumbers::StatementFailed,
         FailureScope::Run},
        {Dialect::PostgreSQL, "canceling statement due to lock timeout", "", "55P03", 1,
         ErrorNumbers::StatementFailed, FailureScope::Line},
        {Dialect::SqlServer, "Transaction was deadlocked", "", "40001", 1205, ErrorNumbers::StatementFailed,
         FailureScope::Run},
        {Dialect::SqlServer, "Operation canceled", "", "HY008", 0, ErrorNumbers::OperationCancelled,
         FailureScope::Cancel},
        {Dialect::SqlServer, "Violation of PRIMARY KEY", "", "23000", 2627, ErrorNumbers::DuplicateKey,
         FailureScope::Line},
    };
    for (const auto &row : rows) {
        OdbcDiagnostics diagnostics;
        if (*row.state) {
            diagnostics.sqlStates = {QString::fromLatin1(row.state)};
            diagnostics.nativeErrors = {row.native};
        }
        const DbError error = sqlDialect(row.kind).errorFrom(statementError(row.text, row.code), diagnostics);
        EXPECT_EQ(error.number, row.number) << row.text;
        EXPECT_EQ(error.scope, row.scope) << row.text;
        EXPECT_EQ(error.transient, QByteArray(row.state).startsWith("40")) << row.text;
    }
}

// SQL Server's conditions that need words of their own: the log or a
// filegroup full ends the run as a full disk does; the others fail the line
// and say what to do, after the server's own text.
TEST(Dialect, SqlServerConditionsSayWhatToDo)
{
    const struct { int native; const char *state; qint32 number; FailureScope scope; const char *words; } rows[] = {
        {9002, "S1000", ErrorNumbers::ConnectionFailed, FailureScope::Run, "transaction log is full"},
        {1105, "S1000", ErrorNumbers::ConnectionFailed, FailureScope::Run, "filegroup"},
        {334, "42000", ErrorNumbers::StatementFailed, FailureScope::Line, "trigger"},
        {402, "42000", ErrorNumbers::StatementFailed, FailureScope::Line, "ntext"},
        {8003, "42000", ErrorNumbers::StatementFailed, FailureScope::Line, "--batch 1"},
        {208, "42S02", ErrorNumbers::StatementFailed, FailureScope::Line, "default schema"},
        {59001, "42000", ErrorNumbers::StatementFailed, FailureScope::Run, "INSTEAD OF trigger"}, // no new ID
        {9002, "HY008", ErrorNumbers::OperationCancelled, FailureScope::Cancel, ""}, // a cancel stays one
    };
    for (const auto &row : rows) {
        OdbcDiagnostics diagnostics;
        diagnostics.sqlStates = {QString::fromLatin1(row.state)};
        diagnostics.nativeErrors = {row.native};
        const DbError error = sqlDialect(Dialect::SqlServer).errorFrom(statementError("Server text.", ""), diagnostics);
        EXPECT_EQ(error.number, row.number) << row.native;
        EXPECT_EQ(error.scope, row.scope) << row.native;
        EXPECT_TRUE(error.description.startsWith(QLatin1String("Server text.")));
        EXPECT_TRUE(error.description.contains(QLatin1String(row.words))) << error.description.toStdString();
    }
    // The native number as Qt's driver gives it, without the driver manager's list.
    EXPECT_EQ(sqlDialect(Dialect::SqlServer).errorFrom(statementError("Log full", "9002"), {}).scope, FailureScope::Run);
}

// The lock for adding references: none where the transaction holds the
// whole store (SQLite) or nothing is known of the source; on SQL Server an
// application lock whose return value decides.
TEST(Dialect, TheLockForAddingReferences)
{
    EXPECT_TRUE(sqlDialect(Dialect::SQLite).referenceLockSql().isEmpty());
    EXPECT_TRUE(sqlDialect(Dialect::OtherOdbc).referenceLockSql().isEmpty());
    const SqlDialect &server = sqlDialect(Dialect::SqlServer);
    EXPECT_EQ(server.referenceLockSql(),
              "DECLARE @granted int; EXEC @granted = sp_getapplock @Resource = N'VXR-refs', @LockMode = 'Exclusive', "
              "@LockOwner = 'Transaction'; SELECT @granted");
    const struct { QVariant result; bool refused; qint32 number; FailureScope scope; } rows[] = {
        {0, false, 0, FailureScope::Line},  // granted at once
        {1, false, 0, FailureScope::Line},  // granted after a wait
        {-1, true, ErrorNumbers::StatementFailed, FailureScope::Line}, // the lock time-out
        {-2, true, ErrorNumbers::OperationCancelled, FailureScope::Cancel},
        {-3, true, ErrorNumbers::StatementFailed, FailureScope::Run},  // a deadlock victim, as error 1205
        {-999, true, ErrorNumbers::StatementFailed, FailureScope::Line},
        {QVariant(), true, ErrorNumbers::StatementFailed, FailureScope::Line}, // no row came back
    };
    for (const auto &row : rows) {
        const std::optional<DbError> refused = server.referenceLockRefusal(row.result);
        ASSERT_EQ(refused.has_value(), row.refused) << row.result.toString().toStdString();
        if (refused) {
            EXPECT_EQ(refused->number, row.number) << row.result.toString().toStdString();
            EXPECT_EQ(refused->scope, row.scope) << row.result.toString().toStdString();
            EXPECT_EQ(refused->transient, row.result == QVariant(-3)); // the batch is tried again
        }
    }
}

} // namespace

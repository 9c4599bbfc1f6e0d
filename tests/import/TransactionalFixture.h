#pragma once

// The fixture of the run tests on real stores under faults: a store of each
// backend, a file of items, and a way to request a cancel from inside a
// statement of the run.

#include "ImportFixture.h"

#include "database/CancelToken.h"
#include "database/StoreSchema.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDriver>
#include <QThread>

#include <sqlite3.h>

#include <atomic>
#include <thread>

using namespace vxr;
using namespace vxr::test;

namespace vxr::test {


class TransactionalRunTest : public ImportFixture
{
protected:
    ImportRequest request(const QString &path, RunMode mode = RunMode::Batches)
    {
        ImportRequest r = requestFor(ItemTable, path);
        r.mode = mode;
        return r;
    }

    QStringList itemCodes() { return query("SELECT ItemLookupCode FROM Item ORDER BY ItemLookupCode"); }

    // A run of the file (item lines, key first) that stopped lost no line:
    // each is in exactly one of the counts, the reject file holds exactly the
    // failed and not reached ones, and the store exactly the keys of the others.
    void expectNoLineLost(const ImportSummary &s, const QByteArray &file)
    {
        QList<QByteArray> lines = file.split('\n');
        lines.removeLast();
        EXPECT_EQ(s.rowsAdded + s.rowsUpdated + s.rolledBackAdded + s.rolledBackUpdated + s.linesSkipped
                          + s.linesFailed + s.linesNotReached,
                  lines.size());
        EXPECT_EQ(s.linesRead + s.linesNotReached, lines.size());
        QList<QByteArray> rejected = readTestFile(s.rejectPath).split('\n');
        rejected.removeLast();
        EXPECT_EQ(rejected.size(), s.linesFailed + s.linesNotReached);
        for (const QByteArray &line : rejected)
            EXPECT_TRUE(lines.removeOne(line)) << "rejected but not in the file, or twice: " << line.toStdString();
        QStringList kept;
        for (const QByteArray &line : std::as_const(lines))
            if (!line.trimmed().isEmpty())
                kept.append(QString::fromLatin1(line.left(line.indexOf(','))));
        kept.removeDuplicates();
        kept.sort();
        EXPECT_EQ(itemCodes(), kept);
        EXPECT_EQ(s.rowsAdded, kept.size());
    }

    // Has each insert into the table whose row meets the condition do what
    // the SQL says, on the run's connection (SQLite: a trigger of that
    // connection alone, which may call request_cancel()). On PostgreSQL the
    // trigger is deferred to the commit when constraint is set.
    void onInsert(const QString &table, const QString &condition, const QString &plpgsql, bool constraint = false)
    {
        if (backend() == StoreBackend::SQLite) {
            exec("DROP TRIGGER IF EXISTS temp.on_insert_" + table);
            exec(QStringLiteral("CREATE TEMP TRIGGER on_insert_%1 AFTER INSERT ON main.%1 WHEN %2 BEGIN %3; END")
                         .arg(table, condition, plpgsql));
            return;
        }
        exec("DROP TRIGGER IF EXISTS on_insert ON " + table);
        exec("CREATE OR REPLACE FUNCTION on_insert_" + table + "() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
             + plpgsql + "; RETURN NULL; END $$");
        exec(QStringLiteral("CREATE %1 TRIGGER on_insert AFTER INSERT ON %2 %3 FOR EACH ROW WHEN (%4) "
                            "EXECUTE FUNCTION on_insert_%2()")
                     .arg(constraint ? "CONSTRAINT" : "", table, constraint ? "DEFERRABLE INITIALLY DEFERRED" : "",
                          condition));
    }

    // A second connection to the same database, as another program has one.
    std::unique_ptr<DbConnection> otherConnection()
    {
        auto other = std::make_unique<DbConnection>();
        DbError error;
        EXPECT_TRUE(other->open(connectionString(), &error)) << error.description.toStdString();
        return other;
    }

    // PostgreSQL: the server ends every other connection to the database.
    static void endOtherConnections(DbConnection &admin)
    {
        const QString others = "FROM pg_stat_activity WHERE datname = current_database() AND pid <> pg_backend_pid()";
        QSqlQuery kill(admin.database());
        EXPECT_TRUE(kill.exec("SELECT pg_terminate_backend(pid) " + others));
        for (int attempt = 0; attempt < 100; ++attempt) {
            if (kill.exec("SELECT COUNT(*) " + others) && kill.next() && kill.value(0).toInt() == 0)
                break;
            QThread::msleep(20);
        }
    }

    // SQLite: request_cancel() in a statement of the run's connection
    // requests the cancel there and then.
    void defineRequestCancel(CancelToken &cancel)
    {
        sqlite3 *store = *static_cast<sqlite3 *const *>(connection.database().driver()->handle().constData());
        const auto request = [](sqlite3_context *context, int, sqlite3_value **) {
            static_cast<CancelToken *>(sqlite3_user_data(context))->request();
        };
        ASSERT_EQ(sqlite3_create_function_v2(store, "request_cancel", 0, SQLITE_UTF8, &cancel, request, nullptr,
                                             nullptr, nullptr),
                  SQLITE_OK);
    }
};

} // namespace vxr::test

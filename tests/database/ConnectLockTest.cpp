// A store another program is writing to when the import connects: the
// connection's first statements (switching the store to its write-ahead
// log) wait for the lock like any other, up to the connection's time-out,
// and give way to a cancel. A store's file is opened only where it is,
// whatever its name holds, and never made anew.

#include "TestStores.h"

#include "database/CancelToken.h"
#include "database/DbConnection.h"
#include "database/SqliteDialect.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QProcess>
#include <QThread>

#include <thread>

using namespace vxr;
using namespace vxr::test;

namespace {

TEST(ConnectLock, AConnectWaitsForAnotherProgramsLockUpToItsTimeOut)
{
    const struct { double holdSeconds; int timeoutSeconds; bool cancel; const char *failure; int minMs, maxMs; } cases[] = {
        {1.5, 5, false, nullptr, 1200, 4000},
        {3, 1, false, "is locked by another program and stayed locked for the 1 second(s)", 900, 2500},
        {3, 60, true, "Cancelled while another program held a lock", 250, 1500},
    };
    for (const auto &c : cases) {
        // A fresh store is still in rollback-journal mode: switching it to
        // the write-ahead log needs the lock the other program holds.
        TempSqliteStore store;
        ASSERT_TRUE(store.isValid()) << store.error().toStdString();
        QProcess holder;
        holder.start("python3", {"-c",
                                 "import sqlite3, sys, time\n"
                                 "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                 "c.execute('BEGIN IMMEDIATE')\n"
                                 "c.execute(\"INSERT INTO Department (Name) VALUES ('held')\")\n"
                                 "print('locked', flush=True)\n"
                                 "time.sleep(float(sys.argv[2]))\n"
                                 "c.execute('COMMIT')\n",
                                 store.path(), QString::number(c.holdSeconds)});
        ASSERT_TRUE(holder.waitForReadyRead(10000)) << holder.readAllStandardError().toStdString();

        CancelToken cancel;
        std::thread canceller([&] {
            QThread::msleep(300);
            if (c.cancel)
                cancel.request();
        });
        QElapsedTimer clock;
        clock.start();
        DbConnection connection;
        DbError error;
        const bool opened = connection.open(store.connectionString(), &error, c.timeoutSeconds, &cancel);
        const qint64 waited = clock.elapsed();
        canceller.join();

        EXPECT_EQ(opened, c.failure == nullptr) << error.description.toStdString();
        if (c.failure) {
            EXPECT_TRUE(error.description.contains(c.failure)) << error.description.toStdString();
        }
        EXPECT_EQ(error.scope, c.cancel ? FailureScope::Cancel : FailureScope::Line);
        EXPECT_GE(waited, c.minMs);
        EXPECT_LT(waited, c.maxMs);
        connection.close();
        holder.kill();
        holder.waitForFinished();
    }
}

// Names a URI would read otherwise open their own file; a file moved away
// after it was found (another program, or a share gone) fails the open
// instead of leaving an empty database in its place.
TEST(ConnectLock, AStoreIsOpenedWhereItIsAndNeverMadeAnew)
{
    TempSqliteStore store;
    ASSERT_TRUE(store.isValid()) << store.error().toStdString();
    const QDir folder = QFileInfo(store.path()).dir();
    const QStringList names{"with space.db", "100%25.db", "what?.db", "#1.db", QString::fromUtf8("Caf\xc3\xa9.db")};
    for (const QString &name : names) {
        const QString path = folder.filePath(name);
        ASSERT_TRUE(QFile::copy(store.path(), path)) << name.toStdString();
        const QStringList before = folder.entryList(QDir::Files);
        DbConnection connection;
        DbError error;
        ASSERT_TRUE(connection.open("Provider=SQLite;Data Source=" + path, &error)) << error.description.toStdString();
        QSqlQuery query(connection.database());
        EXPECT_TRUE(query.exec("SELECT COUNT(*) FROM Item") && query.next()) << name.toStdString();
        query.finish();
        query = QSqlQuery();
        connection.close();
        EXPECT_EQ(folder.entryList(QDir::Files), before) << name.toStdString();
    }

    const QString gone = folder.filePath("gone.db");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "gone");
        db.setConnectOptions("QSQLITE_OPEN_URI");
        db.setDatabaseName(SqliteDialect::existingFileUri(gone));
        EXPECT_FALSE(db.open());
    }
    QSqlDatabase::removeDatabase("gone");
    EXPECT_FALSE(QFile::exists(gone));
}

} // namespace

#include "Commands.h"
#include "Console.h"

#include "database/DbConnection.h"
#include "database/DbError.h"
#include "import/Journal.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>

namespace vxr::cli {

namespace {

// The store's runs, oldest first.
QString runList(const Journal &journal, const QString &storeIdentity, QString *error)
{
    QSqlQuery query(journal.database());
    query.prepare(QStringLiteral("SELECT Id, Started, TableName, Added, Updated, Outcome, Undone, FilePath FROM Run"
                                 " WHERE COALESCE(?, '') = '' OR StoreIdentity = ? ORDER BY Id"));
    query.addBindValue(storeIdentity);
    query.addBindValue(storeIdentity);
    if (!query.exec()) {
        *error = query.lastError().text();
        return {};
    }
    QString text = QStringLiteral("%1  %2  %3 %4 %5  %6  %7  %8\n")
                           .arg(QStringLiteral("Run"), 5)
                           .arg(QStringLiteral("Started"), -20)
                           .arg(QStringLiteral("Table"), -18)
                           .arg(QStringLiteral("Added"), 8)
                           .arg(QStringLiteral("Updated"), 8)
                           .arg(QStringLiteral("Outcome"), -9)
                           .arg(QStringLiteral("Undone"), -20)
                           .arg(QStringLiteral("File"));
    int rows = 0;
    while (query.next()) {
        ++rows;
        const QString undone = query.value(6).isNull() ? QStringLiteral("no") : query.value(6).toString();
        text += QStringLiteral("%1  %2  %3 %4 %5  %6  %7  %8\n")
                        .arg(query.value(0).toString(), 5)
                        .arg(query.value(1).toString(), -20)
                        .arg(query.value(2).toString(), -18)
                        .arg(query.value(3).toString(), 8)
                        .arg(query.value(4).toString(), 8)
                        .arg(query.value(5).toString(), -9)
                        .arg(undone, -20)
                        .arg(QDir::toNativeSeparators(query.value(7).toString()));
    }
    if (rows == 0)
        return QStringLiteral("No runs of this store are journaled in %1.\n")
                .arg(QDir::toNativeSeparators(journal.path()));
    return text;
}

// Batches a killed run left prepared are settled before the runs are shown.
bool settleFromStore(Journal &journal, const QString &connectionString)
{
    DbConnection store;
    DbError dbError;
    if (!store.open(connectionString, &dbError)) {
        printError(QStringLiteral("cannot connect to the database: %1 (error %2)")
                           .arg(dbError.description)
                           .arg(dbError.number));
        return false;
    }
    QString error;
    const bool settled = journal.settle(store.database(), &error) >= 0;
    if (!settled)
        printError(QStringLiteral("the journal's unfinished batches cannot be settled: %1").arg(error));
    store.close();
    return settled;
}

int forget(Journal &journal, const CliArguments &arguments)
{
    QString error;
    const int forgotten = arguments.forgetRun > 0
            ? journal.forgetRun(arguments.forgetRun, &error)
            : journal.forgetBefore(
                      QDate::fromString(arguments.forgetBefore, Qt::ISODate).startOfDay(QTimeZone::utc()), &error);
    if (forgotten < 0) {
        printError(QStringLiteral("the journal %1 cannot be changed: %2")
                           .arg(QDir::toNativeSeparators(journal.path()), error));
        return ExitFailed;
    }
    printOut(QStringLiteral("%1 run(s) removed from the journal %2.\n")
                     .arg(forgotten)
                     .arg(QDir::toNativeSeparators(journal.path())));
    return ExitAllStored;
}

} // namespace

int runRuns(const CliArguments &arguments)
{
    const QString identity =
            arguments.connectionString.isEmpty() ? QString() : Journal::storeIdentity(arguments.connectionString);
    const QString path = arguments.journalPath.isEmpty() ? Journal::defaultPath(identity)
                                                         : QFileInfo(arguments.journalPath).absoluteFilePath();
    if (!QFileInfo::exists(path)) {
        printOut(QStringLiteral("No runs are journaled: there is no journal %1.\n").arg(QDir::toNativeSeparators(path)));
        return ExitAllStored;
    }
    QString error;
    std::optional<Journal> journal = Journal::open(path, &error);
    if (!journal) {
        printError(QStringLiteral("the journal %1 cannot be opened: %2").arg(QDir::toNativeSeparators(path), error));
        return ExitFailed;
    }
    if (!arguments.connectionString.isEmpty() && !settleFromStore(*journal, arguments.connectionString))
        return ExitFailed;
    if (arguments.forgetRun > 0 || !arguments.forgetBefore.isEmpty())
        return forget(*journal, arguments);
    const QString list = runList(*journal, identity, &error);
    if (!error.isEmpty()) {
        printError(QStringLiteral("the journal %1 cannot be read: %2").arg(QDir::toNativeSeparators(path), error));
        return ExitFailed;
    }
    printOut(list);
    return ExitAllStored;
}

} // namespace vxr::cli

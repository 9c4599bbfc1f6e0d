#include "Commands.h"
#include "Console.h"

#include "database/DbConnection.h"
#include "database/DbError.h"
#include "import/Journal.h"
#include "import/JournalRuns.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTimeZone>

namespace vxr::cli {

namespace {

// The store's runs, oldest first.
QString runList(const Journal &journal, const QString &storeIdentity, QString *error)
{
    const QList<JournalRun> runs = journalRuns(journal.database(), storeIdentity, error);
    if (!error->isEmpty())
        return {};
    if (runs.isEmpty())
        return QStringLiteral("No runs of this store are journaled in %1.\n")
                .arg(QDir::toNativeSeparators(journal.path()));
    const auto line = [](const QString &id, const QString &started, const QString &table, const QString &added,
                         const QString &updated, const QString &outcome, const QString &undone, const QString &file) {
        return QStringLiteral("%1  %2  %3 %4 %5  %6  %7  %8\n")
                .arg(id, 5)
                .arg(started, -20)
                .arg(table, -18)
                .arg(added, 8)
                .arg(updated, 8)
                .arg(outcome, -9)
                .arg(undone, -20)
                .arg(file);
    };
    QString text = line(QStringLiteral("Run"), QStringLiteral("Started"), QStringLiteral("Table"),
                        QStringLiteral("Added"), QStringLiteral("Updated"), QStringLiteral("Outcome"),
                        QStringLiteral("Undone"), QStringLiteral("File"));
    for (const JournalRun &run : runs)
        text += line(QString::number(run.id), run.started, run.tableName, QString::number(run.added),
                     QString::number(run.updated), run.outcome, run.isUndone() ? run.undone : QStringLiteral("no"),
                     QDir::toNativeSeparators(run.filePath));
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

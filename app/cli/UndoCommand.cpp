// vxrimp undo: takes a journaled run back out of its store, or says why not.

#include "UndoCommand.h"

#include "Commands.h"
#include "Console.h"

#include "database/DbConnection.h"
#include "import/Journal.h"
#include "import/Undo.h"
#include "import/UndoReport.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace vxr::cli {

namespace {

const QString UndoUsage = QStringLiteral(
        "vxrimp undo --connect STRING (--run ID | --last) [--journal PATH] [--dry-run]\n"
        "  takes a run back out of the store: deletes the rows it added and gives the rows it updated\n"
        "  their previous values, in one transaction, after checking that no row has moved on since\n"
        "  --run ID          the run (see vxrimp runs); --last: the newest run of the store not undone\n"
        "  --journal PATH    the store's journal (default: the per-user data folder's journal of the store)\n"
        "  --dry-run         say what the undo would do, and what keeps it from being done, changing nothing\n"
        "Exit status: 0 taken back (or would be), 1 the store has moved on: nothing changed, the conflicts\n"
        "printed and written as CSV beside the journal, 2 nothing to take back or a failure.\n");

struct UndoArguments
{
    QString connect;
    QString journal;
    qint64 runId = 0;
    bool dryRun = false;
    bool help = false;
};

QString parse(const QStringList &arguments, UndoArguments &parsed)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(QCommandLineOption(QStringLiteral("connect"), QString(), QStringLiteral("STRING")));
    parser.addOption(QCommandLineOption(QStringLiteral("run"), QString(), QStringLiteral("ID")));
    parser.addOption(QCommandLineOption(QStringLiteral("journal"), QString(), QStringLiteral("PATH")));
    parser.addOption(QCommandLineOption(QStringLiteral("last")));
    parser.addOption(QCommandLineOption(QStringLiteral("dry-run")));
    parser.addOption(QCommandLineOption(QStringLiteral("help")));
    if (!parser.parse(arguments))
        return parser.errorText();
    parsed.help = parser.isSet(QStringLiteral("help"));
    if (parsed.help)
        return QString();
    if (parser.positionalArguments().size() > 1)
        return QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().at(1));
    parsed.connect = parser.value(QStringLiteral("connect"));
    parsed.journal = parser.value(QStringLiteral("journal"));
    parsed.dryRun = parser.isSet(QStringLiteral("dry-run"));
    if (parsed.connect.isEmpty())
        return QStringLiteral("undo needs --connect STRING");
    const bool last = parser.isSet(QStringLiteral("last"));
    if (last == parser.isSet(QStringLiteral("run")))
        return QStringLiteral("undo takes either --run ID or --last");
    if (!last) {
        bool ok = false;
        parsed.runId = parser.value(QStringLiteral("run")).toLongLong(&ok);
        if (!ok || parsed.runId < 1)
            return QStringLiteral("--run takes a run's id, not '%1'").arg(parser.value(QStringLiteral("run")));
    }
    return QString();
}

int conflictsFound(const UndoOutcome &outcome, const QString &journalPath)
{
    const QString path = conflictListPath(journalPath, outcome.runId);
    QString error;
    if (writeConflictList(path, outcome.conflicts, &error))
        printOut(QStringLiteral("The conflict list is in %1\n").arg(path));
    else
        printError(error);
    return ExitLinesFailed;
}

} // namespace

bool isUndoCommand(const QStringList &arguments)
{
    return arguments.value(1) == QLatin1String("undo");
}

int runUndo(const QStringList &arguments)
{
    UndoArguments parsed;
    const QString wrong = parse(arguments, parsed);
    if (!wrong.isEmpty()) {
        printErr(QStringLiteral("vxrimp: %1\n\nUsage:\n%2").arg(wrong, UndoUsage));
        return ExitFailed;
    }
    if (parsed.help) {
        printOut(UndoUsage);
        return ExitAllStored;
    }
    const QString identity = Journal::storeIdentity(parsed.connect);
    const QString journalPath = parsed.journal.isEmpty() ? Journal::defaultPath(identity) : parsed.journal;
    if (!QFileInfo::exists(journalPath)) {
        printError(QStringLiteral("There is no journal at %1: the store has no run to take back.").arg(journalPath));
        return ExitFailed;
    }
    QString error;
    std::optional<Journal> journal = Journal::open(journalPath, &error);
    if (!journal) {
        printError(error);
        return ExitFailed;
    }
    DbConnection store;
    DbError failure;
    if (!store.open(parsed.connect, &failure)) {
        printError(failure.description);
        return ExitFailed;
    }
    if (journal->settle(store.database(), &error) < 0) {
        printError(error);
        return ExitFailed;
    }
    const UndoOutcome outcome = undoRun(store, journal->database(), identity, parsed.runId, parsed.dryRun);
    const QString text = undoOutcomeText(outcome);
    switch (outcome.result) {
    case UndoOutcome::Result::Undone:
    case UndoOutcome::Result::DryRun:
        printOut(text);
        return ExitAllStored;
    case UndoOutcome::Result::Conflicts:
        printOut(text);
        return conflictsFound(outcome, journalPath);
    case UndoOutcome::Result::Refused:
    case UndoOutcome::Result::Failed:
        break;
    }
    printError(text.trimmed());
    return ExitFailed;
}

} // namespace vxr::cli

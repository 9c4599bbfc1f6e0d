#include "Commands.h"

#include "CancelOnSignal.h"
#include "Console.h"
#include "SetupFromArguments.h"
#include "TerminalProgress.h"

#include "database/CancelToken.h"
#include "database/DbError.h"
#include "import/ImportJob.h"
#include "import/ImportLog.h"
#include "import/PanelChoices.h"

#include <QFileInfo>

namespace vxr::cli {

namespace {

QString outcomeText(const ImportSummary &summary)
{
    switch (summary.outcome) {
    case RunOutcome::Complete: return QStringLiteral("Complete");
    case RunOutcome::TestRun: return QStringLiteral("Test run");
    case RunOutcome::RolledBack: return QStringLiteral("Rolled back");
    case RunOutcome::Cancelled: return QStringLiteral("Cancelled at line %1").arg(summary.lastLineProcessed);
    case RunOutcome::Failed: break;
    }
    return QStringLiteral("Failed");
}

// The values taken otherwise than their text gave them, when there are any.
// They are in no way failures: their lines were imported.
QString valuesText(const ImportSummary &summary)
{
    if (summary.valuesReadAsEmpty == 0 && summary.valuesCut == 0)
        return {};
    QString text;
    if (summary.valuesReadAsEmpty > 0)
        text += QStringLiteral("  Values read as 0/empty: %1 (text with no number in a number column, or no "
                               "date in a date column)\n")
                        .arg(summary.valuesReadAsEmpty);
    if (summary.valuesCut > 0)
        text += QStringLiteral("  Values cut to fit:      %1 (text longer than its column, supplier names "
                               "longer than 30 characters, NUL characters left out)\n")
                        .arg(summary.valuesCut);
    text += QStringLiteral("  These values are not failures: their lines were imported with them.");
    if (summary.valuesReadAsEmpty > 0)
        text += QStringLiteral(" --strict fails such lines instead.");
    if (summary.valuesCut > 0)
        text += QStringLiteral(" --reject-cut fails lines whose text is cut.");
    return text + QLatin1Char('\n');
}

// The problems report, with its first rows, after the counts.
QString problemsText(const ImportSummary &summary)
{
    if (summary.problemCount == 0 && summary.problemsError.isEmpty())
        return QStringLiteral("  Problems:          none\n");
    QString text = QStringLiteral("  Problems:          %1 in %2").arg(summary.problemCount).arg(summary.problemsPath);
    if (!summary.problemsError.isEmpty())
        text += QStringLiteral(" (could not be written: %1)").arg(summary.problemsError);
    text += QLatin1Char('\n');
    for (const ProblemRow &row : summary.firstProblems)
        text += QStringLiteral("    ") + problemSentence(row) + QLatin1Char('\n');
    if (summary.problemCount > summary.firstProblems.size())
        text += QStringLiteral("    ... and %1 more in the report\n").arg(summary.problemCount - summary.firstProblems.size());
    return text;
}

QString summaryText(const ImportSummary &summary, const ImportSetup &setup)
{
    const QString caption = tableCaption(setup.tableId);
    QString text = QStringLiteral("%1 -> %2: %3\n").arg(setup.textFile, caption, outcomeText(summary));
    if (summary.outcome == RunOutcome::TestRun)
        text += QStringLiteral("  This was a test run: nothing was stored. The counts say what would happen.\n");
    else if (summary.nothingStored)
        text += QStringLiteral("  Nothing was stored: the run was rolled back as a whole.\n");
    const auto row = [&](const QString &label, const QString &value) {
        text += QStringLiteral("  %1 %2\n").arg(label + QLatin1Char(':'), -18).arg(value);
    };
    row(QStringLiteral("Lines read"), QString::number(summary.linesRead));
    row(QStringLiteral("Rows added"), QString::number(summary.rowsAdded));
    row(QStringLiteral("Rows updated"), QString::number(summary.rowsUpdated));
    if (summary.rolledBackAdded + summary.rolledBackUpdated > 0)
        row(QStringLiteral("Rolled back"), QStringLiteral("%1 row(s) would have been added and %2 updated; none is stored")
                                                   .arg(summary.rolledBackAdded)
                                                   .arg(summary.rolledBackUpdated));
    row(QStringLiteral("Lines skipped"), QString::number(summary.linesSkipped));
    row(QStringLiteral("Lines failed"), QString::number(summary.linesFailed));
    row(QStringLiteral("Lines not reached"), QString::number(summary.linesNotReached));
    text += valuesText(summary);
    row(QStringLiteral("Log"), summary.logPath
                                       + (summary.logLinesMissing > 0 ? QStringLiteral(" (%1 entries could not be written)")
                                                                                .arg(summary.logLinesMissing)
                                                                      : QString()));
    QString reject = summary.rejectPath.isEmpty() ? QStringLiteral("none") : summary.rejectPath;
    if (!summary.rejectWritten)
        reject += QStringLiteral(" (could not be written: %1)").arg(summary.rejectError);
    row(QStringLiteral("Reject file"), reject);
    return text + problemsText(summary);
}

ImportRequest importRequest(const CliArguments &arguments, const ImportSetup &setup, CancelToken &cancel)
{
    ImportRequest request = setup.request(defaultLogPath());
    request.mode = arguments.runMode;
    request.batchLines = arguments.batchLines;
    request.resumeLast = arguments.resume;
    request.rejectPath = arguments.rejectPath.isEmpty() ? QString() : QFileInfo(arguments.rejectPath).absoluteFilePath();
    request.problemsPath =
            arguments.problemsPath.isEmpty() ? QString() : QFileInfo(arguments.problemsPath).absoluteFilePath();
    request.cancel = &cancel;
    if (!arguments.journalPath.isEmpty())
        request.journalPath = QFileInfo(arguments.journalPath).absoluteFilePath();
    return request;
}

int exitStatus(const ImportSummary &summary)
{
    switch (summary.outcome) {
    case RunOutcome::Failed: return ExitFailed;
    case RunOutcome::Cancelled: return ExitCancelled;
    case RunOutcome::Complete:
    case RunOutcome::TestRun:
    case RunOutcome::RolledBack: break;
    }
    return summary.linesFailed > 0 || summary.fileChanged || !summary.rejectWritten
                    || !summary.problemsError.isEmpty()
            ? ExitLinesFailed
            : ExitAllStored;
}

} // namespace

int runImport(const CliArguments &arguments, const FieldTable &fields)
{
    const std::optional<ImportSetup> setup = commandSetup(arguments, fields, SetupPurpose::Import);
    if (!setup)
        return ExitFailed;

    CancelToken cancel;
    ImportJob job(*setup, importRequest(arguments, *setup, cancel));
    // Ctrl-C also cuts short a wait for a store another program has locked.
    const CancelOnSignal cancelOnSignal(cancel);
    // A store that cannot be reached is refused before the run, as a set-up is.
    DbError dbError;
    if (!job.open(&dbError)) {
        if (dbError.number == ErrorNumbers::OperationCancelled) {
            printError(QStringLiteral("cancelled while waiting for the database"));
            return ExitCancelled;
        }
        printError(QStringLiteral("cannot connect to the database: %1 (error %2)")
                       .arg(dbError.description)
                       .arg(dbError.number));
        return ExitFailed;
    }
    TerminalReporter reporter;
    TerminalProgress progress(stdoutIsTerminal());
    const ImportSummary summary = job.run(reporter, progress);
    printOut(summaryText(summary, *setup));
    return exitStatus(summary);
}

} // namespace vxr::cli

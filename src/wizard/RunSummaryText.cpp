#include "RunSummaryText.h"

#include "import/ImportRun.h"

#include <QDir>
#include <QStringList>

namespace vxr {

namespace {

QString howItEnded(const ImportSummary &summary)
{
    switch (summary.outcome) {
    case RunOutcome::Complete:
        return QStringLiteral("The import is complete: every line of the file was read.");
    case RunOutcome::TestRun:
        return QStringLiteral("Test run: nothing was stored. The numbers are what an import of this file "
                              "would do.");
    case RunOutcome::RolledBack:
        return QStringLiteral("Lines failed, so the import was rolled back: nothing was stored.");
    case RunOutcome::Cancelled:
        return QStringLiteral("Cancelled after line %1.").arg(summary.lastLineProcessed);
    case RunOutcome::Failed:
        break;
    }
    return QStringLiteral("The import stopped: %1.").arg(summary.failure);
}

// A run that stopped part way: what of it is stored.
QString whatIsStored(const ImportSummary &summary)
{
    const qint64 stored = summary.nothingStored ? 0 : summary.rowsAdded + summary.rowsUpdated;
    if (stored == 0)
        return QStringLiteral(" Nothing was stored.");
    return QStringLiteral(" The %1 row(s) added or updated before it are stored.").arg(stored);
}

QString whereTheRestIs(const ImportSummary &summary)
{
    const qint64 notStored = summary.linesFailed + summary.linesNotReached;
    if (notStored == 0)
        return QString();
    if (summary.rejectPath.isEmpty() || !summary.rejectWritten) {
        if (summary.linesFailed == 0)
            return QString();
        return QStringLiteral(" The %1 failed line(s) are listed in the log.").arg(summary.linesFailed);
    }
    if (summary.outcome == RunOutcome::TestRun)
        return QStringLiteral(" The %1 line(s) that would fail are listed in the log and the reject file.")
            .arg(notStored);
    return QStringLiteral(" The %1 line(s) not stored are in the reject file, to correct and import again.")
        .arg(notStored);
}

} // namespace

QString runOutcomeText(const ImportSummary &summary)
{
    QString text = howItEnded(summary);
    if (summary.stopped())
        text += whatIsStored(summary);
    if (summary.rolledBackAdded + summary.rolledBackUpdated > 0)
        text += QStringLiteral(" Had it been kept, it would have added %1 row(s) and updated %2.")
                    .arg(summary.rolledBackAdded)
                    .arg(summary.rolledBackUpdated);
    text += whereTheRestIs(summary);
    // Not failures, but the operator should know: the lines were stored
    // with these values.
    if (summary.valuesReadAsEmpty > 0 || summary.valuesCut > 0)
        text += QStringLiteral(" %1 value(s) without a number or date were read as 0 or empty and %2 cut to fit "
                               "their column; their lines were %3 with these values.")
                    .arg(summary.valuesReadAsEmpty)
                    .arg(summary.valuesCut)
                    .arg(summary.outcome == RunOutcome::TestRun ? QStringLiteral("checked") : QStringLiteral("imported"));
    if (summary.fileChanged)
        text += QStringLiteral(" The text file changed while it was imported.");
    if (!summary.rejectWritten)
        text += QStringLiteral(" The reject file could not be written: %1.").arg(summary.rejectError);
    if (summary.logLinesMissing > 0)
        text += QStringLiteral(" %1 failed line(s) are missing from the log, which could not be written.")
                    .arg(summary.logLinesMissing);
    return text;
}

QString runProblemsText(const ImportSummary &summary)
{
    if (summary.problemCount == 0 && summary.problemsError.isEmpty())
        return QString();
    QStringList lines;
    for (const ProblemRow &row : summary.firstProblems)
        lines << problemSentence(row);
    const qint64 more = summary.problemCount - summary.firstProblems.size();
    const QString report = QDir::toNativeSeparators(summary.problemsPath);
    if (!summary.problemsError.isEmpty())
        lines << QStringLiteral("The problems report %1 could not be written: %2.").arg(report, summary.problemsError);
    else if (more > 0)
        lines << QStringLiteral("... and %1 more, all listed in the problems report %2.").arg(more).arg(report);
    else
        lines << QStringLiteral("The problems report %1 lists them.").arg(report);
    return lines.join(QLatin1Char('\n'));
}

bool strictValuesWouldHelp(const ImportSummary &summary)
{
    return summary.valuesReadAsEmpty > 0;
}

} // namespace vxr

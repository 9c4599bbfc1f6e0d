#include "RunSummaryText.h"

#include "import/ImportRun.h"

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
                               "their column; their lines were imported with these values.")
                    .arg(summary.valuesReadAsEmpty)
                    .arg(summary.valuesCut);
    if (summary.fileChanged)
        text += QStringLiteral(" The text file changed while it was imported.");
    if (!summary.rejectWritten)
        text += QStringLiteral(" The reject file could not be written: %1.").arg(summary.rejectError);
    if (summary.logLinesMissing > 0)
        text += QStringLiteral(" %1 failed line(s) are missing from the log, which could not be written.")
                    .arg(summary.logLinesMissing);
    return text;
}

} // namespace vxr

#include "RunMessages.h"

#include "ImportRun.h"

#include <QDir>

namespace vxr {

QString runStatusText(const ImportSummary &summary)
{
    switch (summary.outcome) {
    case RunOutcome::Complete: return RunStatusComplete;
    case RunOutcome::TestRun: return RunStatusTestRun;
    case RunOutcome::RolledBack: return RunStatusRolledBack;
    case RunOutcome::Cancelled: return runStatusCancelled(summary.lastLineProcessed);
    case RunOutcome::Failed: break;
    }
    return RunStatusFailedPrefix + summary.failure;
}

QString stoppedMessage(const ImportSummary &summary)
{
    QString text = QStringLiteral("The import stopped after line %1: %2.")
                           .arg(summary.lastLineProcessed)
                           .arg(summary.failure);
    const qint64 stored = summary.nothingStored ? 0 : summary.rowsAdded + summary.rowsUpdated;
    text += QStringLiteral("\n%1 line(s) were stored.").arg(stored);
    const qint64 notStored = summary.linesFailed + summary.linesNotReached;
    if (!summary.rejectPath.isEmpty() && summary.rejectWritten)
        text += QStringLiteral(" The %1 line(s) not stored are in the reject file %2.")
                        .arg(notStored)
                        .arg(QDir::toNativeSeparators(summary.rejectPath));
    else if (!summary.rejectWritten)
        text += QStringLiteral(" The reject file %1 could not be written (%2); the failed lines are listed in "
                               "the log.")
                        .arg(QDir::toNativeSeparators(summary.rejectPath), summary.rejectError);
    return text;
}

QString lostLogLinesMessage(const ImportSummary &summary)
{
    return QStringLiteral("The log file %1 could not be written. %2 failed line(s) are missing from it.")
            .arg(QDir::toNativeSeparators(summary.logPath))
            .arg(summary.logLinesMissing);
}

} // namespace vxr

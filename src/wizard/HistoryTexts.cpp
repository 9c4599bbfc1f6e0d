#include "HistoryTexts.h"

#include "UndoJob.h"

#include "import/UndoReport.h"

#include <QDateTime>
#include <QDir>
#include <QStringList>

namespace vxr {

namespace {

QString tableCounts(const QMap<QString, int> &counts)
{
    QStringList parts;
    for (auto table = counts.cbegin(); table != counts.cend(); ++table)
        parts << QStringLiteral("%1 of %2").arg(table.value()).arg(table.key());
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString undoQuestion(const UndoOutcome &dryRun)
{
    QString text = QStringLiteral("Take run %1 back out of the store?\r\n\r\n").arg(dryRun.runId);
    if (!dryRun.deleted.isEmpty())
        text += QStringLiteral("The rows it added are deleted: %1.\r\n").arg(tableCounts(dryRun.deleted));
    if (!dryRun.restored.isEmpty())
        text += QStringLiteral("The rows it updated get back the values it overwrote: %1.\r\n")
                        .arg(tableCounts(dryRun.restored));
    if (dryRun.deleted.isEmpty() && dryRun.restored.isEmpty())
        text += QStringLiteral("It stored nothing that is still there; the run is only marked as undone.\r\n");
    return text + QStringLiteral("\r\nIt is done in one transaction: all of it, or nothing.");
}

QString historyResultText(const HistoryResult &result)
{
    if (!result.error.isEmpty())
        return result.error;
    if (!result.outcome)
        return result.runs.isEmpty() ? QStringLiteral("No import into this store has been journaled yet.")
                                     : QString();
    const UndoOutcome &outcome = *result.outcome;
    if (outcome.result != UndoOutcome::Result::Conflicts)
        return undoOutcomeText(outcome).trimmed();
    QString text = QStringLiteral("Run %1 cannot be taken back: the store has moved on since the run (below). "
                                  "Nothing was changed.").arg(outcome.runId);
    if (!result.conflictListPath.isEmpty())
        text += QStringLiteral("\nThe list is also in %1").arg(QDir::toNativeSeparators(result.conflictListPath));
    else if (!outcome.message.isEmpty())
        text += u'\n' + outcome.message;
    return text;
}

QString localRunTime(const QString &journalTime)
{
    const QDateTime time = QDateTime::fromString(journalTime, Qt::ISODate);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : journalTime;
}

// A run without an end is going on now, or was killed or lost its store.
QString runOutcomeWord(const JournalRun &run)
{
    return run.ended.isEmpty() && run.outcome == QLatin1String("running") ? QStringLiteral("unfinished")
                                                                          : run.outcome;
}

} // namespace vxr

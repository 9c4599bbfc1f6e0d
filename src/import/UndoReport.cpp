#include "UndoReport.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace vxr {

namespace {

QString perTable(const QMap<QString, int> &counts, const QString &what)
{
    QString text;
    for (auto table = counts.cbegin(); table != counts.cend(); ++table)
        text += QStringLiteral("  %1: %2 %3\n").arg(table.key()).arg(table.value()).arg(what);
    return text;
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"');
}

} // namespace

QString undoOutcomeText(const UndoOutcome &outcome)
{
    using Result = UndoOutcome::Result;
    const QString counts = perTable(outcome.deleted, QStringLiteral("added rows deleted"))
            + perTable(outcome.restored, QStringLiteral("updated rows given their previous values"));
    switch (outcome.result) {
    case Result::Undone:
        return QStringLiteral("Run %1 is taken back.\n").arg(outcome.runId) + counts
                + (outcome.message.isEmpty() ? QString() : outcome.message + QLatin1Char('\n'));
    case Result::DryRun:
        return QStringLiteral("Undoing run %1 would change the store so (nothing was changed):\n").arg(outcome.runId)
                + (counts.isEmpty() ? QStringLiteral("  nothing: the run stored nothing\n") : counts);
    case Result::Conflicts: {
        QString text = QStringLiteral("Run %1 cannot be taken back: the store has moved on since (nothing was "
                                      "changed).\n").arg(outcome.runId);
        for (const UndoConflict &c : outcome.conflicts)
            text += QStringLiteral("  %1 %2: %3 was %4, now %5\n")
                            .arg(c.table, c.key, c.column, c.written.isEmpty() ? QStringLiteral("-") : c.written, c.now);
        return text;
    }
    case Result::Refused:
    case Result::Failed:
        break;
    }
    return outcome.message + QLatin1Char('\n');
}

QString conflictListPath(const QString &journalPath, qint64 runId)
{
    const QFileInfo journal(journalPath);
    return journal.dir().filePath(QStringLiteral("%1.run%2-conflicts.csv").arg(journal.completeBaseName()).arg(runId));
}

bool writeConflictList(const QString &path, const QList<UndoConflict> &conflicts, QString *error)
{
    QString text = QStringLiteral("Table,Key,Column,Written,Now\r\n");
    for (const UndoConflict &c : conflicts)
        text += QStringList{csvField(c.table), csvField(c.key), csvField(c.column), csvField(c.written), csvField(c.now)}
                        .join(QLatin1Char(',')) + QStringLiteral("\r\n");
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit())
        return true;
    *error = QStringLiteral("The conflict list %1 cannot be written: %2").arg(path, file.errorString());
    return false;
}

} // namespace vxr

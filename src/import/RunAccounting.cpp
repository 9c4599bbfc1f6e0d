#include "RunAccounting.h"

#include "ImportRun.h"

#include <QStringList>

namespace vxr {

QString accountingFault(const ImportSummary &summary, qint64 linesRead, std::optional<qint64> rejectedLines)
{
    QStringList faults;
    const qint64 counted = summary.rowsAdded + summary.rowsUpdated + summary.rolledBackAdded
            + summary.rolledBackUpdated + summary.linesSkipped + summary.linesFailed + summary.linesNotReached;
    if (counted != linesRead)
        faults << QStringLiteral("%1 line(s) read but %2 counted").arg(linesRead).arg(counted);
    const qint64 notStored = summary.linesFailed + summary.linesNotReached;
    if (rejectedLines && *rejectedLines != notStored)
        faults << QStringLiteral("%1 line(s) not stored but %2 in the reject file").arg(notStored).arg(*rejectedLines);
    return faults.join(QStringLiteral("; "));
}

} // namespace vxr

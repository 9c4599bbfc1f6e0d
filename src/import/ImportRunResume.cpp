#include "ImportRunner.h"

#include "ResumePlan.h"

#include <QDir>
#include <QFileInfo>

namespace vxr {

// A run taken up again starts where its last committed batch left it: with
// the counts of the lines before, and the reject file as it was before that
// batch's failed lines (whatever followed them, a line cut short by a kill
// or the lines of a lost batch, is left out; the failed lines are read
// again from the text file as the run passes over them). The log says so.
bool ImportRunner::takeUpFirstPart()
{
    const ResumePlan &plan = *m_request.resume;
    const BatchPoint &point = plan.point;
    m_summary.linesRead = point.nextLine - 1;
    m_summary.lastLineProcessed = point.nextLine - 1;
    m_summary.rowsAdded = point.added;
    m_summary.rowsUpdated = point.updated;
    m_summary.linesFailed = point.failed;
    m_summary.linesSkipped = point.skipped;
    if (m_reject) {
        const QString partial = partialPathOf(m_reject->path());
        const QString source = QFileInfo(partial).isFile() ? partial : m_reject->path();
        if (!m_reject->continueFrom(source, point.rejectBytes, point.rejectLines)) {
            fail(m_reject->errorString());
            return false;
        }
    }
    if (!m_log.writeLog(QStringLiteral("Run %1 resumed at line %2").arg(plan.runId).arg(point.nextLine))) {
        fail(QStringLiteral("the log file %1 cannot be written").arg(QDir::toNativeSeparators(m_log.path())));
        return false;
    }
    return true;
}

} // namespace vxr

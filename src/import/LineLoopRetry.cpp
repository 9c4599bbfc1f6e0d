// How the line loop writes a batch again after the database rolled it back
// for the sake of another transaction (a deadlock victim, a serialization
// failure): the lines it keeps for that, and where it starts over.

#include "LineLoop.h"

#include "database/DbError.h"

#include "catalogue/FieldTable.h"

#include <QThread>

namespace vxr {

// A batch of more lines than are read ahead at a time is not kept: it
// cannot be retried, and memory stays flat.
void LineLoop::keepForRetry(const QList<AheadLine> &chunk, qsizetype index)
{
    if (!m_openLinesKept)
        return;
    if (m_openCount >= MaxChunk) {
        m_openLinesKept = false;
        m_openLines.clear();
        return;
    }
    ++m_openCount;
    if (!m_openLines.isEmpty() && m_openLines.constLast().chunk.constData() == chunk.constData()
        && m_openLines.constLast().to == index) {
        ++m_openLines.last().to;
        return;
    }
    m_openLines.append({chunk, index, index + 1});
}

bool LineLoop::retryLater(const DbError &error)
{
    if (!error.transient || !m_openLinesKept || m_retries >= MaxRetries || cancelRequested())
        return false;
    ++m_retries;
    m_retryPending = true;
    return true;
}

// The lines to write again after the open batch was rolled back: its own,
// then the rest of the part read ahead. The counts, the field values that
// carry from line to line and the batch's clock are as before its first
// line; a short pause, longer at each try, lets the other transaction end.
QList<LineLoop::AheadLine> LineLoop::linesToRetry(const QList<AheadLine> &chunk, qsizetype next)
{
    m_retryPending = false;
    QList<AheadLine> lines;
    lines.reserve(m_openCount + chunk.size() - next);
    for (const OpenLines &open : std::as_const(m_openLines))
        lines.append(open.chunk.sliced(open.from, open.to - open.from));
    lines.append(chunk.sliced(next));
    m_openLines.clear();
    m_openCount = 0;
    m_out.summary.linesRead = m_readBeforeBatch;
    m_out.summary.linesSkipped = m_skippedBeforeBatch;
    m_out.summary.lastLineProcessed = m_lastBeforeBatch;
    for (qsizetype i = 0; i < m_valuesBeforeBatch.size(); ++i)
        m_fields.entries[i].value = m_valuesBeforeBatch.at(i);
    m_linesInBatch = 0;
    QThread::msleep(50UL << m_retries);
    m_batchTimer.restart();
    return lines;
}

} // namespace vxr

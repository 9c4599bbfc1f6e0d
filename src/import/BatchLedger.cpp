#include "BatchLedger.h"

#include "ImportRun.h"
#include "RejectFile.h"

#include <algorithm>

namespace vxr {

qint64 BatchLedger::countOf(Kind kind) const
{
    return std::count_if(m_lines.cbegin(), m_lines.cend(), [kind](const Line &line) { return line.kind == kind; });
}

void BatchLedger::count(const Line &line, ImportSummary &summary) const
{
    switch (line.kind) {
    case Kind::Added: ++summary.rowsAdded; break;
    case Kind::Updated: ++summary.rowsUpdated; break;
    case Kind::Failed: ++summary.linesFailed; return;
    case Kind::NotReached: ++summary.linesNotReached; return;
    }
    summary.valuesReadAsEmpty += line.values.readAsEmpty;
    summary.valuesCut += line.values.cut;
}

void BatchLedger::writeRejected(RejectFile *reject, bool writtenLinesToo) const
{
    if (!reject)
        return;
    for (const Line &line : m_lines) {
        const bool rejected = line.kind == Kind::Failed || line.kind == Kind::NotReached;
        if (rejected || writtenLinesToo)
            reject->add(line.text + line.end);
    }
    reject->flush();
}

void BatchLedger::committed(ImportSummary &summary, RejectFile *reject)
{
    for (const Line &line : std::as_const(m_lines))
        count(line, summary);
    writeRejected(reject, false);
    m_lines.clear();
}

QList<BatchLedger::Line> BatchLedger::lost(ImportSummary &summary, RejectFile *reject)
{
    QList<Line> written;
    for (Line &line : m_lines) {
        if (line.kind == Kind::Added || line.kind == Kind::Updated) {
            line.kind = Kind::Failed;
            written.append(line);
        }
        count(line, summary);
    }
    writeRejected(reject, true);
    m_lines.clear();
    return written;
}

void BatchLedger::rolledBack(ImportSummary &summary, RejectFile *reject)
{
    committed(summary, reject);
}

} // namespace vxr

#include "BatchLedger.h"

#include "ImportRun.h"
#include "RejectFile.h"


namespace vxr {

namespace {

bool isWritten(BatchLedger::Kind kind)
{
    return kind == BatchLedger::Kind::Added || kind == BatchLedger::Kind::Updated || kind == BatchLedger::Kind::Staged;
}

} // namespace

qsizetype BatchLedger::add(qint64 number, const QByteArray &text, const QByteArray &end, Kind kind,
                           qint32 errorNumber, const QString &detail)
{
    m_lines.append({number, text, end, kind, errorNumber, detail, false, {}});
    if (kind == Kind::Failed)
        ++m_failed;
    return m_lines.size() - 1;
}

void BatchLedger::settle(qsizetype place, Kind kind, qint32 errorNumber, const QString &detail,
                         const ValueTally &values)
{
    Line &line = m_lines[place];
    m_failed += (kind == Kind::Failed) - (line.kind == Kind::Failed);
    line.kind = kind;
    line.errorNumber = errorNumber;
    line.detail = detail;
    line.values = values;
}

void BatchLedger::logFailures(const LogLine &log)
{
    for (Line &line : m_lines) {
        if (line.kind == Kind::Failed && !line.logged) {
            log(line);
            line.logged = true;
        }
    }
}

void BatchLedger::count(const Line &line, ImportSummary &summary) const
{
    switch (line.kind) {
    case Kind::Added: ++summary.rowsAdded; break;
    case Kind::Updated: ++summary.rowsUpdated; break;
    case Kind::Failed: ++summary.linesFailed; return;
    case Kind::Staged:
        // Never written: a cancel cut their statement short. Not reached
        // after all, so no longer among the lines processed either.
        --summary.linesRead;
        ++summary.linesNotReached;
        return;
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
        if (!isWritten(line.kind) || line.kind == Kind::Staged || writtenLinesToo)
            reject->add(line.text + line.end);
    }
    reject->flush();
}

void BatchLedger::finish(ImportSummary &summary, RejectFile *reject, bool writtenLinesToo, const LogLine &log)
{
    logFailures(log);
    for (const Line &line : std::as_const(m_lines))
        count(line, summary);
    writeRejected(reject, writtenLinesToo);
    m_lines.clear();
    m_failed = 0;
}

void BatchLedger::committed(ImportSummary &summary, RejectFile *reject, const LogLine &log)
{
    finish(summary, reject, false, log);
}

void BatchLedger::lost(ImportSummary &summary, RejectFile *reject, qint32 errorNumber, const LogLine &log)
{
    for (Line &line : m_lines) {
        if (isWritten(line.kind)) {
            line.kind = Kind::Failed;
            line.errorNumber = errorNumber;
            line.detail.clear();
            line.values = {};
        }
    }
    finish(summary, reject, true, log);
}

void BatchLedger::forget()
{
    m_lines.clear();
    m_failed = 0;
}

void BatchLedger::rolledBack(ImportSummary &summary, RejectFile *reject, const LogLine &log)
{
    finish(summary, reject, false, log);
}

} // namespace vxr

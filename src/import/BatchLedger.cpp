#include "BatchLedger.h"

#include "ImportRun.h"
#include "ProblemsReport.h"
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
    m_lines.append({number, text, end, kind, errorNumber, detail, false, {}, {}, {}, {}});
    if (kind == Kind::Failed)
        ++m_failed;
    return m_lines.size() - 1;
}

void BatchLedger::settle(qsizetype place, Kind kind, const LineOutcome &outcome)
{
    Line &line = m_lines[place];
    m_failed += (kind == Kind::Failed) - (line.kind == Kind::Failed);
    line.kind = kind;
    line.errorNumber = outcome.errorNumber;
    line.detail = outcome.detail;
    line.values = outcome.values;
    line.field = outcome.field;
    line.value = outcome.value;
    line.description = outcome.description;
}

BatchLedger::Tally BatchLedger::tally() const
{
    Tally tally;
    for (const Line &line : m_lines) {
        switch (line.kind) {
        case Kind::Added: ++tally.added; break;
        case Kind::Updated: ++tally.updated; break;
        case Kind::Failed: tally.failedLines.append(line.number); break;
        case Kind::Staged:
        case Kind::NotReached:
            if (tally.firstNotReached == 0)
                tally.firstNotReached = line.number;
            break;
        }
    }
    return tally;
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
    summary.valuesReadAsEmpty += line.values.readAsEmpty();
    summary.valuesCut += line.values.cut();
}

void BatchLedger::report(const Line &line, bool committed) const
{
    if (line.kind == Kind::Failed) {
        m_problems->lineFailed(line.number, line.errorNumber, line.field, line.value, line.description);
        return;
    }
    if (line.kind != Kind::Added && line.kind != Kind::Updated)
        return;
    for (const ValueNote &note : line.values.notes)
        m_problems->valueChanged(line.number, note, committed);
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

void BatchLedger::finish(ImportSummary &summary, RejectFile *reject, bool writtenLinesToo, const LogLine &log,
                         bool committed)
{
    logFailures(log);
    for (const Line &line : std::as_const(m_lines)) {
        count(line, summary);
        if (m_problems)
            report(line, committed);
    }
    writeRejected(reject, writtenLinesToo);
    m_lines.clear();
    m_failed = 0;
}

void BatchLedger::committed(ImportSummary &summary, RejectFile *reject, const LogLine &log)
{
    finish(summary, reject, false, log, true);
}

void BatchLedger::lost(ImportSummary &summary, RejectFile *reject, qint32 errorNumber, const LogLine &log)
{
    for (Line &line : m_lines) {
        if (isWritten(line.kind)) {
            line.kind = Kind::Failed;
            line.errorNumber = errorNumber;
            line.detail.clear();
            line.values = {};
            line.field.clear();
            line.value.clear();
            line.description.clear();
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

#include "ImportRunner.h"

#include "LineLoop.h"
#include "RunAccounting.h"

#include "catalogue/Reporter.h"
#include "text/RecordReader.h"

#include <QDir>

#include <utility>

namespace vxr {

// Batches: what is written is committed, unless the database failed.
void ImportRunner::finishBatches(LineLoop &lines, const std::optional<Stop> &stop)
{
    std::optional<Stop> end = stop;
    if (!end || end->kind != Stop::Kind::Database) {
        if (std::optional<Stop> lost = lines.commitBatch())
            end = lost;
    }
    if (!end)
        m_summary.outcome = RunOutcome::Complete;
    else if (end->kind == Stop::Kind::Cancelled)
        m_summary.outcome = RunOutcome::Cancelled;
    else {
        m_summary.outcome = RunOutcome::Failed;
        m_summary.failure = end->reason;
    }
}

// A test run, or all or nothing: one transaction for the whole file.
void ImportRunner::finishSingleTransaction(LineLoop &lines, const std::optional<Stop> &stop)
{
    const bool testRun = m_request.mode == RunMode::TestRun;
    const bool failedLines = m_summary.linesFailed + lines.failedInBatch() > 0;
    if (!testRun && !stop && !failedLines) {
        if (std::optional<Stop> lost = lines.commitBatch()) {
            m_summary.outcome = RunOutcome::Failed;
            m_summary.failure = lost->reason;
            m_summary.nothingStored = true;
        } else {
            m_summary.outcome = RunOutcome::Complete;
        }
        return;
    }
    lines.rollBackBatch();
    m_summary.nothingStored = true;
    if (!stop)
        m_summary.outcome = testRun ? RunOutcome::TestRun : RunOutcome::RolledBack;
    else if (stop->kind == Stop::Kind::Cancelled)
        m_summary.outcome = RunOutcome::Cancelled;
    else {
        m_summary.outcome = RunOutcome::Failed;
        m_summary.failure = stop->reason;
    }
}

// The lines after a stop were never processed: they are read on, counted and
// kept in the reject file with the rest. Returns how many.
qint64 ImportRunner::collectNotReached()
{
    if (!m_summary.stopped())
        return 0;
    qint64 lines = 0;
    while (!m_reader.atEndOfFile()) {
        m_reader.readNextRecord();
        if (m_reader.hasReadError())
            break;
        ++lines;
        ++m_summary.linesNotReached;
        if (m_reject)
            m_reject->add(m_reader.currentBytes + m_reader.endToWrite(m_reader.currentBytes, m_reader.currentLineEnd()));
    }
    return lines;
}

// A single transaction rolled back at the end stored nothing: its counts say
// so, and what it would have added and updated is kept apart. A test run's
// counts stay as they are: they are what it is for.
void ImportRunner::keepRolledBackApart()
{
    if (!m_summary.nothingStored || m_summary.outcome == RunOutcome::TestRun)
        return;
    m_summary.rolledBackAdded += std::exchange(m_summary.rowsAdded, 0);
    m_summary.rolledBackUpdated += std::exchange(m_summary.rowsUpdated, 0);
}

void ImportRunner::checkAccounting(qint64 linesRead)
{
    std::optional<qint64> rejected;
    if (m_reject && m_summary.rejectWritten)
        rejected = m_reject->lineCount();
    const QString fault = accountingFault(m_summary, linesRead, rejected);
    if (fault.isEmpty())
        return;
    const QString reason = QStringLiteral("the line counts do not add up (%1); this is a fault of the program: "
                                          "compare the text file with the store before importing it again")
                                   .arg(fault);
    m_summary.failure = m_summary.outcome == RunOutcome::Failed ? m_summary.failure + QStringLiteral("; ") + reason
                                                                : reason;
    m_summary.outcome = RunOutcome::Failed;
}

// A file that changed between counting and reading was not imported as the
// operator saw it.
void ImportRunner::checkFileUnchanged()
{
    if (m_summary.linesRead == m_total)
        return;
    m_summary.fileChanged = true;
    m_reporter.message(MessageKind::Exclamation,
                       QStringLiteral("The text file %1 changed during the import: it held %2 lines when the "
                                      "import started and %3 when it was read.")
                               .arg(QDir::toNativeSeparators(m_request.textFilePath))
                               .arg(m_total)
                               .arg(m_summary.linesRead));
}

void ImportRunner::closeAll()
{
    m_reader.closeTextFile();
    m_tables.closeTables();
    m_problems.finish(m_summary);
    if (!m_reject)
        return;
    m_summary.rejectWritten = m_reject->finish();
    m_summary.rejectError = m_reject->errorString();
    if (m_reject->lineCount() > 0 || !m_summary.rejectWritten)
        m_summary.rejectPath = m_reject->path();
}

} // namespace vxr

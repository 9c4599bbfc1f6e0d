#include "LineLoop.h"

#include "RejectFile.h"
#include "RunJournal.h"

#include "database/CancelToken.h"
#include "database/DbError.h"
#include "database/RecordWriter.h"
#include "database/TableRecordsets.h"
#include "database/Transaction.h"

#include "catalogue/FieldTable.h"

#include <QDir>
#include <QScopedValueRollback>

#include <algorithm>

namespace vxr {

namespace {

QString describe(const DbError &error)
{
    return QStringLiteral("%1 (error %2)").arg(error.description).arg(error.number);
}

BatchLedger::Kind ledgerKind(LineOutcome::Kind kind)
{
    switch (kind) {
    case LineOutcome::Kind::Staged: return BatchLedger::Kind::Staged;
    case LineOutcome::Kind::Added: return BatchLedger::Kind::Added;
    case LineOutcome::Kind::Updated: return BatchLedger::Kind::Updated;
    case LineOutcome::Kind::Failed: break;
    }
    return BatchLedger::Kind::Failed;
}

} // namespace

LineLoop::LineLoop(RecordReader &reader, TableRecordsets &tables, RecordWriter &writer, FieldTable &fields,
                   const ImportRequest &request, Outputs outputs)
    : m_reader(reader), m_tables(tables), m_fields(fields), m_request(request), m_out(std::move(outputs)),
      m_staged(writer, reader, tables.transaction(), fields, request.tableId, request.duplicatesAsErrors,
               [this](qint64 number, const LineOutcome &outcome) { settle(number, outcome); })
{
    m_batch.setProblems(m_out.problems);
    batchStarts();
}

// Notes what a retry of the batch now beginning starts from. Only a run of
// batches retries one: a single transaction holds the whole file.
void LineLoop::batchStarts()
{
    m_openLines.clear();
    m_openCount = 0;
    m_openLinesKept = m_request.mode == RunMode::Batches;
    m_retries = 0;
    m_readBeforeBatch = m_out.summary.linesRead;
    m_skippedBeforeBatch = m_out.summary.linesSkipped;
    m_lastBeforeBatch = m_out.summary.lastLineProcessed;
    m_valuesBeforeBatch.clear();
    m_valuesBeforeBatch.reserve(m_fields.entries.size());
    for (const FieldDef &field : std::as_const(m_fields.entries))
        m_valuesBeforeBatch.append(field.value);
}

bool LineLoop::cancelRequested() const
{
    return m_request.cancel && m_request.cancel->isRequested();
}

// A batch is committed once it holds its lines, or once it has been open
// for its time, whichever comes first.
bool LineLoop::batchIsDue() const
{
    return m_request.mode == RunMode::Batches
            && (m_linesInBatch >= m_request.batchLines || m_batchTimer.elapsed() >= m_request.batchMilliseconds);
}

std::optional<Stop> LineLoop::run()
{
    const QScopedValueRollback mayReadOn(m_mayReadOn, true);
    m_batchTimer.start();
    for (;;) {
        collectReadOn();
        if (!m_readOn && m_reader.atEndOfFile())
            break;
        if (!m_readOn && cancelRequested())
            return Stop{Stop::Kind::Cancelled, {}};
        ReadPart part = m_readOn ? *std::exchange(m_readOn, std::nullopt) : readPart();
        startReadingOn();
        if (std::optional<Stop> stop = importChunk(part.lines))
            return stop;
        if (part.stop)
            return part.stop;
    }
    return std::nullopt;
}

// Writes a part of the file read ahead. Every line of it is accounted for
// whatever stops the run: the lines after the one it stopped at go to the
// ledger as not reached, to be counted and rejected with the batch.
std::optional<Stop> LineLoop::importChunk(QList<AheadLine> chunk)
{
    for (;;) {
        qsizetype next = 0;
        std::optional<Stop> stop = writeChunk(chunk, next);
        if (stop && m_retryPending) {
            chunk = linesToRetry(chunk, next);
            continue;
        }
        if (stop)
            setAside(chunk, next, *stop);
        return stop;
    }
}

std::optional<Stop> LineLoop::writeChunk(const QList<AheadLine> &chunk, qsizetype &next)
{
    QList<const ReadLine *> lines;
    lines.reserve(chunk.size());
    for (const AheadLine &ahead : chunk) {
        if (!isSkipped(ahead)) // a header line names no department
            lines.append(&ahead.line);
    }
    // Lines not begun at the cancel are not reached: the batch's look-ups
    // and key checks are not made for them, nor wait for a lock.
    if (cancelRequested())
        return Stop{Stop::Kind::Cancelled, {}};
    try {
        m_tables.transaction().begin();
        m_staged.startBatch(lines);
    } catch (const DbError &error) {
        return stopOn(error, -1);
    }

    for (next = 0; next < chunk.size();) {
        const AheadLine &ahead = chunk.at(next);
        if (cancelRequested()) {
            if (std::optional<Stop> stop = flushStaged())
                return stop;
            return Stop{Stop::Kind::Cancelled, {}};
        }
        ++next;
        keepForRetry(chunk, next - 1);
        ++m_out.summary.linesRead;
        ++m_linesInBatch;
        m_out.summary.lastLineProcessed = ahead.number;
        if (skip(ahead)) {
            ++m_out.summary.linesSkipped;
        } else {
            const qsizetype place = m_batch.add(ahead.number, ahead.line.bytes,
                                                m_reader.endToWrite(ahead.line.bytes, ahead.line.end),
                                                BatchLedger::Kind::Staged);
            m_placeOfLine.append({ahead.number, place});
            try {
                m_staged.writeLine(ahead.number, ahead.line);
            } catch (const DbError &error) {
                return stopOn(error, place);
            }
        }
        if (batchIsDue()) {
            if (std::optional<Stop> stop = commitOpenBatch(next == chunk.size()))
                return stop;
            // The next line's look-ups belong to the next batch's
            // transaction: on SQLite that holds the store's write lock, so
            // no other program adds a name between the look-up and the add.
            if (next < chunk.size()) {
                try {
                    m_tables.transaction().begin();
                } catch (const DbError &error) {
                    return stopOn(error, -1);
                }
            }
        }
        m_out.showProgress(false);
    }
    if (std::optional<Stop> stop = flushStaged())
        return stop;
    // One transaction for the whole file: the failures are logged as they
    // are known.
    if (m_request.mode != RunMode::Batches)
        m_batch.logFailures(m_out.log);
    return std::nullopt;
}

// The lines from a place on were read but never processed, and so were
// those of the part read on, if any. When the stop lost the open batch, its
// ledger is closed already: these lines are closed with it, so that they
// are counted and rejected now. Otherwise they wait in the open batch, which
// the run commits or rolls back.
void LineLoop::setAside(const QList<AheadLine> &chunk, qsizetype from, const Stop &stop)
{
    const auto notReached = [this](const AheadLine &ahead) {
        m_batch.add(ahead.number, ahead.line.bytes, m_reader.endToWrite(ahead.line.bytes, ahead.line.end),
                    BatchLedger::Kind::NotReached);
    };
    for (qsizetype i = from; i < chunk.size(); ++i)
        notReached(chunk.at(i));
    collectReadOn();
    if (const std::optional<ReadPart> readOn = std::exchange(m_readOn, std::nullopt)) {
        for (const AheadLine &ahead : readOn->lines)
            notReached(ahead);
    }
    if (stop.kind == Stop::Kind::Database)
        m_batch.lost(m_out.summary, m_out.reject, 0, m_out.log);
}

std::optional<Stop> LineLoop::flushStaged()
{
    try {
        m_staged.flush();
    } catch (const DbError &error) {
        return stopOn(error, -1);
    }
    return std::nullopt;
}

// A failure that ends the run, met while the line at place (or none) was
// being written. A cancel request that interrupted a statement leaves the
// line unprocessed; anything else loses the open batch.
std::optional<Stop> LineLoop::stopOn(const DbError &error, qsizetype place)
{
    // A wait for a lock cut short by the request fails as the lock would.
    if (error.scope == FailureScope::Cancel || cancelRequested()) {
        if (place >= 0) {
            m_batch.settle(place, BatchLedger::Kind::NotReached);
            --m_out.summary.linesRead;
        }
        m_staged.discard();
        return Stop{Stop::Kind::Cancelled, {}};
    }
    if (place >= 0)
        m_batch.settle(place, BatchLedger::Kind::Failed, LineOutcome::failure(error));
    return loseBatch(error);
}

void LineLoop::settle(qint64 number, const LineOutcome &outcome)
{
    const auto place = std::lower_bound(m_placeOfLine.cbegin(), m_placeOfLine.cend(), number,
                                        [](const auto &entry, qint64 wanted) { return entry.first < wanted; });
    if (place != m_placeOfLine.cend() && place->first == number)
        m_batch.settle(place->second, ledgerKind(outcome.kind), outcome);
}

std::optional<Stop> LineLoop::commitBatch()
{
    std::optional<Stop> stop = commitOpenBatch();
    while (stop && m_retryPending) {
        stop = importChunk(linesToRetry({}, 0));
        if (!stop)
            stop = commitOpenBatch();
    }
    return stop;
}

// The batch's way back, on disk before the store commits it. Meanwhile the
// store writes what it can of the batch ahead of the commit, and a batch
// that ends a whole part has the next part read.
bool LineLoop::prepareInJournal(RunJournal &journal, bool atPartEnd, QString *problem)
{
    if (!journal.startPrepare(m_lastBeforeBatch + 1, m_out.summary.lastLineProcessed, pointOnCommit(), problem))
        return false;
    m_tables.transaction().writeAhead();
    if (atPartEnd)
        readOn();
    return journal.finishPrepare(problem);
}

std::optional<Stop> LineLoop::commitOpenBatch(bool atPartEnd)
{
    if (std::optional<Stop> stop = flushStaged())
        return stop;
    RunJournal *journal = m_request.journal;
    if (QString problem; journal && !prepareInJournal(*journal, atPartEnd, &problem))
        return loseBatch(DbError{ErrorNumbers::ConnectionFailed,
                                 QStringLiteral("The journal %1 cannot be written: %2")
                                         .arg(QDir::toNativeSeparators(journal->path()), problem),
                                 FailureScope::Run});
    try {
        m_tables.transaction().commit();
    } catch (const DbError &error) {
        if (journal)
            journal->notStored();
        return loseBatch(error);
    }
    if (journal)
        journal->stored();
    m_batch.committed(m_out.summary, m_out.reject, m_out.log);
    m_placeOfLine.clear();
    m_linesInBatch = 0;
    m_batchTimer.restart();
    batchStarts();
    return std::nullopt;
}

// Where the run will stand once the open batch is committed. The reject
// file holds the failed lines of every batch before it by now.
BatchPoint LineLoop::pointOnCommit() const
{
    const BatchLedger::Tally tally = m_batch.tally();
    BatchPoint point;
    point.nextLine = tally.firstNotReached > 0 ? tally.firstNotReached : m_out.summary.lastLineProcessed + 1;
    point.added = m_out.summary.rowsAdded + tally.added;
    point.updated = m_out.summary.rowsUpdated + tally.updated;
    point.failed = m_out.summary.linesFailed + tally.failedLines.size();
    point.skipped = m_out.summary.linesSkipped;
    if (m_out.reject) {
        point.rejectBytes = m_out.reject->size();
        point.rejectLines = m_out.reject->lineCount();
    }
    point.rejected = tally.failedLines;
    return point;
}

// The store or the connection failed: nothing of the open batch is stored.
// Its staged and written lines fail with the error that lost them, unless
// the batch is to be written again.
Stop LineLoop::loseBatch(const DbError &error)
{
    m_staged.discard();
    m_tables.transaction().rollback();
    if (retryLater(error)) {
        m_batch.forget();
        m_placeOfLine.clear();
        return Stop{Stop::Kind::Database, describe(error)};
    }
    m_batch.lost(m_out.summary, m_out.reject, error.number, m_out.log);
    m_placeOfLine.clear();
    return Stop{Stop::Kind::Database, describe(error)};
}

void LineLoop::rollBackBatch()
{
    m_staged.discard();
    m_tables.transaction().rollback();
    m_batch.rolledBack(m_out.summary, m_out.reject, m_out.log);
    m_placeOfLine.clear();
}

} // namespace vxr

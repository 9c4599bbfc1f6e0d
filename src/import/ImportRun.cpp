#include "ImportRun.h"

#include "ImportLog.h"
#include "LineLoop.h"
#include "RejectFile.h"
#include "RunAccounting.h"
#include "RunFiles.h"
#include "RunJournal.h"
#include "RunMessages.h"

#include "catalogue/FieldTable.h"
#include "catalogue/Reporter.h"
#include "catalogue/TableCatalogue.h"
#include "database/CancelToken.h"
#include "database/DbConnection.h"
#include "database/DbError.h"
#include "database/RecordWriter.h"
#include "database/TableRecordsets.h"
#include "text/RecordReader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

namespace vxr {

namespace {

QString describe(const DbError &error)
{
    return QStringLiteral("%1 (error %2)").arg(error.description).arg(error.number);
}

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// One import run from the first line of the file to the last. Lives for the
// length of Import::run.
class Run
{
public:
    Run(FieldTable &fields, RecordReader &reader, DbConnection &connection, const RegionalSettings &regional,
        Reporter &reporter, ProgressSink &progress, const ImportRequest &request)
        : m_fields(fields), m_reader(reader), m_connection(connection), m_reporter(reporter),
          m_progress(progress), m_request(request), m_log(request.logPath), m_tables(connection, fields),
          m_writer(fields, reader, m_tables, regional, request.strictValues ? StrictValues::Yes : StrictValues::No),
          m_problems(problemsPathOf(request), request.mode == RunMode::TestRun)
    {
        m_summary.logPath = request.logPath;
        m_writer.setCutFails(request.rejectCut);
        if (request.journal)
            m_tables.setChangeSink(&request.journal->entries());
    }

    ImportSummary execute();

private:
    bool checkRequest();
    bool prepareTables();
    bool openTextFile();
    void prepareRejectFile();
    RejectFile *reject() { return m_reject ? &*m_reject : nullptr; }

    void finishBatches(LineLoop &lines, const std::optional<Stop> &stop);
    void finishSingleTransaction(LineLoop &lines, const std::optional<Stop> &stop);
    qint64 collectNotReached();
    void keepRolledBackApart();
    void checkAccounting(qint64 linesRead);
    void checkFileUnchanged();
    void closeAll();

    void logFailure(qint32 number, qint64 recordNumber, const QByteArray &text, const QString &detail = {});
    void showProgress(bool force);
    bool cancelRequested() const { return m_request.cancel && m_request.cancel->isRequested(); }
    ImportSummary fail(const QString &reason);

    FieldTable &m_fields;
    RecordReader &m_reader;
    DbConnection &m_connection;
    Reporter &m_reporter;
    ProgressSink &m_progress;
    const ImportRequest &m_request;
    const ImportLog m_log;
    TableRecordsets m_tables;
    RecordWriter m_writer;
    std::optional<RejectFile> m_reject;
    ProblemsReport m_problems;
    ImportSummary m_summary;
    qint64 m_failedInBatch = 0; // failed lines of the open batch, for the progress shown

    qint64 m_total = 0;
    QElapsedTimer m_progressTimer;
};

ImportSummary Run::execute()
{
    m_progress.setStatus(RunStatusInitializing);
    if (!checkRequest() || !prepareTables())
        return m_summary;
    m_fields.resetFieldValues();

    if (!m_log.writeHeader(m_request.textFilePath, m_request.mode == RunMode::TestRun))
        return fail(QStringLiteral("the log file %1 cannot be written").arg(shown(m_log.path())));
    if (!openTextFile())
        return m_summary;
    prepareRejectFile();

    m_connection.setCancelToken(m_request.cancel);
    const auto noCancelToken = qScopeGuard([this] { m_connection.setCancelToken(nullptr); });
    m_progress.setStatus(RunStatusImporting);
    showProgress(true);

    LineLoop lines(m_reader, m_tables, m_writer, m_fields, m_request,
                   {m_summary, reject(),
                    [this](const BatchLedger::Line &line) {
                        logFailure(line.errorNumber, line.number, line.text, line.detail);
                    },
                    [this, &lines](bool force) {
                        m_failedInBatch = lines.failedInBatch();
                        showProgress(force);
                    },
                    &m_problems});
    const std::optional<Stop> stop = lines.run();
    if (m_request.mode == RunMode::Batches)
        finishBatches(lines, stop);
    else
        finishSingleTransaction(lines, stop);
    m_failedInBatch = 0;
    keepRolledBackApart();
    const qint64 linesRead = lines.linesTaken() + collectNotReached();
    if (!stop)
        checkFileUnchanged();
    closeAll();
    checkAccounting(linesRead);

    showProgress(true);
    m_progress.setStatus(runStatusText(m_summary));
    if (m_summary.outcome == RunOutcome::Failed)
        m_reporter.message(MessageKind::Critical, stoppedMessage(m_summary));
    if (m_summary.logLinesMissing > 0)
        m_reporter.message(MessageKind::Exclamation, lostLogLinesMessage(m_summary));
    return m_summary;
}

// What the request names must be usable before anything is written.
bool Run::checkRequest()
{
    const TableInfo *table = tableInfo(m_request.tableId);
    if (!table || table->listCaption.isEmpty()) {
        fail(QStringLiteral("no destination table chosen (table id %1)").arg(m_request.tableId));
        return false;
    }
    if (m_request.batchLines < 1) {
        fail(QStringLiteral("a batch must hold at least one line"));
        return false;
    }
    if (const QString problem = runFilesProblem(m_request, m_connection.storeFilePath()); !problem.isEmpty()) {
        fail(problem);
        return false;
    }
    return true;
}

// Opens the fourteen tables and reads the column types of tables 1 to 10.
bool Run::prepareTables()
{
    try {
        m_tables.openTables();
    } catch (const DbError &error) {
        fail(QStringLiteral("the tables of the database cannot be opened: %1").arg(describe(error)));
        return false;
    }
    for (int tableId = FirstTableId; tableId <= LastTableId; ++tableId) {
        try {
            m_tables.readFieldTypes(tableId);
        } catch (const DbError &error) {
            fail(QStringLiteral("the columns of table %1 cannot be read: %2")
                         .arg(tableInfo(tableId)->name, describe(error)));
            return false;
        }
    }
    return true;
}

bool Run::openTextFile()
{
    const QString path = shown(m_request.textFilePath);
    if (!m_reader.openTextFile(m_request.textFilePath)) {
        fail(QStringLiteral("the text file %1 cannot be opened: %2").arg(path, m_reader.errorString()));
        return false;
    }
    if (const QString cut = m_reader.sheetWarning(); !cut.isEmpty())
        m_reporter.message(MessageKind::Exclamation, QStringLiteral("%1: %2").arg(path, cut));
    m_total = m_reader.countRecords();
    if (m_reader.hasReadError()) {
        fail(QStringLiteral("the text file %1 cannot be read: %2").arg(path, m_reader.errorString()));
        return false;
    }
    return true;
}

// A single transaction that is rolled back as a whole leaves the whole file
// still to import: it gets no reject file.
void Run::prepareRejectFile()
{
    if (m_request.mode == RunMode::AllOrNothing)
        return;
    const QString path = rejectPathOf(m_request);
    if (const QString unfinished = unfinishedRejectFileWarning(path); !unfinished.isEmpty())
        m_reporter.message(MessageKind::Exclamation, unfinished);
    m_reject.emplace(path);
    m_reject->setPreamble(m_reader.byteOrderMark());
}

// Batches: what is written is committed, unless the database failed.
void Run::finishBatches(LineLoop &lines, const std::optional<Stop> &stop)
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
void Run::finishSingleTransaction(LineLoop &lines, const std::optional<Stop> &stop)
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
qint64 Run::collectNotReached()
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
void Run::keepRolledBackApart()
{
    if (!m_summary.nothingStored || m_summary.outcome == RunOutcome::TestRun)
        return;
    m_summary.rolledBackAdded += std::exchange(m_summary.rowsAdded, 0);
    m_summary.rolledBackUpdated += std::exchange(m_summary.rowsUpdated, 0);
}

void Run::checkAccounting(qint64 linesRead)
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
void Run::checkFileUnchanged()
{
    if (m_summary.linesRead == m_total)
        return;
    m_summary.fileChanged = true;
    m_reporter.message(MessageKind::Exclamation,
                       QStringLiteral("The text file %1 changed during the import: it held %2 lines when the "
                                      "import started and %3 when it was read.")
                               .arg(shown(m_request.textFilePath))
                               .arg(m_total)
                               .arg(m_summary.linesRead));
}

void Run::closeAll()
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

void Run::logFailure(qint32 number, qint64 recordNumber, const QByteArray &text, const QString &detail)
{
    if (!m_log.logError(number, recordNumber, text, detail))
        ++m_summary.logLinesMissing;
}

void Run::showProgress(bool force)
{
    if (!force && m_progressTimer.isValid() && m_progressTimer.elapsed() < m_request.progressMilliseconds)
        return;
    m_progressTimer.start();
    ImportProgress progress;
    progress.total = m_total;
    progress.linesRead = m_summary.linesRead;
    progress.added = m_summary.rowsAdded;
    progress.updated = m_summary.rowsUpdated;
    progress.skipped = m_summary.linesSkipped;
    progress.failed = m_summary.linesFailed + m_failedInBatch;
    m_progress.setProgress(progress);
}

// Ends a run that could not start: the text file and the tables are closed,
// and the operator is told what failed. Nothing was written.
ImportSummary Run::fail(const QString &reason)
{
    m_reader.closeTextFile();
    m_tables.closeTables();
    m_summary.outcome = RunOutcome::Failed;
    m_summary.failure = reason;
    m_progress.setStatus(RunStatusFailedPrefix + reason);
    m_reporter.message(MessageKind::Critical, QStringLiteral("The import failed: ") + reason + QLatin1Char('.'));
    return m_summary;
}

} // namespace

int percentDone(qint64 linesRead, qint64 total)
{
    const qint64 divisor = std::max(total, linesRead);
    if (divisor <= 0)
        return 0;
    return static_cast<int>(std::round(double(linesRead) / double(divisor) * 100.0));
}

Import::Import(FieldTable &fields, RecordReader &reader, DbConnection &connection,
               const RegionalSettings &regional, Reporter &reporter, ProgressSink &progress)
    : m_fields(fields), m_reader(reader), m_connection(connection), m_regional(regional),
      m_reporter(reporter), m_progress(progress)
{
}

ImportSummary Import::run(const ImportRequest &request)
{
    Run run(m_fields, m_reader, m_connection, m_regional, m_reporter, m_progress, request);
    return run.execute();
}

} // namespace vxr

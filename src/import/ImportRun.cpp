#include "ImportRun.h"

#include "ImportRunner.h"
#include "LineLoop.h"
#include "ResumePlan.h"
#include "RunMessages.h"

#include "catalogue/FieldTable.h"
#include "catalogue/Reporter.h"
#include "catalogue/TableCatalogue.h"
#include "database/CancelToken.h"
#include "database/DbConnection.h"
#include "database/DbError.h"
#include "text/RecordReader.h"

#include <QDir>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>

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

} // namespace

ImportSummary ImportRunner::execute()
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
    if (m_request.resume && !takeUpFirstPart())
        return m_summary;

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
    if (QString problem; m_request.resume && !lines.passOver(m_request.resume->point.nextLine,
                                                             m_request.resume->point.rejected, &problem))
        return fail(problem);
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
bool ImportRunner::checkRequest()
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
bool ImportRunner::prepareTables()
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

bool ImportRunner::openTextFile()
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
void ImportRunner::prepareRejectFile()
{
    if (m_request.mode == RunMode::AllOrNothing)
        return;
    const QString path = rejectPathOf(m_request);
    if (const QString unfinished = unfinishedRejectFileWarning(path); !unfinished.isEmpty() && !m_request.resume)
        m_reporter.message(MessageKind::Exclamation, unfinished);
    m_reject.emplace(path);
    m_reject->setPreamble(m_reader.byteOrderMark());
}

void ImportRunner::logFailure(qint32 number, qint64 recordNumber, const QByteArray &text, const QString &detail)
{
    if (!m_log.logError(number, recordNumber, text, detail))
        ++m_summary.logLinesMissing;
}

void ImportRunner::showProgress(bool force)
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
ImportSummary ImportRunner::fail(const QString &reason)
{
    m_reader.closeTextFile();
    m_tables.closeTables();
    m_summary.outcome = RunOutcome::Failed;
    m_summary.failure = reason;
    m_progress.setStatus(RunStatusFailedPrefix + reason);
    m_reporter.message(MessageKind::Critical, QStringLiteral("The import failed: ") + reason + QLatin1Char('.'));
    return m_summary;
}


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
    ImportRunner run(m_fields, m_reader, m_connection, m_regional, m_reporter, m_progress, request);
    return run.execute();
}

} // namespace vxr

#include "ImportJob.h"

#include "RunJournal.h"
#include "RunMessages.h"
#include "SetupFile.h"

#include "catalogue/FieldTable.h"
#include "catalogue/Reporter.h"
#include "catalogue/TableCatalogue.h"
#include "database/DbConnection.h"
#include "database/DbError.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <exception>

namespace vxr {

ImportJob::ImportJob(ImportSetup setup, ImportRequest request, int connectTimeoutSeconds)
    : m_setup(std::move(setup)), m_request(std::move(request)), m_connectTimeoutSeconds(connectTimeoutSeconds),
      m_connection(std::make_unique<DbConnection>())
{
}

ImportJob::~ImportJob() = default;

bool ImportJob::open(DbError *error)
{
    m_opened = m_connection->open(m_setup.connectionString, error, m_connectTimeoutSeconds, m_request.cancel);
    return m_opened;
}

ImportSummary ImportJob::run(Reporter &reporter, ProgressSink &progress)
{
    // Whatever happens, the caller gets a summary and the operator hears why.
    try {
        if (!m_opened) {
            progress.setStatus(RunStatusInitializing);
            DbError error;
            if (!open(&error) && error.number == ErrorNumbers::OperationCancelled)
                return cancelledWhileConnecting(progress);
            if (!m_opened)
                return failed(QStringLiteral("the database cannot be opened: %1 (error %2)")
                                      .arg(error.description.trimmed())
                                      .arg(error.number),
                              reporter, progress);
        }
        return runOpened(reporter, progress);
    } catch (const DbError &error) {
        return failed(QStringLiteral("the database failed: %1 (error %2)").arg(error.description).arg(error.number),
                      reporter, progress);
    } catch (const std::exception &error) {
        return failed(QStringLiteral("an unexpected error ended it: %1").arg(QString::fromLocal8Bit(error.what())),
                      reporter, progress);
    }
}

// The run with objects of the job's own; the run closes the connection at
// its end.
ImportSummary ImportJob::runOpened(Reporter &reporter, ProgressSink &progress)
{
    // Date defaults are those of the moment the run starts.
    FieldTable fields = FieldTable::buildCatalogue(QDateTime::currentDateTime(), reporter);
    RecordReader reader(fields);
    m_setup.configureReader(reader);
    const RegionalSettings regional = m_setup.regionalSettings();
    Import import(fields, reader, *m_connection, regional, reporter, progress);
    // A test run stores nothing and has nothing to journal.
    // VXR_BENCH_WITHOUT_JOURNAL=1 exists only for scripts/bench, to measure
    // what the journal costs a run: never a choice users are given.
    if (m_request.mode == RunMode::TestRun || qEnvironmentVariableIntValue("VXR_BENCH_WITHOUT_JOURNAL") == 1)
        return import.run(m_request);
    if (m_request.resumeLast)
        return runResumed(import, fields, reporter, progress);
    QString problem;
    const QString journalPath = this->journalPath();
    const std::unique_ptr<RunJournal> journal = RunJournal::begin(
            journalPath, m_connection->database(), journalStart(fields), &problem);
    if (!journal)
        return failed(QStringLiteral("the journal %1 cannot be written, and no run goes without its way back: %2")
                              .arg(QDir::toNativeSeparators(journalPath), problem),
                      reporter, progress);
    ImportRequest request = m_request;
    request.journal = journal.get();
    ImportSummary summary = import.run(request);
    journal->end(summary, journalSummary(summary));
    summary.journalRunId = journal->runId();
    summary.journalPath = journal->path();
    return summary;
}

// What the journal keeps of the run's set-up: the settings file it makes.
JournalRunStart ImportJob::journalStart(const FieldTable &fields) const
{
    JournalRunStart start;
    start.storeIdentity = Journal::storeIdentity(m_setup.connectionString);
    start.filePath = QFileInfo(m_request.textFilePath).absoluteFilePath();
    if (const TableInfo *table = tableInfo(m_setup.tableId))
        start.tableName = table->name;
    const QTemporaryDir folder;
    const QString settings = folder.filePath(QStringLiteral("run.imp"));
    QString ignored;
    QFile file(settings);
    if (writeSetupFile(settings, m_setup, fields, &ignored) && file.open(QIODevice::ReadOnly))
        start.setup = QString::fromUtf8(file.readAll());
    return start;
}

QString ImportJob::journalSummary(const ImportSummary &summary)
{
    return QStringLiteral("%1; lines read %2, added %3, updated %4, skipped %5, failed %6, not reached %7%8")
            .arg(runStatusText(summary))
            .arg(summary.linesRead)
            .arg(summary.rowsAdded)
            .arg(summary.rowsUpdated)
            .arg(summary.linesSkipped)
            .arg(summary.linesFailed)
            .arg(summary.linesNotReached)
            .arg(summary.failure.isEmpty() ? QString() : QStringLiteral("; ") + summary.failure);
}

// A cancel during a wait for a locked store: nothing was read or written.
ImportSummary ImportJob::cancelledWhileConnecting(ProgressSink &progress) const
{
    ImportSummary summary;
    summary.outcome = RunOutcome::Cancelled;
    summary.logPath = m_request.logPath;
    progress.setStatus(runStatusCancelled(0));
    return summary;
}

ImportSummary ImportJob::failed(const QString &reason, Reporter &reporter, ProgressSink &progress) const
{
    ImportSummary summary;
    summary.outcome = RunOutcome::Failed;
    summary.failure = reason;
    summary.logPath = m_request.logPath;
    progress.setStatus(RunStatusFailedPrefix + reason);
    reporter.message(MessageKind::Critical, QStringLiteral("The import failed: ") + reason + u'.');
    return summary;
}

} // namespace vxr

#include "ImportThread.h"

#include "catalogue/FieldTable.h"
#include "database/CancelToken.h"
#include "database/DbConnection.h"
#include "database/DbError.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

#include <QDateTime>
#include <QThread>

#include <exception>

namespace vxr {

namespace {

// What the engine tells the operator, handed on as a signal.
class SignalReporter final : public Reporter
{
public:
    explicit SignalReporter(ImportThread &owner) : m_owner(owner) {}
    void message(MessageKind kind, const QString &text, const QString &caption) override
    {
        emit m_owner.message(kind, text, caption);
    }

private:
    ImportThread &m_owner;
};

// The run's progress, handed on as signals (at most about ten a second).
class SignalProgress final : public ProgressSink
{
public:
    explicit SignalProgress(ImportThread &owner) : m_owner(owner) {}
    void setStatus(const QString &text) override { emit m_owner.statusChanged(text); }
    void setProgress(const ImportProgress &progress) override { emit m_owner.progressChanged(progress); }

private:
    ImportThread &m_owner;
};

ImportSummary failedRun(const QString &reason, const ImportRequest &request, Reporter &reporter,
                        ProgressSink &progress)
{
    ImportSummary summary;
    summary.outcome = RunOutcome::Failed;
    summary.failure = reason;
    summary.logPath = request.logPath;
    progress.setStatus(RunStatusFailedPrefix + reason);
    reporter.message(MessageKind::Critical, QStringLiteral("The import failed: ") + reason + u'.');
    return summary;
}

// One run, on the calling thread, with objects of its own: the connection
// (closed by the run at its end), the field table and the reader.
ImportSummary runHere(const ImportSetup &setup, const ImportRequest &request, int connectTimeoutSeconds,
                      Reporter &reporter, ProgressSink &progress)
{
    progress.setStatus(RunStatusInitializing);
    DbConnection connection;
    DbError error;
    if (!connection.open(setup.connectionString, &error, connectTimeoutSeconds))
        return failedRun(QStringLiteral("the database cannot be opened: %1 (error %2)")
                             .arg(error.description.trimmed())
                             .arg(error.number),
                         request, reporter, progress);
    // Date defaults are those of the moment the run starts.
    FieldTable fields = FieldTable::buildCatalogue(QDateTime::currentDateTime(), reporter);
    RecordReader reader(fields);
    setup.configureReader(reader);
    const RegionalSettings regional = setup.regionalSettings();
    Import run(fields, reader, connection, regional, reporter, progress);
    return run.run(request);
}

} // namespace

ImportThread::ImportThread(QObject *parent) : QObject(parent)
{
    connect(this, &ImportThread::runEnded, this, &ImportThread::ended, Qt::QueuedConnection);
}

ImportThread::~ImportThread()
{
    if (!m_thread)
        return;
    m_cancel->request();
    m_thread->wait();
    delete m_thread;
}

bool ImportThread::start(const ImportSetup &setup, const ImportRequest &request, int connectTimeoutSeconds)
{
    if (m_running)
        return false;
    m_cancel = std::make_unique<CancelToken>();
    ImportRequest own = request;
    own.cancel = m_cancel.get();
    m_running = true;
    m_thread = QThread::create([this, setup, own, connectTimeoutSeconds] {
        SignalReporter reporter(*this);
        SignalProgress progress(*this);
        ImportSummary summary;
        // Whatever happens, the window hears that the run has ended.
        try {
            summary = runHere(setup, own, connectTimeoutSeconds, reporter, progress);
        } catch (const DbError &error) {
            summary = failedRun(QStringLiteral("the database failed: %1 (error %2)").arg(error.description).arg(error.number),
                                own, reporter, progress);
        } catch (const std::exception &error) {
            summary = failedRun(QStringLiteral("an unexpected error ended it: %1").arg(QString::fromLocal8Bit(error.what())),
                                own, reporter, progress);
        }
        emit runEnded(summary, QPrivateSignal());
    });
    m_thread->setObjectName(QStringLiteral("import run"));
    m_thread->start();
    return true;
}

void ImportThread::cancel()
{
    if (m_running)
        m_cancel->request();
}

bool ImportThread::cancelRequested() const
{
    return m_cancel && m_cancel->isRequested();
}

bool ImportThread::wait(QDeadlineTimer deadline)
{
    return !m_thread || m_thread->wait(deadline);
}

void ImportThread::ended(const ImportSummary &summary)
{
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_running = false;
    emit finished(summary);
}

} // namespace vxr

#include "ImportThread.h"

#include "database/CancelToken.h"
#include "import/ImportJob.h"

#include <QThread>

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
        // The job's connection belongs to this thread: it is made here.
        ImportJob job(setup, own, connectTimeoutSeconds);
        const ImportSummary summary = job.run(reporter, progress);
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

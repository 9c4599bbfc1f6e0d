#pragma once

#include "catalogue/Reporter.h"
#include "import/ImportRun.h"
#include "import/ImportSetup.h"

#include <QDeadlineTimer>
#include <QObject>

#include <memory>

class QThread;

namespace vxr {

class CancelToken;

// Runs one import at a time on a thread of its own, so that the window stays
// responsive. The run is an ImportJob made on that thread: it opens its own
// connection and builds its own field table and reader, so nothing of the window's
// is touched off its thread, and the window's connection stays open for the
// next import. What the run tells the operator, its progress and its end
// arrive as signals, queued to the thread this object lives on.
class ImportThread : public QObject
{
    Q_OBJECT
public:
    explicit ImportThread(QObject *parent = nullptr);
    // A run still going is cancelled and waited for.
    ~ImportThread() override;

    // Starts a run of setup with request (whose cancel token is set here);
    // false when a run is going already.
    bool start(const ImportSetup &setup, const ImportRequest &request, int connectTimeoutSeconds);
    // From start() until finished() has been emitted.
    bool isRunning() const { return m_running; }
    // Asks the run to stop after the current line; a wait for a lock is cut
    // short. What is committed stays stored.
    void cancel();
    bool cancelRequested() const;
    // Blocks until the run's thread has ended; finished() still comes
    // through the event loop. False when the deadline passed first.
    bool wait(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));

signals:
    void statusChanged(const QString &text);
    void progressChanged(const vxr::ImportProgress &progress);
    void message(vxr::MessageKind kind, const QString &text, const QString &caption);
    void finished(const vxr::ImportSummary &summary);

    // Emitted on the run's thread when it is through; queued to this object.
    void runEnded(const vxr::ImportSummary &summary, QPrivateSignal);

private:
    void ended(const ImportSummary &summary);

    QThread *m_thread = nullptr;
    std::unique_ptr<CancelToken> m_cancel;
    bool m_running = false;
};

} // namespace vxr

#pragma once

#include "Journal.h"

#include <QMutex>
#include <QString>
#include <QWaitCondition>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QThread;

namespace vxr {

// Writes to a journal on a thread of its own, through a connection of its
// own, so that packing and storing a batch's rows goes on beside the
// store's work on the rows after them. Jobs run one after the other in the
// order they were given. A job posted is not waited for: its failure is
// kept, the jobs after it are not run, and the next call reports it.
class JournalWriter
{
    Q_DISABLE_COPY_MOVE(JournalWriter)

public:
    using Job = std::function<bool(Journal &journal, QString *error)>;

    // Opens the journal at path on the writer's thread; nullptr with why in
    // *error when it cannot be opened.
    static std::unique_ptr<JournalWriter> start(const QString &path, QString *error);
    // Runs what was posted, then closes the connection and ends the thread.
    ~JournalWriter();

    void post(Job job);
    // Runs job once everything posted before it is done and waits for it.
    // False with *error when it failed, or when a job posted since the last
    // call did (that job's error; this one is then not run).
    bool call(Job job, QString *error);

private:
    JournalWriter() = default;
    void serve(const QString &path);
    void runJob(Journal &journal, Job job);

    QMutex m_mutex;
    QWaitCondition m_changed;
    std::deque<Job> m_jobs;
    std::vector<Job> m_done; // run, to be destroyed by the thread that posted them
    bool m_busy = false;     // a job is running
    bool m_stopping = false;
    bool m_opened = false;   // the thread has tried to open the journal
    QString m_failure;       // the first failure since the last call
    std::unique_ptr<QThread> m_thread;
};

} // namespace vxr

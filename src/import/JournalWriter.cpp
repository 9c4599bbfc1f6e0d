#include "JournalWriter.h"

#include <QMutexLocker>
#include <QThread>

namespace vxr {

std::unique_ptr<JournalWriter> JournalWriter::start(const QString &path, QString *error)
{
    std::unique_ptr<JournalWriter> writer(new JournalWriter);
    writer->m_thread.reset(QThread::create([w = writer.get(), path] { w->serve(path); }));
    writer->m_thread->start();
    QMutexLocker locker(&writer->m_mutex);
    while (!writer->m_opened)
        writer->m_changed.wait(&writer->m_mutex);
    if (!writer->m_failure.isEmpty()) {
        *error = writer->m_failure;
        locker.unlock();
        return nullptr; // the thread has ended
    }
    return writer;
}

JournalWriter::~JournalWriter()
{
    {
        QMutexLocker locker(&m_mutex);
        m_stopping = true;
        m_changed.wakeAll();
    }
    m_thread->wait();
}

// The thread: the journal's connection is made, used and closed here.
void JournalWriter::serve(const QString &path)
{
    QString error;
    std::optional<Journal> journal = Journal::open(path, &error);
    {
        QMutexLocker locker(&m_mutex);
        m_opened = true;
        m_failure = error;
        m_changed.wakeAll();
        if (!journal)
            return;
    }
    for (;;) {
        Job job;
        {
            QMutexLocker locker(&m_mutex);
            while (m_jobs.empty() && !m_stopping)
                m_changed.wait(&m_mutex);
            if (m_jobs.empty())
                return;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_busy = true;
        }
        runJob(*journal, std::move(job));
    }
}

// After a failure the jobs still waiting are not run: each follows from
// the ones before it. A job done is handed back to be destroyed by the
// thread that posted it: what it holds was allocated there, and freeing it
// here would take that thread's heap lock against it.
void JournalWriter::runJob(Journal &journal, Job job)
{
    bool skip = false;
    {
        QMutexLocker locker(&m_mutex);
        skip = !m_failure.isEmpty();
    }
    QString error;
    const bool ok = skip || job(journal, &error);
    QMutexLocker locker(&m_mutex);
    if (!ok && m_failure.isEmpty())
        m_failure = error.isEmpty() ? QStringLiteral("the journal could not be written") : error;
    m_done.push_back(std::move(job));
    m_busy = false;
    m_changed.wakeAll();
}

void JournalWriter::post(Job job)
{
    std::vector<Job> done; // destroyed once the lock is released
    QMutexLocker locker(&m_mutex);
    m_jobs.push_back(std::move(job));
    done.swap(m_done);
    m_changed.wakeAll();
}

bool JournalWriter::call(Job job, QString *error)
{
    // Set by the job itself: a job skipped after a failure leaves it unset.
    bool done = false;
    post([&](Journal &journal, QString *jobError) {
        done = job(journal, jobError);
        return done;
    });
    std::vector<Job> finished;
    QMutexLocker locker(&m_mutex);
    while (!m_jobs.empty() || m_busy)
        m_changed.wait(&m_mutex);
    finished.swap(m_done);
    if (done)
        return true;
    if (error)
        *error = m_failure;
    m_failure.clear();
    return false;
}

} // namespace vxr

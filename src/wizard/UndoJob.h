#pragma once

#include "import/JournalRuns.h"
#include "import/Undo.h"

#include <QObject>

#include <optional>

class QThread;

namespace vxr {

// What the history window asks of the store and its journal.
struct HistoryTask
{
    QString connectionString;
    int connectTimeoutSeconds = 15;
    qint64 runId = 0;    // the run to take back; 0: only list the runs
    bool dryRun = false; // with runId: say what taking it back would do, changing nothing
    // Batches left prepared are settled first, but not while a run goes:
    // its batch between the journal's mark and the store's commit would be
    // taken for one a killed run left.
    bool settle = true;
};

// What came of a task. The runs are listed after any undo, so that they
// show it.
struct HistoryResult
{
    QString storeIdentity;
    QString journalPath;
    bool journalExists = false;
    bool runsRead = false;  // false: the journal could not be read, the runs are not known
    QList<JournalRun> runs; // oldest first
    std::optional<UndoOutcome> outcome;
    QString conflictListPath; // the CSV of the conflicts, when there were any
    QString error;            // in plain words; empty when the task went through
};

// Does a task on the calling thread, with a store connection and a journal
// connection of its own (it opens both, and settles what a killed run left
// prepared before the runs are read).
HistoryResult runHistoryTask(const HistoryTask &task);

// Runs one task at a time on a thread of its own, so that the window stays
// responsive while a large run is taken back. The result arrives as
// finished(), on the thread this object lives on.
class UndoJob : public QObject
{
    Q_OBJECT
public:
    explicit UndoJob(QObject *parent = nullptr);
    // A task still going is waited for: an undo is never left half-way.
    ~UndoJob() override;

    // False when a task is going already.
    bool start(const HistoryTask &task);
    bool isBusy() const { return m_thread != nullptr; }
    void wait();

signals:
    void finished(const vxr::HistoryResult &result);

private:
    void ended(const HistoryResult &result);

    QThread *m_thread = nullptr;
};

} // namespace vxr

#pragma once

#include "Journal.h"
#include "JournalEntries.h"
#include "JournalWriter.h"
#include "RunLock.h"

#include <QSqlDatabase>

#include <memory>

namespace vxr {

struct ImportSummary;

// The journal of one run as the run writes it: the run's row when it
// starts, each batch prepared before the store commits it and marked after,
// and the run's end. The rows of the open batch are collected by entries(),
// which the run's tables report to.
class RunJournal
{
    Q_DISABLE_COPY_MOVE(RunJournal)

public:
    // Opens the journal, settles what earlier runs left prepared (looking in
    // the store) and adds this run's row, with the text file's size and hash.
    // nullptr with why in *error when any of it fails.
    static std::unique_ptr<RunJournal> begin(const QString &path, const QSqlDatabase &store,
                                             JournalRunStart start, QString *error);

    // Takes up run runId again after a stop (see ResumePlan.h): settles the
    // journal as begin() does, marks the run 'running' again and numbers its
    // batches on from batchesBefore.
    static std::unique_ptr<RunJournal> proceed(const QString &path, const QSqlDatabase &store, qint64 runId,
                                               int batchesBefore, QString *error);

    RowChangeSink &entries() { return m_entries; }
    qint64 runId() const { return m_runId; }
    QString path() const { return m_journal.path(); }

    // Before the store's commit: the open batch's rows, on disk as
    // 'prepared', in two steps, so that the run can read on while they are
    // written. startPrepare hands them to the journal's thread; point is
    // where the run stands once the batch is committed. finishPrepare waits
    // until they are on disk. False with *error from either when they cannot
    // be written; the batch must then not be committed.
    bool startPrepare(qint64 firstLine, qint64 lastLine, const BatchPoint &point, QString *error);
    bool finishPrepare(QString *error);
    // After the store's commit, or its failure.
    void stored();
    void notStored();
    // The run's outcome and counts.
    void end(const ImportSummary &summary, const QString &summaryText);

private:
    RunJournal(Journal journal, qint64 runId);
    void pauseForTests(const char *step) const;
    bool lock(QString *error);
    bool startWriter(QString *error);

    Journal m_journal;
    qint64 m_runId = 0;
    JournalEntries m_entries;
    int m_batches = 0;
    bool m_preparing = false; // the open batch's prepare is under way
    bool m_prepared = false;  // the last batch is prepared and not yet stored or lost
    int m_storedUnmarked = 0; // a batch the store committed, still to be marked so
    std::unique_ptr<RunLock> m_lock; // held while the run goes on
    // The batches' writes, beside the run's own work; gone before the lock.
    std::unique_ptr<JournalWriter> m_writer;
};

} // namespace vxr

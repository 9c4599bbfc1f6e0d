#include "RunJournal.h"

#include "FileHash.h"
#include "ImportRun.h"

#include <QFile>
#include <QSqlError>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace vxr {

namespace {

// How many batches' entries gather in the journal's log before they are
// copied into its file.
constexpr int BatchesPerCheckpoint = 8;

QString outcomeWord(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Complete:
    case RunOutcome::TestRun:
    case RunOutcome::RolledBack: return QStringLiteral("finished");
    case RunOutcome::Cancelled: return QStringLiteral("cancelled");
    case RunOutcome::Failed: break;
    }
    return QStringLiteral("failed");
}

} // namespace

// The batch's rows go to the journal in parts while the run goes on, each
// part after the mark of the batch before when it has one.
RunJournal::RunJournal(Journal journal, qint64 runId) : m_journal(std::move(journal)), m_runId(runId)
{
    m_entries.writeAheadWith(
            [this](const QList<JournalEntry> &part, QString *) {
                m_writer->post([runId = m_runId, number = m_batches + 1, part,
                                committedBefore = std::exchange(m_storedUnmarked, 0)](Journal &journal, QString *error) {
                    return journal.writeBatchPart(runId, number, part, committedBefore, error);
                });
                return true;
            },
            [this](qint64 kept, QString *error) {
                return m_writer->call(
                        [runId = m_runId, number = m_batches + 1, kept](Journal &journal, QString *jobError) {
                            return journal.takeBackBatchPart(runId, number, kept, jobError);
                        },
                        error);
            });
}

// The journal's writes from here on come from a thread of their own.
bool RunJournal::startWriter(QString *error)
{
    m_writer = JournalWriter::start(m_journal.path(), error);
    return m_writer
            && m_writer->call([](Journal &journal, QString *jobError) { return journal.checkpointByHand(jobError); },
                              error);
}

std::unique_ptr<RunJournal> RunJournal::begin(const QString &path, const QSqlDatabase &store, JournalRunStart start,
                                              QString *error)
{
    std::optional<Journal> journal = Journal::open(path, error);
    if (!journal || journal->settle(store, error) < 0)
        return nullptr;
    // The hash is taken on the journal's thread while the first batch is
    // read; that batch's prepare waits for it.
    start.fileHash = QStringLiteral("");
    start.fileSize = QFile(start.filePath).size();
    // The run's row and its lock come together: one who opens the journal
    // sees the row only once the lock is held, and never takes the run for
    // killed.
    QSqlDatabase db = journal->database();
    if (!db.transaction()) {
        *error = db.lastError().text();
        return nullptr;
    }
    const qint64 runId = journal->startRun(start, error);
    if (runId < 0) {
        db.rollback();
        return nullptr;
    }
    std::unique_ptr<RunJournal> run(new RunJournal(std::move(*journal), runId));
    if (!run->lock(error)) {
        db.rollback();
        return nullptr;
    }
    if (!db.commit()) {
        *error = db.lastError().text();
        db.rollback();
        return nullptr;
    }
    if (!run->startWriter(error))
        return nullptr;
    run->m_writer->post([runId, path = start.filePath](Journal &journal, QString *jobError) {
        const QString hash = fileSha256(path);
        if (hash.isEmpty()) {
            *jobError = QStringLiteral("the text file cannot be read for its hash");
            return false;
        }
        return journal.setFileHash(runId, hash, jobError);
    });
    return run;
}

// A batch that added and updated nothing has nothing to take back: it is
// not journaled.
bool RunJournal::startPrepare(qint64 firstLine, qint64 lastLine, const BatchPoint &point, QString *error)
{
    if (!m_entries.failure().isEmpty()) {
        *error = m_entries.failure();
        return false;
    }
    m_preparing = !m_entries.isEmpty();
    if (!m_preparing)
        return true;
    m_writer->post([runId = m_runId, number = m_batches + 1, firstLine, lastLine, point, entries = m_entries.take(),
                    committedBefore = std::exchange(m_storedUnmarked, 0)](Journal &journal, QString *jobError) {
        return journal.prepareBatch(runId, number, firstLine, lastLine, point, entries, committedBefore, jobError);
    });
    return true;
}

bool RunJournal::finishPrepare(QString *error)
{
    if (!std::exchange(m_preparing, false))
        return true;
    // Nothing to do but wait: a prepare that failed makes this fail.
    if (!m_writer->call([](Journal &, QString *) { return true; }, error))
        return false;
    ++m_batches;
    m_prepared = true;
    // While the store commits and the next batch is read; not after every
    // batch, since each copy of the log into the journal's file flushes
    // that file, and the flushes' interrupts slow the run's own thread.
    if (m_batches % BatchesPerCheckpoint == 0)
        m_writer->post([](Journal &journal, QString *) {
            journal.checkpoint();
            return true;
        });
    pauseForTests("prepared");
    return true;
}

// The mark goes to disk with the next batch's prepare or the run's end: one
// journal transaction a batch. A run killed in between leaves the batch
// prepared, to be settled from the store, as one killed just before the mark.
void RunJournal::stored()
{
    if (!std::exchange(m_prepared, false))
        return;
    pauseForTests("stored");
    m_storedUnmarked = m_batches;
}

// A mark that cannot be written leaves the batch prepared: the next opening
// of the journal settles it from the store.
void RunJournal::notStored()
{
    if (!std::exchange(m_prepared, false))
        return;
    QString ignored;
    m_writer->call(
            [runId = m_runId, number = m_batches](Journal &journal, QString *error) {
                return journal.markBatch(runId, number, QStringLiteral("discarded"), error);
            },
            &ignored);
}

void RunJournal::end(const ImportSummary &summary, const QString &summaryText)
{
    // A single transaction rolled back as a whole stored nothing.
    const bool stored = !summary.nothingStored;
    JournalRunEnd end{outcomeWord(summary.outcome), stored ? summary.rowsAdded : 0,
                      stored ? summary.rowsUpdated : 0, summary.linesFailed, summaryText};
    const auto endRun = [runId = m_runId, &end, committedLast = std::exchange(m_storedUnmarked, 0)](
                                Journal &journal, QString *error) {
        return journal.endRun(runId, end, committedLast, error);
    };
    // A part that failed unseen (the run stopped before its batch's
    // prepare) is told first; the end is written still.
    QString ignored;
    if (!m_writer->call(endRun, &ignored))
        m_writer->call(endRun, &ignored);
}

// For the tests of a run killed between the journal's two marks:
// VXR_JOURNAL_TEST_PAUSE=<step>:<batch> stops the run there, saying so on
// standard error, until it is killed.
void RunJournal::pauseForTests(const char *step) const
{
    const QByteArray wanted = qgetenv("VXR_JOURNAL_TEST_PAUSE");
    if (wanted.isEmpty() || wanted != QByteArray(step) + ':' + QByteArray::number(m_batches))
        return;
    std::fprintf(stderr, "journal paused %s\n", wanted.constData());
    std::fflush(stderr);
    for (;;)
        QThread::sleep(1);
}

} // namespace vxr

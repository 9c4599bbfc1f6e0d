#pragma once

#include "BatchLedger.h"
#include "BatchPoint.h"
#include "ImportRun.h"
#include "StagedWriter.h"

#include "text/RecordReader.h"

#include <QElapsedTimer>
#include <QHash>

#include <functional>
#include <future>
#include <optional>

namespace vxr {

class FieldTable;
class RecordWriter;
class RejectFile;
class RunJournal;
class TableRecordsets;
struct DbError;

// Why the line loop ended before the end of the file.
struct Stop
{
    enum class Kind {
        Cancelled, // on request; what is written is kept (committed)
        TextFile,  // the text file could not be read on; what is written is kept
        Database,  // the store or connection failed; the open batch is lost
    } kind = Kind::Cancelled;
    QString reason;
};

// The lines of a run from the first to the last (or to a stop): read a
// batch ahead, written through the staged writer, accounted for in the
// ledger, committed batch by batch (or, for a single transaction, left to
// the run to commit or roll back). A batch the database rolls back for the
// sake of another transaction (a deadlock victim, a serialization failure)
// is written again from its first line, up to three times.
class LineLoop
{
public:
    // Where the loop reports: the run's summary, its reject file (may be
    // null), the log, how far it has got, and its problems report (may be
    // null).
    struct Outputs
    {
        ImportSummary &summary;
        RejectFile *reject;
        BatchLedger::LogLine log;
        std::function<void(bool force)> showProgress;
        ProblemsReport *problems = nullptr;
    };

    LineLoop(RecordReader &reader, TableRecordsets &tables, RecordWriter &writer, FieldTable &fields,
             const ImportRequest &request, Outputs outputs);

    // A run taken up again after its last committed batch: the lines before
    // nextLine were dealt with then. They are read past, the first one
    // giving the reject file its preamble as skip() does, and the failed
    // lines among them that are named go to the reject file again. False
    // with *error when the file cannot be read that far.
    bool passOver(qint64 nextLine, const QList<qint64> &rejectAgain, QString *error);
    // Reads and writes the lines; a stop when the loop ended before the end.
    std::optional<Stop> run();
    // Commits the open batch; a stop when the commit failed (the batch is
    // then lost).
    std::optional<Stop> commitBatch();
    // Rolls the open batch back on purpose: nothing of it is stored.
    void rollBackBatch();
    // Lines failed so far in the open batch.
    qint64 failedInBatch() const { return m_batch.failedCount(); }
    // Lines the reader has given so far, each of which must end up counted.
    qint64 linesTaken() const { return m_linesTaken; }

private:
    // The most lines read ahead at a time: a batch of more lines (a large
    // --batch, or a single transaction) is read and written in parts of this
    // size, so that memory stays flat whatever the batch.
    static constexpr int MaxChunk = 1000;
    // The fewest lines a part must hold for the next one to be read on
    // another thread meanwhile.
    static constexpr int MinLinesReadInTheBackground = 64;
    // How often a batch the database rolled back for the sake of another
    // transaction is written again before the run ends.
    static constexpr int MaxRetries = 3;

    struct AheadLine
    {
        qint64 number = 0;
        ReadLine line;
    };

    // Lines read ahead, and why reading ended before the part was full.
    struct ReadPart
    {
        QList<AheadLine> lines;
        std::optional<Stop> stop;
    };

    // Reads the next part of the file, its lines numbered after first; it
    // touches nothing of the loop's.
    ReadPart readAhead(qint64 first);
    ReadPart readPart();
    // The lines of a part: as many as a batch holds, MaxChunk at the most.
    int partSize() const;
    void readOn();
    void startReadingOn();
    void collectReadOn();
    std::optional<Stop> importChunk(QList<AheadLine> chunk);
    std::optional<Stop> commitOpenBatch(bool atPartEnd = false);
    bool prepareInJournal(RunJournal &journal, bool atPartEnd, QString *problem);
    BatchPoint pointOnCommit() const;
    void batchStarts();
    void keepForRetry(const QList<AheadLine> &chunk, qsizetype index);
    bool retryLater(const DbError &error);
    QList<AheadLine> linesToRetry(const QList<AheadLine> &chunk, qsizetype next);
    std::optional<Stop> writeChunk(const QList<AheadLine> &chunk, qsizetype &next);
    void setAside(const QList<AheadLine> &chunk, qsizetype from, const Stop &stop);
    // Skipped lines (the first, blank ones) are counted and not written.
    bool skip(const AheadLine &ahead);
    bool isSkipped(const AheadLine &ahead) const;
    std::optional<Stop> flushStaged();
    std::optional<Stop> stopOn(const DbError &error, qsizetype place);
    Stop loseBatch(const DbError &error);
    void settle(qint64 number, const LineOutcome &outcome);
    bool batchIsDue() const;
    bool cancelRequested() const;

    RecordReader &m_reader;
    TableRecordsets &m_tables;
    FieldTable &m_fields;
    const ImportRequest &m_request;
    Outputs m_out;
    StagedWriter m_staged;
    BatchLedger m_batch;
    // Where each line of the open batch stands in the ledger, by its number:
    // the lines come in the order of the file, so a list searched by halves.
    QList<std::pair<qint64, qsizetype>> m_placeOfLine;
    QElapsedTimer m_batchTimer;
    qint64 m_linesInBatch = 0; // lines processed since the last commit
    qint64 m_linesTaken = 0;
    // The part after the one written, read while the store took that one
    // (on another thread: m_reading) or while the journal prepared the batch
    // that ended it; run() takes it next. While m_reading runs, this thread
    // asks the reader nothing about the file.
    std::optional<ReadPart> m_readOn;
    std::future<ReadPart> m_reading;
    bool m_mayReadOn = false;

    // What a retry of the open batch starts from: its lines (while they are
    // few enough to keep), the counts and the field values before it.
    // A stretch of a part read ahead: shared with the part, not copied.
    struct OpenLines
    {
        QList<AheadLine> chunk;
        qsizetype from = 0;
        qsizetype to = 0;
    };
    QList<OpenLines> m_openLines;
    qsizetype m_openCount = 0;
    bool m_openLinesKept = true;
    qint64 m_readBeforeBatch = 0;
    qint64 m_skippedBeforeBatch = 0;
    qint64 m_lastBeforeBatch = 0;
    QList<QVariant> m_valuesBeforeBatch;
    int m_retries = 0;          // of the open batch
    bool m_retryPending = false;
};

} // namespace vxr

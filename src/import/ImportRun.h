#pragma once

#include "ProblemsReport.h"

#include <QList>
#include <QString>

namespace vxr {

class CancelToken;
class DbConnection;
class FieldTable;
class RecordReader;
class Reporter;
struct ResumePlan;
class RunJournal;
struct RegionalSettings;

// The status texts of a run: while it sets up, while it reads the text file,
// and once every line is through. A failed run shows RunStatusFailedPrefix
// followed by the reason, a cancelled one the line it stopped after.
inline const QString RunStatusInitializing = QStringLiteral("Initializing...");
inline const QString RunStatusImporting = QStringLiteral("Importing...");
inline const QString RunStatusComplete = QStringLiteral("Complete");
inline const QString RunStatusTestRun = QStringLiteral("Test run complete: nothing stored");
inline const QString RunStatusRolledBack = QStringLiteral("Rolled back: nothing stored");
inline const QString RunStatusFailedPrefix = QStringLiteral("Failed: ");
inline QString runStatusCancelled(qint64 lastLine)
{
    return QStringLiteral("Cancelled at line %1").arg(lastLine);
}

// How far a run has got, in numbers; front ends make the words. Lines count
// as added or updated once their batch is committed.
struct ImportProgress
{
    qint64 total = 0;       // lines the text file held when the run counted them
    qint64 linesRead = 0;   // lines processed so far
    qint64 added = 0;
    qint64 updated = 0;
    qint64 skipped = 0;
    qint64 failed = 0;
};

// The lines read as a whole percentage of the total, a half rounded away from
// zero: 0 .. 100 (a file that grew after it was counted stops at 100).
int percentDone(qint64 linesRead, qint64 total);

// Where a run shows its progress: the wizard's panel, or the command-line
// tool's progress line. Progress arrives about ten times a second at most
// (ImportRequest::progressMilliseconds), and once more at the end; the calls
// come on the thread that runs the import.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    virtual void setStatus(const QString &text) = 0;
    virtual void setProgress(const ImportProgress &progress) = 0;
};

// How a run commits what it writes.
enum class RunMode {
    Batches,      // a commit every batchLines lines or every batchMilliseconds
    TestRun,      // one transaction, rolled back at the end: nothing is stored
    AllOrNothing, // one transaction, committed only when no line failed
};

// What one run imports, and how.
struct ImportRequest
{
    int tableId = 0;              // destination table id
    QString textFilePath;         // as the operator typed it
    bool skipFirstLine = false;
    bool duplicatesAsErrors = true;
    QString logPath;              // the log file to append to
    RunMode mode = RunMode::Batches;
    int batchLines = 1000;
    int batchMilliseconds = 1000;
    QString rejectPath;           // empty: NAME.rejected.EXT beside the text file
    bool strictValues = false;    // a value that is no number or date fails its line
    bool rejectCut = false;       // a text longer than its column fails its line instead of being cut
    QString problemsPath;         // empty: NAME.problems.csv beside the reject file
    CancelToken *cancel = nullptr; // when set, a request stops the run after the current line
    int progressMilliseconds = 100; // the shortest time between two progress reports
    QString journalPath;          // where ImportJob journals the run; empty: the store's journal
    RunJournal *journal = nullptr; // when set, every batch is journaled before its commit
    bool resumeLast = false;      // ImportJob takes up the store's newest stopped run instead
    const ResumePlan *resume = nullptr; // when set, the run goes on from where that plan says
};

enum class RunOutcome {
    Complete,  // every line was read and dealt with
    Failed,    // the run could not start or had to stop
    Cancelled, // stopped on request
    TestRun,   // a test run went through; nothing stored
    RolledBack, // a single transaction was rolled back because lines failed; nothing stored
};

// What a run did. Every line of the file is in exactly one of added,
// updated, rolled back, skipped, failed and not reached; a run that finds it
// otherwise reports itself failed.
struct ImportSummary
{
    RunOutcome outcome = RunOutcome::Failed;
    QString failure;              // what failed and where, when the run failed
    qint64 linesRead = 0;         // lines processed (skipped ones included)
    qint64 rowsAdded = 0;
    qint64 rowsUpdated = 0;
    qint64 linesSkipped = 0;
    qint64 linesFailed = 0;
    qint64 linesNotReached = 0;   // not processed: the run was cancelled or stopped
    // Lines written in a single transaction that was then rolled back (all
    // or nothing with failed lines, or cancelled): what they would have added
    // and updated. None of it is stored, so rowsAdded and rowsUpdated say 0;
    // a test run keeps its counts in rowsAdded and rowsUpdated instead.
    qint64 rolledBackAdded = 0;
    qint64 rolledBackUpdated = 0;
    // Values of the lines counted as added or updated that were not taken as
    // their text gave them; neither is a failure. Texts with no number in a
    // number column (stored as 0) or no date in a date column (stored
    // empty), and texts cut to fit their column (supplier names to 30
    // characters).
    qint64 valuesReadAsEmpty = 0;
    qint64 valuesCut = 0;
    qint64 lastLineProcessed = 0;
    bool nothingStored = false;   // a test run, or a single transaction rolled back
    bool fileChanged = false;     // the text file held other lines than were counted
    QString logPath;
    qint64 logLinesMissing = 0;   // failed lines the log could not take
    QString rejectPath;           // the reject file written; empty when none
    bool rejectWritten = true;    // false when some rejected line could not be written
    QString rejectError;
    // The problems report: where it is (empty when there was nothing to
    // report), its rows, the first few of them, and what kept it from the
    // disk (empty when nothing did).
    QString problemsPath;
    qint64 problemCount = 0;
    QList<ProblemRow> firstProblems;
    QString problemsError;
    // The run's id in the store's journal (0: not journaled, as a test run),
    // and the journal holding it: what a front end takes the run back with.
    qint64 journalRunId = 0;
    QString journalPath;

    bool stopped() const { return outcome == RunOutcome::Failed || outcome == RunOutcome::Cancelled; }
};

// One import of a delimited text file into a destination table.
class Import
{
public:
    Import(FieldTable &fields, RecordReader &reader, DbConnection &connection,
           const RegionalSettings &regional, Reporter &reporter, ProgressSink &progress);

    ImportSummary run(const ImportRequest &request);

private:
    FieldTable &m_fields;
    RecordReader &m_reader;
    DbConnection &m_connection;
    const RegionalSettings &m_regional;
    Reporter &m_reporter;
    ProgressSink &m_progress;
};

} // namespace vxr

#pragma once

#include "database/LineOutcome.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

namespace vxr {

class ProblemsReport;
class RejectFile;
struct ImportSummary;

// The lines of the batch a run has open: those staged (waiting to be written
// with others), written (not yet committed), and rejected (failed, or not
// reached). A line counts as added or updated only when its batch commits;
// when the batch is lost, its staged and written lines fail with it.
// Failures are logged, and rejected lines reach the reject file, in the
// order of the text file. The values a line's rows took as 0, empty or cut
// count, like the line, only once it is committed; so do the problems
// report's rows, which follow the log's failures.
class BatchLedger
{
public:
    enum class Kind { Staged, Added, Updated, Failed, NotReached };
    struct Line
    {
        qint64 number = 0;
        QByteArray text; // as read, without the line end
        QByteArray end;  // the line end as read
        Kind kind = Kind::Failed;
        qint32 errorNumber = 0; // of a failed line
        QString detail;         // what its log marker names
        bool logged = false;
        ValueTally values;      // of a written line
        QString field;          // of a failed line: the entry whose value failed it
        QString value;          // and that value's text
        QString description;    // the database's words for the failure
    };
    // Writes one failed line to the log.
    using LogLine = std::function<void(const Line &)>;

    // Adds a line at the end of the batch; returns its place, by which a
    // staged line is settled.
    qsizetype add(qint64 number, const QByteArray &text, const QByteArray &end, Kind kind,
                  qint32 errorNumber = 0, const QString &detail = {});
    // Settles a staged line as kind, with what the outcome says of it.
    void settle(qsizetype place, Kind kind, const LineOutcome &outcome = {});
    // Where the problems of committed and lost batches go (may be null).
    void setProblems(ProblemsReport *problems) { m_problems = problems; }
    qsizetype size() const { return m_lines.size(); }
    // The failed lines of the batch, kept up to date as lines are added.
    qint64 failedCount() const { return m_failed; }
    bool isEmpty() const { return m_lines.isEmpty(); }

    // What the batch adds to the run's counts when it is committed, and the
    // lines it then leaves behind: the first it did not reach (0: none) and
    // those that failed, which go to the reject file.
    struct Tally
    {
        qint64 added = 0;
        qint64 updated = 0;
        qint64 firstNotReached = 0;
        QList<qint64> failedLines;
    };
    Tally tally() const;

    // Logs the failed lines not logged yet, in file order.
    void logFailures(const LogLine &log);

    // The batch was committed: its written lines are counted, its failures
    // logged and its rejected lines written to the reject file (when there
    // is one).
    void committed(ImportSummary &summary, RejectFile *reject, const LogLine &log);
    // The batch was lost: its staged and written lines fail with the error
    // that lost it; every line goes to the reject file.
    void lost(ImportSummary &summary, RejectFile *reject, qint32 errorNumber, const LogLine &log);
    // The batch is to be written again from its first line (the database
    // rolled it back for the sake of another transaction): its lines are
    // forgotten, untold.
    void forget();
    // Nothing of the batch is stored, on purpose (a test run, a rolled-back
    // single transaction): written lines are counted as they would have been.
    void rolledBack(ImportSummary &summary, RejectFile *reject, const LogLine &log);

private:
    void count(const Line &line, ImportSummary &summary) const;
    void writeRejected(RejectFile *reject, bool writtenLinesToo) const;
    void finish(ImportSummary &summary, RejectFile *reject, bool writtenLinesToo, const LogLine &log,
                bool committed = false);
    void report(const Line &line, bool committed) const;

    QList<Line> m_lines;
    qint64 m_failed = 0;
    ProblemsReport *m_problems = nullptr;
};

} // namespace vxr

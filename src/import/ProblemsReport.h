#pragma once

#include "database/ValueResolver.h"

#include <QList>
#include <QSaveFile>
#include <QString>

namespace vxr {

struct ImportSummary;

// One row of the problems report: a line that failed, or a value of a stored
// line that was not stored as its text gave it.
struct ProblemRow
{
    qint64 line = 0;  // as the log numbers it
    QString field;    // the entry's caption; empty when the line failed as a whole
    QString text;     // the value as the line gave it; empty when no one value failed
    QString problem;  // in words
    QString outcome;  // Stored, Failed (error N) or Rolled back

    bool operator==(const ProblemRow &) const = default;
};

// The problems of a run, line by line, as a CSV file (UTF-8, a header row
// Line,Field,Text,Problem,Outcome): every failed line with its reason in
// words, and every value of a stored line read as 0 or empty, cut to fit or
// otherwise changed. Rows arrive batch by batch, once a batch is committed
// or lost, in the order of the text file.
//
// The file is written beside its final name and put in place when the run
// ends, so an earlier report stays whole until then; a run with nothing to
// report writes none and removes an earlier one.
class ProblemsReport
{
public:
    // A test run's values are reported as a real run would store them.
    ProblemsReport(QString path, bool testRun);
    ProblemsReport(const ProblemsReport &) = delete;
    ProblemsReport &operator=(const ProblemsReport &) = delete;

    // Rows shown after a run besides the report: the first this many.
    static constexpr int FirstShown = 5;

    void lineFailed(qint64 line, qint32 errorNumber, const QString &field, const QString &text,
                    const QString &description);
    // committed: the line's batch is stored; otherwise it was rolled back.
    void valueChanged(qint64 line, const ValueNote &note, bool committed);

    // Puts the report in place (or removes the earlier one when there was
    // nothing to report) and tells the summary where it is, how many rows it
    // holds, the first of them, and what kept it from the disk.
    void finish(ImportSummary &summary);

    static QString problemOf(const ValueNote &note);
    // The row as a CSV line, with its CRLF.
    static QByteArray csvLine(const ProblemRow &row);

private:
    void add(ProblemRow row);

    QString m_path;
    bool m_testRun = false;
    QSaveFile m_file;
    qint64 m_rows = 0;
    QList<ProblemRow> m_first;
    QString m_error;
};

// A row in one sentence, as front ends list the first few: 'Line 4, Price
// "auf Anfrage": No number: stored as 0.' or 'Line 9: Failed (error 3022):
// The key is in the store already, ...'.
QString problemSentence(const ProblemRow &row);

} // namespace vxr

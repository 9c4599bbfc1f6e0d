#pragma once

#include "database/ValueResolver.h"

#include <QByteArray>
#include <QList>

namespace vxr {

class RejectFile;
struct ImportSummary;

// The lines of the batch a run has open: those written (not yet committed)
// and those rejected (failed, or not reached). A line counts as added or
// updated only when its batch commits, and so do the values its rows took
// as 0, empty or cut; when the batch is lost, its written lines fail with it. Rejected lines reach the reject file in the order of
// the text file.
class BatchLedger
{
public:
    enum class Kind { Added, Updated, Failed, NotReached };
    struct Line
    {
        qint64 number = 0;
        QByteArray text; // as read, without the line end
        QByteArray end;  // the line end as read
        Kind kind = Kind::Failed;
        ValueTally values; // of a written line
    };

    void add(qint64 number, const QByteArray &text, const QByteArray &end, Kind kind, const ValueTally &values = {})
    {
        m_lines.append({number, text, end, kind, values});
    }
    qsizetype size() const { return m_lines.size(); }
    qint64 countOf(Kind kind) const;
    bool isEmpty() const { return m_lines.isEmpty(); }

    // The batch was committed: its written lines are counted, its rejected
    // ones written to the reject file (when there is one).
    void committed(ImportSummary &summary, RejectFile *reject);
    // The batch was lost: the written lines are returned (to be logged as
    // failed) and counted as failed; every line goes to the reject file.
    QList<Line> lost(ImportSummary &summary, RejectFile *reject);
    // Nothing of the batch is stored, on purpose (a test run, a rolled-back
    // single transaction): written lines are counted as they would have been.
    void rolledBack(ImportSummary &summary, RejectFile *reject);

private:
    void count(const Line &line, ImportSummary &summary) const;
    void writeRejected(RejectFile *reject, bool writtenLinesToo) const;

    QList<Line> m_lines;
};

} // namespace vxr

#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace vxr {

// Where a run stands once a batch is committed, journaled with the batch so
// that a run that stopped can be taken up again after its last committed
// batch: the counts of the lines before nextLine, the reject file's size
// before the batch's failed lines went to it, and those lines.
struct BatchPoint
{
    qint64 nextLine = 0; // the first line not dealt with
    qint64 added = 0;
    qint64 updated = 0;
    qint64 failed = 0;
    qint64 skipped = 0;
    qint64 rejectBytes = 0;
    qint64 rejectLines = 0;
    QList<qint64> rejected; // the batch's failed lines, in file order
};

// Line numbers in order as the journal keeps them: "3-5,9"; and back. An
// unreadable text gives nullopt.
QString packLineNumbers(const QList<qint64> &lines);
std::optional<QList<qint64>> unpackLineNumbers(const QString &text);

} // namespace vxr

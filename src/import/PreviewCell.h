#pragma once

#include <QList>
#include <QString>

namespace vxr {

// What becomes of a value the preview shows.
enum class CellMark {
    None,    // stored as shown
    Changed, // stored, but not as the text gave it (read as 0 or empty, cut)
    Fails,   // the line fails because of it
};

// One cell of the stored-value preview: the value as the import would store
// it, and its problem in words (empty when none; a cell without a mark can
// still say something, such as the row a key updates).
struct PreviewCell
{
    QString shown;
    CellMark mark = CellMark::None;
    QString problem;
};

// A line of the preview: its cells at text positions 1 upwards (index 0
// unused; unmapped positions are empty), and whether the line would fail.
struct PreviewLine
{
    QList<PreviewCell> cells;
    bool fails = false;
    int changed = 0;  // values stored, but not as their texts gave them
    QString problem;  // what fails the line as a whole; empty when nothing
};

} // namespace vxr

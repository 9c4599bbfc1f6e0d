#pragma once

#include "UndoPlan.h"

#include <QList>
#include <QString>

namespace vxr {

class UndoStore;

// One way the store has moved on since a run: the row (its table and what
// names it), the column, the value the run left there and the value now.
struct UndoConflict
{
    QString table;
    QString key;
    QString column;
    QString written;
    QString now;
};

// Everything that keeps the run from being taken back exactly: an added row
// gone or holding another key (an ID used again), an updated column holding
// another value, a row the undo would not delete that points at one it
// would, and a later run's write to a row of this run. Empty: the run can be
// taken back. Throws DbError when the store cannot be read.
QList<UndoConflict> findUndoConflicts(UndoStore &store, const UndoPlan &plan, const QList<LaterWrite> &later);

// Whether the store is already as the undo would leave it (an undo whose
// store commit went through but whose journal mark did not): none of the
// added rows there, every updated column back at its previous value.
bool isAlreadyUndone(UndoStore &store, const UndoPlan &plan);

} // namespace vxr

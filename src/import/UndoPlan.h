#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <optional>

namespace vxr {

// One column of an updated row: the value before the run and the one it
// wrote. A column of an added row has no previous value.
struct UndoValue
{
    QString column;
    QVariant previous;
    QVariant written;
};

// A store row a run added or updated, as its journal names it.
struct UndoRow
{
    QString table;
    qint64 id = 0;
    QString keyColumn; // the column that names the row (a companion row: its parent link)
    QVariant keyValue; // its value as the run stored it
    qint64 seq = 0;    // order within the run
    QList<UndoValue> written; // an added row: the columns the run wrote, with their last values
};

struct UndoUpdate
{
    UndoRow row;
    QList<UndoValue> values; // one per column the run wrote
};

// What taking a run back means: the rows of its committed batches. A run
// that updated the same column twice keeps the first previous value and the
// last written one; a row it both added and updated is only deleted, its
// update's values taken as what the run left in it.
struct UndoPlan
{
    qint64 runId = 0;
    QString storeIdentity;
    QString started;
    QString filePath;
    QString tableName;
    QList<UndoRow> added;      // in the order of adding
    QList<UndoUpdate> updated; // in the order of first updating
};

// A column of a row that a later run (not undone) of the same store wrote.
struct LaterWrite
{
    qint64 runId = 0;
    QString table;
    qint64 id = 0;
    QString column;
};

// The run to take back: runId, or with runId 0 the newest run of the store
// that is not undone. Returns no plan when there is none to take back, with
// the reason in *refusal: no such run, already undone, another store's, a
// batch whose end the journal does not know. Journal failures are refusals
// too.
std::optional<UndoPlan> readUndoPlan(const QSqlDatabase &journal, const QString &storeIdentity, qint64 runId,
                                     QString *refusal);

// What runs after the plan's (newer ids, same store, not undone) wrote in
// their committed batches; false with *error when the journal cannot be read.
bool readLaterWrites(const QSqlDatabase &journal, const UndoPlan &plan, QList<LaterWrite> *writes, QString *error);

// Marks the run undone now; false with *error when the journal refuses.
bool markRunUndone(const QSqlDatabase &journal, qint64 runId, QString *error);

} // namespace vxr

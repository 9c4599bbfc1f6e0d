#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace vxr {

// One journaled run as both front ends list it.
struct JournalRun
{
    qint64 id = 0;
    QString started; // ISO 8601 UTC, as the journal keeps it
    QString ended;   // empty while running, or when the run was killed
    QString filePath;
    QString tableName;
    qint64 added = 0;
    qint64 updated = 0;
    qint64 failed = 0;
    QString outcome; // 'running' | 'finished' | 'cancelled' | 'failed'
    QString undone;  // when it was taken back; empty when it was not

    bool isUndone() const { return !undone.isEmpty(); }
};

// The runs of the store named by storeIdentity in the journal (of every
// store when it is empty), oldest first. Empty with *error set when the
// journal cannot be read.
QList<JournalRun> journalRuns(const QSqlDatabase &journal, const QString &storeIdentity, QString *error);

} // namespace vxr

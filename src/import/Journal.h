#pragma once

#include "BatchPoint.h"
#include "JournalEntries.h"

#include <QDateTime>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <memory>
#include <optional>
#include <unordered_map>

struct sqlite3;

namespace vxr {

class PreparedStatement;

// What a run's row in the journal starts with.
struct JournalRunStart
{
    QString storeIdentity;
    QString filePath;
    qint64 fileSize = 0;
    QString fileHash; // SHA-256, hex
    QString tableName;
    QString setup;    // the set-up as a settings file holds it
};

// How a run ended, for its row in the journal.
struct JournalRunEnd
{
    QString outcome; // 'finished' | 'cancelled' | 'failed' ('interrupted': settled, never written at the end)
    qint64 added = 0;
    qint64 updated = 0;
    qint64 failed = 0;
    QString summary;
};

// The journal of a store's runs: a SQLite file of its own (never the store)
// holding, for every run that stored something, the rows each committed
// batch added and the previous values of the columns it updated, so that a
// run can be taken back. Opened on a connection of its own name; each
// batch's entry is on disk before the store commits it.
class Journal
{
public:
    // Opens the journal at path, making its folder and tables when new, and
    // checking an existing file is a journal of this program. nullopt with
    // why in *error when it cannot be opened or written.
    static std::optional<Journal> open(const QString &path, QString *error);

    // What names a store, from its connection string: "sqlite:" and the
    // store file's canonical path, or "server:" with the server (lower
    // case), port and database; never the user or the password.
    static QString storeIdentity(const QString &connectionString);
    // The store's journal in the per-user data folder.
    static QString defaultPath(const QString &storeIdentity);

    Journal(Journal &&other) noexcept;
    Journal &operator=(Journal &&other) = delete;
    Journal(const Journal &) = delete;
    ~Journal();

    QSqlDatabase database() const;
    QString path() const { return m_path; }

    // Settles every batch left 'prepared' by a run that ended between its
    // two marks (a run whose lock is held goes on: its batches are left as
    // they are), by looking in the store: its added rows there (same ID,
    // same key), or its written values there for a batch that only
    // updated: 'committed'; else 'discarded'. Returns how many were settled;
    // -1 with *error when the journal or the store could not be read.
    int settle(const QSqlDatabase &store, QString *error);

    // The run's row; its id, or -1 with *error.
    qint64 startRun(const JournalRunStart &start, QString *error);
    // The text file's hash, when it is known after the run's row was written.
    bool setFileHash(qint64 runId, const QString &hash, QString *error);
    // Writes the batch as 'prepared' with its entries, in one transaction
    // on disk when this returns true; the batch committedBefore (when not 0),
    // which the store has committed since it was prepared, is marked
    // 'committed' in the same transaction.
    bool prepareBatch(qint64 runId, int number, qint64 firstLine, qint64 lastLine, const BatchPoint &point,
                      const QList<JournalEntry> &entries, int committedBefore, QString *error);
    // Entries of a batch written ahead of its prepare, in parts, when the
    // batch holds more than is worth keeping in memory (a run in one
    // transaction): the batch is 'prepared' from its first part on, and its
    // prepare writes the rest and its lines. The batch committedBefore is
    // marked as prepareBatch does.
    bool writeBatchPart(qint64 runId, int number, const QList<JournalEntry> &entries, int committedBefore,
                        QString *error);
    // Takes entries written ahead back out of the journal (the store rolled
    // them back), all but the batch's first `kept`; none kept takes the
    // batch's row out too.
    bool takeBackBatchPart(qint64 runId, int number, qint64 kept, QString *error);
    // 'committed' or 'discarded'.
    bool markBatch(qint64 runId, int number, const QString &state, QString *error);
    // The run's end, with the mark of its last batch when the store has
    // committed it (committedLast not 0).
    bool endRun(qint64 runId, const JournalRunEnd &end, int committedLast, QString *error);

    // For a run's writer: the journal's log is copied into the file when
    // checkpoint() is called, between batches, not by whichever commit fills
    // it (a prepare the store's commit waits for).
    bool checkpointByHand(QString *error);
    void checkpoint();

    // Removes runs and their entries; how many runs went, -1 on failure.
    int forgetRun(qint64 runId, QString *error);
    int forgetBefore(const QDateTime &before, QString *error);

private:
    Journal(QString path, QString connectionName);
    bool exec(const QString &sql, const QVariantList &values, QString *error);
    int forget(const QString &condition, const QVariant &value, QString *error);
    // The batch being written, in parts or at once.
    struct OpenBatch
    {
        qint64 runId = 0;
        int number = 0;
        qint64 seq = 0;       // the last entry's Seq
        bool written = false; // its Batch row is in the journal
    };
    void openBatch(qint64 runId, int number);
    bool cutBlocks(qint64 lastKept, QString *error);
    bool writeBatch(const QString &batchRow, const QVariantList &batchValues, const QList<JournalEntry> &entries,
                    int committedBefore, QString *error);
    void insertRows(const QString &into, int width, const QVariantList &values);
    PreparedStatement &insertStatement(sqlite3 *handle, const QString &into, int width, int rows);
    qint64 shapeOf(const QString &table, const QStringList &columns, QHash<QString, qint64> &newShapes,
                   QVariantList &shapes);

    QString m_path;
    QString m_connectionName;
    QHash<QString, qint64> m_shapes; // column lists in AddedShape, by table and columns
    qint64 m_nextShape = 0;          // 0 until read from the journal
    OpenBatch m_open;
    sqlite3 *m_handle = nullptr; // the connection's own, once asked for
    // Prepared inserts of the write path, by table and rows; made on first use.
    std::unordered_map<QString, std::unique_ptr<PreparedStatement>> m_inserts;
};

// ISO 8601 UTC to the second, as the journal keeps times.
QString journalTime(const QDateTime &time);

// Prepares and runs a query on the journal, forward only, with the values
// bound in order; false with the driver's text in *error.
bool runJournalQuery(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error);

} // namespace vxr

#include "Journal.h"

#include "FileIdentity.h"

#include "database/PreparedStatement.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace vxr {

namespace {

constexpr int JournalVersion = 4;

// A journal of version 1 kept no values of the rows it added: its rows are
// checked by ID and key alone.
const char *const FromVersion1[] = {
        "ALTER TABLE AddedRow ADD COLUMN Shape INTEGER",
        "ALTER TABLE AddedRow ADD COLUMN WrittenValues TEXT",
};

// A journal of version 2 or older kept no point to take a run up from: its
// runs cannot be resumed.
const char *const FromVersion2[] = {
        "ALTER TABLE Batch ADD COLUMN NextLine INTEGER", "ALTER TABLE Batch ADD COLUMN Added INTEGER",
        "ALTER TABLE Batch ADD COLUMN Updated INTEGER",  "ALTER TABLE Batch ADD COLUMN Failed INTEGER",
        "ALTER TABLE Batch ADD COLUMN Skipped INTEGER",  "ALTER TABLE Batch ADD COLUMN RejectBytes INTEGER",
        "ALTER TABLE Batch ADD COLUMN RejectLines INTEGER", "ALTER TABLE Batch ADD COLUMN Rejected TEXT",
};

const char *const JournalTables[] = {
        "CREATE TABLE IF NOT EXISTS Run ("
        " Id INTEGER PRIMARY KEY AUTOINCREMENT, Started TEXT NOT NULL, Ended TEXT, StoreIdentity TEXT NOT NULL,"
        " FilePath TEXT NOT NULL, FileSize INTEGER NOT NULL, FileHash TEXT NOT NULL, TableName TEXT NOT NULL,"
        " Setup TEXT NOT NULL, Outcome TEXT NOT NULL, Added INTEGER NOT NULL DEFAULT 0,"
        " Updated INTEGER NOT NULL DEFAULT 0, Failed INTEGER NOT NULL DEFAULT 0, Summary TEXT, Undone TEXT)",
        "CREATE TABLE IF NOT EXISTS Batch ("
        " RunId INTEGER NOT NULL, Number INTEGER NOT NULL, State TEXT NOT NULL,"
        " FirstLine INTEGER NOT NULL, LastLine INTEGER NOT NULL, NextLine INTEGER, Added INTEGER, Updated INTEGER,"
        " Failed INTEGER, Skipped INTEGER, RejectBytes INTEGER, RejectLines INTEGER, Rejected TEXT,"
        " PRIMARY KEY (RunId, Number))",
        "CREATE TABLE IF NOT EXISTS AddedRow ("
        " RunId INTEGER NOT NULL, BatchNumber INTEGER NOT NULL, Seq INTEGER NOT NULL, TableName TEXT NOT NULL,"
        " RowId INTEGER NOT NULL, KeyColumn TEXT NOT NULL, KeyValue TEXT, Shape INTEGER, WrittenValues TEXT)",
        // Since version 4 a batch's added rows are kept in blocks, one per
        // part of the batch and table (see AddedBlockWriter); AddedRow holds
        // those of older versions' runs.
        "CREATE TABLE IF NOT EXISTS AddedBlock ("
        " RunId INTEGER NOT NULL, BatchNumber INTEGER NOT NULL, Seq INTEGER NOT NULL, LastSeq INTEGER NOT NULL,"
        " TableName TEXT NOT NULL, KeyColumn TEXT NOT NULL, Shape INTEGER NOT NULL, Rows BLOB NOT NULL)",
        "CREATE TABLE IF NOT EXISTS AddedShape (Id INTEGER PRIMARY KEY, TableName TEXT NOT NULL, Columns TEXT NOT NULL)",
        "CREATE TABLE IF NOT EXISTS UpdatedRow ("
        " RunId INTEGER NOT NULL, BatchNumber INTEGER NOT NULL, Seq INTEGER NOT NULL, TableName TEXT NOT NULL,"
        " RowId INTEGER NOT NULL, KeyColumn TEXT NOT NULL, KeyValue TEXT, ColumnName TEXT NOT NULL,"
        " PreviousValue, WrittenValue)",
};

QString sqlText(const char *text)
{
    return QString::fromLatin1(text);
}

// A write-ahead log costs a batch one flush to disk, where a rollback
// journal costs four or five: WAL on a local disk. Its shared index needs
// every program that opens the file on the same computer, so a journal in a
// shared folder keeps the rollback journal.
QString journalMode(const QString &path)
{
    return onNetworkDisk(QFileInfo(path).absolutePath()) ? QStringLiteral("DELETE") : QStringLiteral("WAL");
}

QString newConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("vxr-journal-%1").arg(++counter);
}

} // namespace

QString journalTime(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODate);
}

bool runJournalQuery(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error)
{
    query.setForwardOnly(true);
    if (query.prepare(sql)) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (query.exec())
            return true;
    }
    *error = query.lastError().text();
    return false;
}

Journal::Journal(QString path, QString connectionName)
    : m_path(std::move(path)), m_connectionName(std::move(connectionName))
{
}

Journal::Journal(Journal &&other) noexcept
    : m_path(std::move(other.m_path)), m_connectionName(std::exchange(other.m_connectionName, {})),
      m_shapes(std::move(other.m_shapes)), m_nextShape(other.m_nextShape), m_open(std::move(other.m_open)),
      m_handle(std::exchange(other.m_handle, nullptr)), m_inserts(std::move(other.m_inserts))
{
}

Journal::~Journal()
{
    if (m_connectionName.isEmpty())
        return;
    m_inserts.clear(); // statements go before their connection
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

QSqlDatabase Journal::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

std::optional<Journal> Journal::open(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        *error = QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(info.absolutePath()));
        return std::nullopt;
    }
    Journal journal(info.absoluteFilePath(), newConnectionName());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), journal.m_connectionName);
    db.setDatabaseName(journal.m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        *error = db.lastError().text();
        return std::nullopt;
    }
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        *error = QStringLiteral("it is not a journal (%1)").arg(version.lastError().text());
        return std::nullopt;
    }
    const int found = version.value(0).toInt();
    version.finish();
    if (found < 0 || found > JournalVersion) {
        *error = QStringLiteral("it is a journal of another version (%1)").arg(found);
        return std::nullopt;
    }
    // Each mark is on disk before the store's commit goes on.
    const QString mode = journalMode(journal.m_path);
    const bool ready = journal.exec(QStringLiteral("PRAGMA journal_mode = ") + mode, {}, error)
            && journal.exec(QStringLiteral("PRAGMA synchronous = FULL"), {}, error)
            && journal.exec(QStringLiteral("BEGIN IMMEDIATE"), {}, error);
    // Another program writing to it (a run, an undo) holds it past the wait.
    if (!ready) {
        *error = QStringLiteral("the journal cannot be written now (%1)").arg(*error);
        return std::nullopt;
    }
    QList<const char *> statements;
    if (found == 1)
        statements = QList<const char *>(std::begin(FromVersion1), std::end(FromVersion1));
    if (found == 1 || found == 2)
        statements.append(QList<const char *>(std::begin(FromVersion2), std::end(FromVersion2)));
    for (const char *table : JournalTables)
        statements.append(table);
    for (const char *table : std::as_const(statements)) {
        if (!journal.exec(sqlText(table), {}, error)) {
            journal.exec(QStringLiteral("ROLLBACK"), {}, nullptr);
            return std::nullopt;
        }
    }
    if (!journal.exec(QStringLiteral("PRAGMA user_version = %1").arg(JournalVersion), {}, error)
        || !journal.exec(QStringLiteral("COMMIT"), {}, error)) {
        journal.exec(QStringLiteral("ROLLBACK"), {}, nullptr);
        return std::nullopt;
    }
    return journal;
}

bool Journal::exec(const QString &sql, const QVariantList &values, QString *error)
{
    QSqlQuery query(database());
    bool ok = query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    ok = ok && query.exec();
    if (!ok && error)
        *error = query.lastError().text();
    return ok;
}

qint64 Journal::startRun(const JournalRunStart &start, QString *error)
{
    QSqlQuery query(database());
    query.prepare(QStringLiteral("INSERT INTO Run (Started, StoreIdentity, FilePath, FileSize, FileHash, TableName,"
                                 " Setup, Outcome) VALUES (?, ?, ?, ?, ?, ?, ?, 'running')"));
    for (const QVariant &value :
         {QVariant(journalTime(QDateTime::currentDateTimeUtc())), QVariant(start.storeIdentity), QVariant(start.filePath),
          QVariant(start.fileSize), QVariant(start.fileHash), QVariant(start.tableName), QVariant(start.setup)})
        query.addBindValue(value);
    if (!query.exec()) {
        *error = query.lastError().text();
        return -1;
    }
    return query.lastInsertId().toLongLong();
}

bool Journal::setFileHash(qint64 runId, const QString &hash, QString *error)
{
    return exec(QStringLiteral("UPDATE Run SET FileHash = ? WHERE Id = ?"), {hash, runId}, error);
}

bool Journal::checkpointByHand(QString *error)
{
    return exec(QStringLiteral("PRAGMA wal_autocheckpoint = 0"), {}, error);
}

// Copies what no reader still needs; a journal in another mode than a log
// has nothing to copy.
void Journal::checkpoint()
{
    exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"), {}, nullptr);
}

bool Journal::markBatch(qint64 runId, int number, const QString &state, QString *error)
{
    return exec(QStringLiteral("UPDATE Batch SET State = ? WHERE RunId = ? AND Number = ?"), {state, runId, number},
                error);
}

bool Journal::endRun(qint64 runId, const JournalRunEnd &end, int committedLast, QString *error)
{
    if (committedLast > 0 && !markBatch(runId, committedLast, QStringLiteral("committed"), error))
        return false;
    return exec(QStringLiteral("UPDATE Run SET Ended = ?, Outcome = ?, Added = ?, Updated = ?, Failed = ?, Summary = ?"
                               " WHERE Id = ?"),
                {journalTime(QDateTime::currentDateTimeUtc()), end.outcome, end.added, end.updated, end.failed,
                 end.summary, runId},
                error);
}

int Journal::forget(const QString &condition, const QVariant &value, QString *error)
{
    const QString runs = QStringLiteral("(SELECT Id FROM Run WHERE %1)").arg(condition);
    QSqlQuery count(database());
    count.prepare(QStringLiteral("SELECT COUNT(*) FROM Run WHERE ") + condition);
    count.addBindValue(value);
    if (!count.exec() || !count.next()) {
        *error = count.lastError().text();
        return -1;
    }
    const int forgotten = count.value(0).toInt();
    count.finish();
    bool ok = exec(QStringLiteral("BEGIN IMMEDIATE"), {}, error);
    for (const QString &table : {QStringLiteral("AddedRow"), QStringLiteral("AddedBlock"), QStringLiteral("UpdatedRow"),
                                 QStringLiteral("Batch")})
        ok = ok && exec(QStringLiteral("DELETE FROM %1 WHERE RunId IN %2").arg(table, runs), {value}, error);
    ok = ok && exec(QStringLiteral("DELETE FROM Run WHERE ") + condition, {value}, error)
            && exec(QStringLiteral("DELETE FROM AddedShape WHERE Id NOT IN"
                                   " (SELECT Shape FROM AddedRow WHERE Shape IS NOT NULL UNION SELECT Shape FROM AddedBlock)"),
                    {}, error)
            && exec(QStringLiteral("COMMIT"), {}, error);
    if (!ok) {
        exec(QStringLiteral("ROLLBACK"), {}, nullptr);
        return -1;
    }
    exec(QStringLiteral("VACUUM"), {}, nullptr);
    return forgotten;
}

int Journal::forgetRun(qint64 runId, QString *error)
{
    return forget(QStringLiteral("Id = ?"), runId, error);
}

int Journal::forgetBefore(const QDateTime &before, QString *error)
{
    return forget(QStringLiteral("Started < ?"), journalTime(before), error);
}

} // namespace vxr

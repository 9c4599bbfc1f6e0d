#include "DbConnection.h"

#include "CancelToken.h"
#include "ConnectionString.h"
#include "SqlDialect.h"
#include "SqliteBusyWait.h"
#include "SqliteDialect.h"
#include "StatementCanceller.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <optional>

namespace vxr {

namespace {

DbError connectionError(const QString &description)
{
    return DbError{ErrorNumbers::ConnectionFailed, description};
}

// Whether SQLite finds a database in the file, asked on a read-only
// connection of its own. The file is never opened and closed by hand: on
// POSIX, closing any descriptor of a file drops every lock the process holds
// on it, so another connection of this process to the store would lose its
// locks, and another program could then checkpoint and remove the write-ahead
// log under it (its reads stale, its commits lost).
bool holdsDatabase(const QString &path)
{
    const QString name = QStringLiteral("vxr-probe-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool database = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            // SQLITE_NOTADB: the header is not a database's. Other failures
            // (a lock) are left to the connection itself.
            if (!query.exec(QStringLiteral("PRAGMA schema_version")))
                database = (query.lastError().nativeErrorCode().trimmed().toInt() & 0xff) != 26;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return database;
}

// An existing file is used as a store only when it is one: SQLite would
// turn an empty file, or write its journal beside any other, into a store.
std::optional<QString> notAStore(const QString &path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return QStringLiteral("The database file \"%1\" does not exist.").arg(path);
    if (!file.isFile())
        return QStringLiteral("The database file \"%1\" is not a file.").arg(path);
    if (!file.isReadable())
        return QStringLiteral("The database file \"%1\" cannot be read.").arg(path);
    if (file.size() == 0 || !holdsDatabase(path))
        return QStringLiteral("The file \"%1\" is not a SQLite store (an empty file or a file of another kind). "
                              "Create a store with \"vxrimp init-store\".")
                .arg(path);
    return std::nullopt;
}

// A DSN says nothing about the server; ask the driver what it is talking to.
Dialect dialectFromDriver(const QSqlDatabase &db, Dialect guessed)
{
    if (guessed != Dialect::OtherOdbc)
        return guessed;
    switch (db.driver()->dbmsType()) {
    case QSqlDriver::PostgreSQL: return Dialect::PostgreSQL;
    case QSqlDriver::MSSqlServer: return Dialect::SqlServer;
    default: return Dialect::OtherOdbc;
    }
}

} // namespace

struct DbConnection::Interruption
{
    std::unique_ptr<SqliteBusyWait> busyWait;
    StatementCanceller canceller;
    std::unique_ptr<InterrupterScope> interrupter;
};

DbConnection::DbConnection() : m_interruption(std::make_unique<Interruption>()) {}

DbConnection::~DbConnection()
{
    close();
}

bool DbConnection::open(const QString &connectionString, DbError *error, int timeoutSeconds, CancelToken *cancel)
{
    close();
    const auto fail = [error](const DbError &failure) {
        if (error)
            *error = failure;
        return false;
    };

    ConnectionTarget target;
    QString message;
    const QList<ConnectionStringPart> parts = parseConnectionString(connectionString);
    const QString provider = connectionStringValue(parts, QStringLiteral("Provider"));
    const bool sqlServer = provider.trimmed().startsWith(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive);
    const QStringList drivers = sqlServer ? installedOdbcDrivers() : QStringList();
    if (!connectionTarget(connectionString, drivers, timeoutSeconds, &target, &message))
        return fail(connectionError(message));

    if (target.dialect == Dialect::SQLite) {
        if (const auto refused = notAStore(target.databaseName))
            return fail(connectionError(*refused));
        m_interruption->busyWait = std::make_unique<SqliteBusyWait>(qMax(timeoutSeconds, 1) * 1000);
        m_interruption->busyWait->setCancelToken(cancel);
    }
    // The token serves the connect only; a run sets its own (setCancelToken).
    const auto connectOnly = qScopeGuard([this] {
        if (m_interruption->busyWait)
            m_interruption->busyWait->setCancelToken(nullptr);
    });
    target.databaseName = sqlDialect(target.dialect).openedDatabaseName(target.databaseName);

    DbError failure;
    if (!openTarget(target, &failure))
        return fail(failure);
    // A data source that turned out to be of a known kind needs that kind's
    // options too.
    if (m_dialect != target.dialect) {
        const QString name = sqlDialect(m_dialect).openedDatabaseName(target.databaseName);
        if (name != target.databaseName) {
            close();
            target.dialect = m_dialect;
            target.databaseName = name;
            if (!openTarget(target, &failure))
                return fail(failure);
        }
    }
    if (target.dialect == Dialect::SQLite)
        m_storeFile = QFileInfo(target.databaseName).absoluteFilePath();
    return true;
}

bool DbConnection::openTarget(const ConnectionTarget &target, DbError *failure)
{
    const QString name = QStringLiteral("vxr-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(target.qtDriver, name);
        if (!db.isValid()) {
            *failure = connectionError(QStringLiteral("The database driver %1 is not available.").arg(target.qtDriver));
        } else {
            db.setDatabaseName(target.dialect == Dialect::SQLite ? SqliteDialect::existingFileUri(target.databaseName)
                                                                 : target.databaseName);
            db.setConnectOptions(target.connectOptions);
            if (!db.open()) {
                const QString message = db.lastError().text().trimmed();
                *failure = connectionError(message.isEmpty() ? QStringLiteral("The database could not be opened.")
                                                             : message);
            } else if (!prepareOpened(db, target, failure)) {
                db.close();
            } else {
                m_dialect = dialectFromDriver(db, target.dialect);
                opened = true;
            }
        }
    }
    if (!opened) {
        QSqlDatabase::removeDatabase(name);
        return false;
    }
    m_connectionName = name;
    return true;
}

// The dialect's settings on a connection just opened. On a store another
// program has locked they wait as any statement does: up to the time-out,
// giving way to a cancel.
bool DbConnection::prepareOpened(const QSqlDatabase &db, const ConnectionTarget &target, DbError *failure)
{
    SqliteBusyWait *busyWait = m_interruption->busyWait.get();
    if (busyWait)
        busyWait->install(db);
    QElapsedTimer waited;
    waited.start();
    bool gaveUp = false;
    const auto waitForLock = [&] {
        gaveUp = !busyWait || !busyWait->pauseBeforeRetry(waited.elapsed());
        return !gaveUp;
    };
    QString message;
    if (sqlDialect(target.dialect).prepareConnection(db, waitForLock, &message))
        return true;
    if (gaveUp && busyWait && busyWait->cancelRequested())
        *failure = DbError{
                ErrorNumbers::OperationCancelled,
                QStringLiteral("Cancelled while another program held a lock on \"%1\".").arg(target.databaseName),
                FailureScope::Cancel};
    else if (gaveUp && busyWait)
        *failure = connectionError(QStringLiteral("\"%1\" is locked by another program and stayed locked for the %2 "
                                                  "second(s) the connection waits: %3")
                                           .arg(target.databaseName,
                                                QString::number(busyWait->timeoutMilliseconds() / 1000), message));
    else
        *failure = connectionError(
                QStringLiteral("\"%1\" could not be used as a database: %2").arg(target.databaseName, message));
    return false;
}

void DbConnection::close()
{
    setCancelToken(nullptr);
    m_storeFile.clear();
    if (m_connectionName.isEmpty()) {
        m_interruption->busyWait.reset();
        return;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    // Callers must not keep copies of database() past close(); Qt then warns.
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
    m_interruption->busyWait.reset();
}

bool DbConnection::isOpen() const
{
    return !m_connectionName.isEmpty() && QSqlDatabase::database(m_connectionName, false).isOpen();
}

QSqlDatabase DbConnection::database() const
{
    if (m_connectionName.isEmpty())
        return {};
    return QSqlDatabase::database(m_connectionName, false);
}

void DbConnection::setCancelToken(CancelToken *token)
{
    m_interruption->interrupter.reset();
    m_interruption->canceller.setCancelToken(token);
    if (m_interruption->busyWait)
        m_interruption->busyWait->setCancelToken(token);
    if (token) {
        StatementCanceller *canceller = &m_interruption->canceller;
        m_interruption->interrupter =
                std::make_unique<InterrupterScope>(token, [canceller] { canceller->cancelRunning(); });
    }
}

StatementCanceller *DbConnection::statementCanceller() const
{
    return &m_interruption->canceller;
}

} // namespace vxr

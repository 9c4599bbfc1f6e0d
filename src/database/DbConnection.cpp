#include "DbConnection.h"

#include "ConnectionString.h"

#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace vxr {

namespace {

DbError connectionError(const QString &description)
{
    return DbError{ErrorNumbers::ConnectionFailed, description};
}

// The settings that make per-row commits cheap on SQLite without risking what
// is already stored if the program dies: write-ahead log, normal sync.
bool prepareSqlite(const QSqlDatabase &db, QString *error)
{
    QSqlQuery query(db);
    for (const char *pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"}) {
        if (!query.exec(QString::fromLatin1(pragma))) {
            *error = query.lastError().text();
            return false;
        }
    }
    return true;
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

DbConnection::DbConnection() = default;

DbConnection::~DbConnection()
{
    close();
}

bool DbConnection::open(const QString &connectionString, DbError *error, int timeoutSeconds)
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
        const QFileInfo file(target.databaseName);
        if (!file.exists())
            return fail(connectionError(
                QStringLiteral("The database file \"%1\" does not exist.").arg(target.databaseName)));
        if (!file.isFile())
            return fail(connectionError(
                QStringLiteral("The database file \"%1\" is not a file.").arg(target.databaseName)));
    }

    const QString name = QStringLiteral("vxr-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(target.qtDriver, name);
        if (!db.isValid()) {
            message = QStringLiteral("The database driver %1 is not available.").arg(target.qtDriver);
        } else {
            db.setDatabaseName(target.databaseName);
            db.setConnectOptions(target.connectOptions);
            if (!db.open()) {
                message = db.lastError().text().trimmed();
                if (message.isEmpty())
                    message = QStringLiteral("The database could not be opened.");
            } else if (target.dialect == Dialect::SQLite && !prepareSqlite(db, &message)) {
                // An existing file that is not a store (not a database at all).
                message = QStringLiteral("The file \"%1\" could not be used as a database: %2")
                              .arg(target.databaseName, message);
                db.close();
            } else {
                m_dialect = dialectFromDriver(db, target.dialect);
                opened = true;
            }
        }
    }
    if (!opened) {
        QSqlDatabase::removeDatabase(name);
        return fail(connectionError(message));
    }
    m_connectionName = name;
    return true;
}

void DbConnection::close()
{
    if (m_connectionName.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    // Callers must not keep copies of database() past close(); Qt then warns.
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
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

} // namespace vxr

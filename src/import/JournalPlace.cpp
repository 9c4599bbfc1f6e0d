#include "Journal.h"

#include "database/ConnectionString.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vxr {

namespace {

QString partValue(const QList<ConnectionStringPart> &parts, std::initializer_list<const char *> keys)
{
    for (const char *key : keys) {
        const QString value = connectionStringValue(parts, QString::fromLatin1(key)).trimmed();
        if (!value.isEmpty())
            return value;
    }
    return {};
}

QString serverIdentity(QString server, QString port, const QString &database)
{
    // "host,port" is SQL Server's way of naming the port.
    if (const qsizetype comma = server.indexOf(u','); comma >= 0) {
        port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }
    return QStringLiteral("server:%1:%2/%3").arg(server.toLower(), port, database);
}

} // namespace

// A store file that is not there yet is named by its absolute path; a data
// source name by itself, as nothing else is known of it here.
QString Journal::storeIdentity(const QString &connectionString)
{
    const QList<ConnectionStringPart> parts = parseConnectionString(connectionString);
    const QString provider = connectionStringValue(parts, QStringLiteral("Provider")).trimmed();
    if (provider.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0) {
        const QFileInfo file(connectionStringValue(parts, QStringLiteral("Data Source")));
        const QString canonical = file.canonicalFilePath();
        return QStringLiteral("sqlite:") + (canonical.isEmpty() ? file.absoluteFilePath() : canonical);
    }
    if (provider.startsWith(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive))
        return serverIdentity(partValue(parts, {"Data Source", "Server"}), QStringLiteral("1433"),
                              partValue(parts, {"Initial Catalog", "Database"}));
    const QString dsn = partValue(parts, {"DSN"});
    if (!dsn.isEmpty())
        return QStringLiteral("dsn:") + dsn;
    QString port = partValue(parts, {"Port"});
    if (port.isEmpty())
        port = partValue(parts, {"Driver"}).contains(QLatin1String("postgres"), Qt::CaseInsensitive)
                ? QStringLiteral("5432")
                : QStringLiteral("1433");
    return serverIdentity(partValue(parts, {"Server", "Data Source", "Host"}), port,
                          partValue(parts, {"Database", "Initial Catalog"}));
}

QString Journal::defaultPath(const QString &storeIdentity)
{
    const QByteArray name = QCryptographicHash::hash(storeIdentity.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/journals/")
            + QString::fromLatin1(name) + QStringLiteral(".journal");
}

} // namespace vxr

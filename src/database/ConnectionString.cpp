#include "ConnectionString.h"

#include "OdbcDiagnostics.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace vxr {

namespace {

// Reads a value that starts at text[pos]: in braces or quotes when it starts
// with one and the closing one ends the part; otherwise up to the next ";".
// Sets *valueEnd to the end of the value as written and *next to the
// position after the ";" that ends the part.
QString readValue(const QString &text, qsizetype pos, qsizetype *valueEnd, qsizetype *next)
{
    const qsizetype n = text.size();
    if (pos < n) {
        const QChar open = text.at(pos);
        const QChar close = open == u'{' ? u'}' : (open == u'"' || open == u'\'') ? open : QChar();
        if (!close.isNull()) {
            QString value;
            qsizetype i = pos + 1;
            while (i < n) {
                if (text.at(i) == close) {
                    if (i + 1 < n && text.at(i + 1) == close) { // doubled: one literal
                        value += close;
                        i += 2;
                        continue;
                    }
                    break;
                }
                value += text.at(i++);
            }
            // Only a real enclosure when the closing character ends the part.
            qsizetype after = i + 1;
            while (after < n && text.at(after) == u' ')
                ++after;
            if (i < n && (after >= n || text.at(after) == u';')) {
                *valueEnd = qMin(after, n);
                *next = after + 1;
                return value;
            }
        }
    }
    qsizetype end = text.indexOf(u';', pos);
    if (end < 0)
        end = n;
    *valueEnd = end;
    *next = end + 1;
    return text.mid(pos, end - pos);
}


QString withoutProviderPart(const QString &text)
{
    // Drop the "Provider=..." part and keep every other character as typed.
    static const QRegularExpression provider(
        QStringLiteral("(^|;)\\s*provider\\s*=[^;]*(;|$)"), QRegularExpression::CaseInsensitiveOption);
    QString rest = text;
    const QRegularExpressionMatch m = provider.match(rest);
    if (m.hasMatch()) {
        // Keep one ";" between the parts before and after it.
        const bool between = !m.captured(1).isEmpty() && !m.captured(2).isEmpty();
        rest.remove(m.capturedStart(), m.capturedLength());
        if (between)
            rest.insert(m.capturedStart(), u';');
    }
    while (rest.startsWith(u';'))
        rest.remove(0, 1);
    return rest.trimmed();
}

Dialect odbcDialect(const QString &driver)
{
    if (driver.contains(QLatin1String("postgres"), Qt::CaseInsensitive)
        || driver.contains(QLatin1String("psqlodbc"), Qt::CaseInsensitive))
        return Dialect::PostgreSQL;
    if (driver.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive)
        || driver.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive)
        || driver.contains(QLatin1String("tdsodbc"), Qt::CaseInsensitive))
        return Dialect::SqlServer;
    return Dialect::OtherOdbc;
}

QString loginTimeoutOption(int timeoutSeconds)
{
    return timeoutSeconds > 0 ? QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(timeoutSeconds) : QString();
}

} // namespace

QList<ConnectionStringPart> parseConnectionString(const QString &text)
{
    QList<ConnectionStringPart> parts;
    const qsizetype n = text.size();
    qsizetype pos = 0;
    while (pos < n) {
        const qsizetype semicolon = text.indexOf(u';', pos);
        const qsizetype equals = text.indexOf(u'=', pos);
        const bool hasKey = equals >= 0 && (semicolon < 0 || equals < semicolon);
        if (!hasKey) {
            const qsizetype end = semicolon < 0 ? n : semicolon;
            const QString piece = text.mid(pos, end - pos);
            if (!parts.isEmpty()) {
                parts.last().value += u';' + piece;
                parts.last().valueTo = end;
            } else if (!piece.trimmed().isEmpty()) {
                parts.append({piece.trimmed(), QString(), end, end});
            }
            pos = end + 1;
            continue;
        }
        ConnectionStringPart part;
        part.key = text.mid(pos, equals - pos).trimmed();
        qsizetype next = n;
        part.valueFrom = equals + 1;
        part.value = readValue(text, equals + 1, &part.valueTo, &next);
        if (!part.key.isEmpty() || !part.value.isEmpty())
            parts.append(part);
        pos = next;
    }
    // A trailing ";" of the string is a separator, not part of the last value.
    return parts;
}

bool isPasswordKey(const QString &key)
{
    return key.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0
        || key.compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0;
}

QString withPasswordShownAs(const QString &connectionString, const QString &shown)
{
    QString result = connectionString;
    const QList<ConnectionStringPart> parts = parseConnectionString(connectionString);
    // From the last part back, so that the earlier positions stay right.
    for (auto part = parts.crbegin(); part != parts.crend(); ++part) {
        if (isPasswordKey(part->key))
            result.replace(part->valueFrom, part->valueTo - part->valueFrom, shown);
    }
    return result;
}

QString withoutPassword(const QString &connectionString)
{
    return withPasswordShownAs(connectionString, QString());
}

QString connectionStringValue(const QList<ConnectionStringPart> &parts, const QString &key)
{
    for (const ConnectionStringPart &part : parts)
        if (part.key.compare(key, Qt::CaseInsensitive) == 0)
            return part.value.isNull() ? QString(QLatin1String("")) : part.value;
    return {};
}

QString odbcValue(const QString &value)
{
    static const QRegularExpression special(QStringLiteral("[;{}]|^[\\s\"']|\\s$"));
    if (!special.match(value).hasMatch())
        return value;
    QString escaped = value;
    escaped.replace(QLatin1String("}"), QLatin1String("}}"));
    return u'{' + escaped + u'}';
}

QString connectionStringPart(const QString &key, const QString &value)
{
    return key + u'=' + odbcValue(value);
}

QString sqlServerConnectionString(const QString &user, const QString &password, const QString &database,
                                  const QString &server)
{
    return QStringList{QStringLiteral("Provider=SQLOLEDB.1"), QStringLiteral("Persist Security Info=False"),
                       connectionStringPart(QStringLiteral("User ID"), user),
                       connectionStringPart(QStringLiteral("Password"), password),
                       connectionStringPart(QStringLiteral("Initial Catalog"), database),
                       connectionStringPart(QStringLiteral("Data Source"), server)}
        .join(u';');
}

QString odbcDriverConnectionString(const QString &driver, const QString &server, const QString &port,
                                   const QString &database, const QString &user, const QString &password)
{
    // ODBC names its driver in braces whatever the name holds.
    QString braced = driver;
    braced.replace(QLatin1String("}"), QLatin1String("}}"));
    QStringList parts{QStringLiteral("Provider=MSDASQL"), QStringLiteral("Driver={") + braced + u'}',
                      connectionStringPart(QStringLiteral("Server"), server)};
    if (!port.isEmpty())
        parts << connectionStringPart(QStringLiteral("Port"), port);
    parts << connectionStringPart(QStringLiteral("Database"), database)
          << connectionStringPart(QStringLiteral("UID"), user)
          << connectionStringPart(QStringLiteral("PWD"), password);
    return parts.join(u';');
}

QString odbcDsnConnectionString(const QString &dataSource, const QString &user, const QString &password)
{
    QStringList parts{QStringLiteral("Provider=MSDASQL"), connectionStringPart(QStringLiteral("DSN"), dataSource)};
    if (!user.isEmpty())
        parts << connectionStringPart(QStringLiteral("UID"), user);
    if (!password.isEmpty())
        parts << connectionStringPart(QStringLiteral("PWD"), password);
    return parts.join(u';');
}

QString sqliteConnectionString(const QString &path)
{
    return QStringLiteral("Provider=SQLite;") + connectionStringPart(QStringLiteral("Data Source"), path);
}

QStringList installedOdbcDrivers()
{
    const QStringList known = odbcDriverManagerDrivers();
    if (!known.isEmpty())
        return known;

    // unixODBC keeps the driver list in odbcinst.ini, in ODBCSYSINI when set.
    QStringList files;
    const QString odbcInst = qEnvironmentVariable("ODBCINSTINI");
    const QString sysIni = qEnvironmentVariable("ODBCSYSINI");
    if (!odbcInst.isEmpty())
        files << (QDir::isAbsolutePath(odbcInst) || sysIni.isEmpty() ? odbcInst : QDir(sysIni).filePath(odbcInst));
    if (!sysIni.isEmpty())
        files << QDir(sysIni).filePath(QStringLiteral("odbcinst.ini"));
    files << QStringLiteral("/etc/odbcinst.ini") << QStringLiteral("/usr/local/etc/odbcinst.ini");

    QStringList drivers;
    for (const QString &name : files) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            continue;
        QTextStream in(&file);
        while (!in.atEnd()) {
            const QString line = in.readLine().trimmed();
            if (line.startsWith(u'[') && line.endsWith(u']')) {
                const QString section = line.mid(1, line.size() - 2).trimmed();
                if (!section.isEmpty() && section.compare(QLatin1String("ODBC"), Qt::CaseInsensitive) != 0
                    && !drivers.contains(section, Qt::CaseInsensitive))
                    drivers << section;
            }
        }
    }
    return drivers;
}

QString preferredPostgresDriver(const QStringList &installedDrivers)
{
    for (const QString &driver : installedDrivers)
        if (driver.compare(QLatin1String("PostgreSQL Unicode"), Qt::CaseInsensitive) == 0)
            return driver;
    for (const QString &driver : installedDrivers)
        if (driver.contains(QLatin1String("Unicode"), Qt::CaseInsensitive) && odbcDialect(driver) == Dialect::PostgreSQL)
            return driver;
    for (const QString &driver : installedDrivers)
        if (odbcDialect(driver) == Dialect::PostgreSQL)
            return driver;
    return QStringLiteral("PostgreSQL Unicode");
}

QStringList installedOdbcDataSources()
{
    return odbcDriverManagerDataSources();
}

bool connectionTarget(const QString &connectionString, const QStringList &installedDrivers,
                      int timeoutSeconds, ConnectionTarget *target, QString *error)
{
    const auto fail = [error](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const QList<ConnectionStringPart> parts = parseConnectionString(connectionString);
    const QString provider = connectionStringValue(parts, QStringLiteral("Provider")).trimmed();
    if (provider.isEmpty())
        return fail(QStringLiteral("The connection string names no provider (for example "
                                   "\"Provider=SQLite;Data Source=store.db\")."));

    ConnectionTarget result;
    if (provider.compare(QLatin1String("SQLite"), Qt::CaseInsensitive) == 0) {
        result.dialect = Dialect::SQLite;
        result.qtDriver = QStringLiteral("QSQLITE");
        result.databaseName = connectionStringValue(parts, QStringLiteral("Data Source"));
        if (result.databaseName.isEmpty())
            return fail(QStringLiteral("The connection string names no database file (Data Source)."));
        const int busyMs = qMax(timeoutSeconds, 1) * 1000;
        // The file is named as a URI (see SqliteDialect::existingFileUri).
        result.connectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_URI").arg(busyMs);
    } else if (provider.compare(QLatin1String("MSDASQL"), Qt::CaseInsensitive) == 0
               || provider.startsWith(QLatin1String("MSDASQL."), Qt::CaseInsensitive)) {
        result.qtDriver = QStringLiteral("QODBC");
        result.databaseName = withoutProviderPart(connectionString);
        if (result.databaseName.isEmpty())
            return fail(QStringLiteral("The connection string holds no ODBC connection after the provider."));
        result.dialect = odbcDialect(connectionStringValue(parts, QStringLiteral("Driver")));
        result.connectOptions = loginTimeoutOption(timeoutSeconds);
    } else if (provider.compare(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive) == 0
               || provider.startsWith(QLatin1String("SQLOLEDB."), Qt::CaseInsensitive)) {
        QString driver;
        for (const QString &candidate : preferredSqlServerDrivers()) {
            if (installedDrivers.contains(candidate, Qt::CaseInsensitive)) {
                driver = candidate;
                break;
            }
        }
        if (driver.isEmpty())
            return fail(QStringLiteral("No ODBC driver for SQL Server is installed (one of %1 is needed).")
                            .arg(preferredSqlServerDrivers().join(QLatin1String(", "))));
        result.dialect = Dialect::SqlServer;
        result.qtDriver = QStringLiteral("QODBC");
        result.databaseName = sqlServerOdbcString(driver, parts);
        result.connectOptions = loginTimeoutOption(timeoutSeconds);
    } else {
        return fail(QStringLiteral("The provider \"%1\" is not known; use SQLOLEDB.1, MSDASQL or SQLite.")
                        .arg(provider));
    }
    if (target)
        *target = result;
    return true;
}

} // namespace vxr

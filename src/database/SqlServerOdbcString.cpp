// The ODBC connection string for a SQL Server store, made from the parts of
// an SQLOLEDB string.

#include "ConnectionString.h"

namespace vxr {

namespace {

bool isOn(const QString &value)
{
    const QString v = value.trimmed();
    for (const char *on : {"SSPI", "true", "yes"})
        if (v.compare(QLatin1String(on), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Whether the login is the Windows user's own (Integrated Security=SSPI, or
// Trusted_Connection=Yes as ODBC writes it) rather than a user and password.
bool integratedSecurity(const QList<ConnectionStringPart> &parts)
{
    return isOn(connectionStringValue(parts, QStringLiteral("Integrated Security")))
        || isOn(connectionStringValue(parts, QStringLiteral("Trusted_Connection")));
}

// This machine as the driver reaches it. Microsoft's drivers on Windows
// take "(local)" through shared memory, which works where TCP is switched
// off (as SQL Server Express installs itself); FreeTDS, a port or "tcp:",
// and every driver elsewhere, mean TCP.
QString thisMachine(bool overTcp)
{
#ifdef Q_OS_WIN
    if (!overTcp)
        return QStringLiteral("(local)");
#else
    Q_UNUSED(overTcp);
#endif
    return QStringLiteral("127.0.0.1");
}

// "host,port" and "host\instance"; "(local)" and "." are this machine.
QStringList serverParts(const QString &driver, const QList<ConnectionStringPart> &parts)
{
    QString server = connectionStringValue(parts, QStringLiteral("Data Source"));
    if (server.isNull())
        server = connectionStringValue(parts, QStringLiteral("Server"));
    server = server.trimmed();
    const bool tcp = server.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive);
    if (tcp)
        server = server.mid(4);

    QString port;
    const qsizetype comma = server.indexOf(u',');
    if (comma >= 0) {
        port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }
    QString instance;
    const qsizetype backslash = server.indexOf(u'\\');
    if (backslash >= 0) {
        instance = server.mid(backslash + 1);
        server = server.left(backslash);
    }
    const bool freeTds = driver.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive);
    if (server.isEmpty() || server == QLatin1String(".")
        || server.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0)
        server = thisMachine(freeTds || tcp || !port.isEmpty());

    QString host = server;
    if (!instance.isEmpty())
        host += u'\\' + instance;
    // FreeTDS takes the port as a key of its own.
    if (freeTds) {
        QStringList out{QStringLiteral("Server=") + odbcValue(host)};
        if (!port.isEmpty())
            out << QStringLiteral("Port=") + odbcValue(port);
        return out;
    }
    return {QStringLiteral("Server=") + odbcValue(port.isEmpty() ? host : host + u',' + port)};
}

} // namespace

QStringList preferredSqlServerDrivers()
{
    // Windows' own drivers come last: Native Client 11.0 is no longer
    // maintained, and "SQL Server" is the oldest (no newer types, no
    // encryption beyond TLS 1.0 on old systems), but always there.
    return {QStringLiteral("ODBC Driver 18 for SQL Server"), QStringLiteral("ODBC Driver 17 for SQL Server"),
            QStringLiteral("SQL Server Native Client 11.0"), QStringLiteral("FreeTDS"),
            QStringLiteral("SQL Server")};
}

QString sqlServerOdbcString(const QString &driver, const QList<ConnectionStringPart> &parts)
{
    QStringList out;
    out << QStringLiteral("Driver={%1}").arg(driver) << serverParts(driver, parts);

    const QString database = connectionStringValue(parts, QStringLiteral("Initial Catalog"));
    if (!database.isNull())
        out << QStringLiteral("Database=") + odbcValue(database);
    // The Windows login leaves the user and password out: the drivers
    // would try a SQL Server login with them.
    if (integratedSecurity(parts)) {
        out << QStringLiteral("Trusted_Connection=Yes");
    } else {
        const QString user = connectionStringValue(parts, QStringLiteral("User ID"));
        if (!user.isNull())
            out << QStringLiteral("UID=") + odbcValue(user);
        const QString password = connectionStringValue(parts, QStringLiteral("Password"));
        if (!password.isNull())
            out << QStringLiteral("PWD=") + odbcValue(password);
    }

    if (driver.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive)) {
        out << QStringLiteral("TDS_Version=7.4") << QStringLiteral("ClientCharset=UTF-8");
    } else if (driver.contains(QLatin1String("18"))) {
        // Driver 18 encrypts by default and refuses a server without a trusted
        // certificate; a store server usually has none.
        out << QStringLiteral("Encrypt=Optional");
    }
    return out.join(u';') + u';';
}

} // namespace vxr

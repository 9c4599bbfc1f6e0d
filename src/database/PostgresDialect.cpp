#include "PostgresDialect.h"

#include "ConnectionString.h"
#include "ErrorMapping.h"

#include <algorithm>

namespace vxr {

QList<ColumnType> PostgresDialect::readColumnTypes(const QSqlDatabase &database, const QString &table) const
{
    return informationSchemaColumnTypes(database, *this, table, QStringLiteral(" AND table_schema = current_schema()"));
}

QString PostgresDialect::openedDatabaseName(const QString &odbc) const
{
    static const QString option = QStringLiteral("Protocol=7.4-0");
    const auto isRollbackOption = [](const ConnectionStringPart &part) {
        const QString key = part.key.trimmed();
        return key.compare(QLatin1String("Protocol"), Qt::CaseInsensitive) == 0
                || key.compare(QLatin1String("A1"), Qt::CaseInsensitive) == 0;
    };
    const QList<ConnectionStringPart> parts = parseConnectionString(odbc);
    if (std::none_of(parts.begin(), parts.end(), isRollbackOption)) {
        const QString separator = odbc.trimmed().endsWith(u';') ? QString() : QStringLiteral(";");
        return odbc.trimmed() + separator + option;
    }
    QStringList kept;
    for (const ConnectionStringPart &part : parts)
        if (!isRollbackOption(part))
            kept << part.key + u'=' + odbcValue(part.value);
    kept << option;
    return kept.join(u';');
}

DbError PostgresDialect::errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const
{
    DbError result = odbcErrorFrom(error, diagnostics, OdbcNativeNumbers::Ignored);
    // A dropped connection first shows as a general error (S1000/HY000)
    // with libpq's words; the transaction state decides later, but these
    // words leave no doubt.
    const QString text = error.databaseText() + u' ' + error.driverText();
    for (const char *words : {"server closed the connection", "no connection to the server",
                              "could not send data to server", "could not receive data from server",
                              "connection to server was lost", "terminating connection"}) {
        if (text.contains(QLatin1String(words), Qt::CaseInsensitive)) {
            result.number = ErrorNumbers::ConnectionFailed;
            result.scope = FailureScope::Run;
        }
    }
    return result;
}

} // namespace vxr

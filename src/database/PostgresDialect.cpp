#include "PostgresDialect.h"

#include "ErrorMapping.h"

namespace vxr {

QList<ColumnType> PostgresDialect::readColumnTypes(const QSqlDatabase &database, const QString &table) const
{
    return informationSchemaColumnTypes(database, *this, table, QStringLiteral(" AND table_schema = current_schema()"));
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

#include "SqlServerDialect.h"

#include "ErrorMapping.h"

namespace vxr {

QList<ColumnType> SqlServerDialect::readColumnTypes(const QSqlDatabase &database, const QString &table) const
{
    return informationSchemaColumnTypes(database, *this, table, QStringLiteral(" AND table_schema = SCHEMA_NAME()"));
}

DbError SqlServerDialect::errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const
{
    DbError result = odbcErrorFrom(error, diagnostics, OdbcNativeNumbers::First);
    // A deadlock victim's transaction is rolled back by the server.
    if (diagnostics.nativeErrors.contains(1205) || error.nativeErrorCode().contains(QLatin1String("1205")))
        result.scope = FailureScope::Run;
    return result;
}

} // namespace vxr

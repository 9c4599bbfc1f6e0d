#include "OdbcDialect.h"

#include "ErrorMapping.h"

namespace vxr {

QList<ColumnType> OdbcDialect::readColumnTypes(const QSqlDatabase &database, const QString &table) const
{
    return informationSchemaColumnTypes(database, *this, table, QString());
}

DbError OdbcDialect::errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const
{
    return odbcErrorFrom(error, diagnostics, OdbcNativeNumbers::Fallback);
}

} // namespace vxr

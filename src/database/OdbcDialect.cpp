#include "OdbcDialect.h"

#include "ErrorMapping.h"
#include "PreparedStatement.h"

#ifdef VXR_HAVE_ODBC
#include "OdbcStatement.h"

#include <QSqlDriver>
#endif

namespace vxr {

std::unique_ptr<PreparedStatement> OdbcDialect::prepare(const QSqlDatabase &database, const QString &sql,
                                                       StatementCanceller *canceller) const
{
#ifdef VXR_HAVE_ODBC
    // Our own statements on the connection Qt's driver opened; Qt's binding
    // only where the program has no ODBC headers or the connection is not
    // Qt's ODBC one.
    if (void *connection = OdbcStatement::handleOf(database))
        return std::make_unique<OdbcStatement>(connection, database.driver(), sql, *this, canceller);
#endif
    return SqlDialect::prepare(database, sql, canceller);
}

QList<ColumnType> OdbcDialect::readColumnTypes(const QSqlDatabase &database, const QString &table) const
{
    return informationSchemaColumnTypes(database, *this, table, QString());
}

DbError OdbcDialect::errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const
{
    return odbcErrorFrom(error, diagnostics, OdbcNativeNumbers::Fallback);
}

} // namespace vxr

#pragma once

#include "SqlDialect.h"

namespace vxr {

// Any ODBC source we know nothing special about: standard savepoints, the
// driver's last insert id, information_schema, and a cautious statement limit.
class OdbcDialect : public SqlDialect
{
public:
    Dialect kind() const override { return Dialect::OtherOdbc; }
    // Our own ODBC statements on the connection's handle (PostgreSQL, SQL
    // Server and any other source alike).
    std::unique_ptr<PreparedStatement> prepare(const QSqlDatabase &database, const QString &sql,
                                               StatementCanceller *canceller) const override;
    NewIdSource newIdSource(const QSqlDatabase &) const override { return NewIdSource::LastInsertId; }
    QList<ColumnType> readColumnTypes(const QSqlDatabase &database, const QString &table) const override;
    DbError errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const override;
    int maxParameters() const override { return 2000; }
};

} // namespace vxr

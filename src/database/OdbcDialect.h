#pragma once

#include "SqlDialect.h"

namespace vxr {

// Any ODBC source we know nothing special about: standard savepoints, the
// driver's last insert id, information_schema, and a cautious statement limit.
class OdbcDialect : public SqlDialect
{
public:
    Dialect kind() const override { return Dialect::OtherOdbc; }
    NewIdSource newIdSource(const QSqlDatabase &) const override { return NewIdSource::LastInsertId; }
    QList<ColumnType> readColumnTypes(const QSqlDatabase &database, const QString &table) const override;
    DbError errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const override;
    int maxParameters() const override { return 2000; }
};

} // namespace vxr

#pragma once

#include "OdbcDialect.h"

namespace vxr {

// SQL Server through Microsoft's ODBC driver or FreeTDS: T-SQL savepoints
// (SAVE TRANSACTION, never released), OUTPUT INSERTED.ID, at most 2,100
// values per statement and 1,000 rows per VALUES list.
class SqlServerDialect final : public OdbcDialect
{
public:
    Dialect kind() const override { return Dialect::SqlServer; }

    QString beginTransactionSql() const override { return QStringLiteral("BEGIN TRANSACTION"); }
    QString commitSql() const override { return QStringLiteral("COMMIT TRANSACTION"); }
    QString rollbackSql() const override { return QStringLiteral("ROLLBACK TRANSACTION"); }
    QString savepointSql(const QString &name) const override { return QStringLiteral("SAVE TRANSACTION ") + name; }
    QString rollbackToSavepointSql(const QString &name) const override
    {
        return QStringLiteral("ROLLBACK TRANSACTION ") + name;
    }
    QString releaseSavepointSql(const QString &) const override { return {}; }
    // Most failures end only the statement; some (a deadlock, a few
    // conversions) end the whole transaction, which @@TRANCOUNT tells.
    bool failedStatementAbortsTransaction() const override { return false; }
    QString transactionAliveSql() const override { return QStringLiteral("SELECT @@TRANCOUNT"); }

    NewIdSource newIdSource(const QSqlDatabase &) const override { return NewIdSource::OutputClause; }
    QList<ColumnType> readColumnTypes(const QSqlDatabase &database, const QString &table) const override;
    DbError errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const override;
    int maxParameters() const override { return 2100; }
    int maxRowsPerValuesList() const override { return 1000; }
    QString schemaResource() const override { return QStringLiteral(":/vxr/schema/sqlserver.sql"); }
    // An application lock owned by the transaction. sp_getapplock reports a
    // lock it did not grant by its return value, not as an error: the
    // statement gives that value back.
    QString referenceLockSql() const override;
    std::optional<DbError> referenceLockRefusal(const QVariant &result) const override;
};

} // namespace vxr

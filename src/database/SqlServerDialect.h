#pragma once

#include "OdbcDialect.h"

namespace vxr {

// SQL Server through Microsoft's ODBC drivers or FreeTDS: T-SQL savepoints
// (SAVE TRANSACTION, never released), new IDs through SCOPE_IDENTITY() or
// OUTPUT ... INTO a table variable (a table with a trigger refuses OUTPUT
// without INTO), at most 2,097 values per statement and 1,000 rows per
// VALUES list.
class SqlServerDialect final : public OdbcDialect
{
public:
    // The error number an insert raises when a row's new ID does not come back.
    static constexpr int NoNewIdError = 59001;

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

    // The texts below are batches the driver prepares as one statement;
    // with NOCOUNT on, the final SELECT gives the only result. A failed
    // insert ends only itself (XACT_ABORT is off): the SELECT then does not
    // run, so no result is left pending behind the error.
    NewIdSource newIdSource(const QSqlDatabase &) const override { return NewIdSource::OutputClause; }
    // The insert, then SCOPE_IDENTITY(): the ID of this insert, not of a row
    // a trigger added elsewhere.
    QString insertSql(NewIdSource source, const QString &table, const QStringList &columns) const override;
    // With a column to come back, the new rows go through OUTPUT INTO a
    // table variable declared with that column's type, then are selected
    // from it (ID, column).
    QString multiRowInsertSql(NewIdSource source, const QString &table, const QStringList &columns, int rowCount,
                              const ColumnType &returned, const QStringList &literals) const override;

    // The columns of the table the import's unqualified names reach (the
    // login's default schema, then dbo), in upper case for a database with
    // a case-sensitive catalogue; the table's name is bound to both marks.
    QString columnTypesSql() const;
    QList<ColumnType> readColumnTypes(const QSqlDatabase &database, const QString &table) const override;
    DbError errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const override;
    // SQL Server takes 2,100 parameters a call, and the driver's
    // sp_prepexec adds 3 of its own.
    int maxParameters() const override { return 2097; }
    int maxRowsPerValuesList() const override { return 1000; }
    QString schemaResource() const override { return QStringLiteral(":/vxr/schema/sqlserver.sql"); }
    // An application lock owned by the transaction. sp_getapplock reports a
    // lock it did not grant by its return value, not as an error: the
    // statement gives that value back.
    QString referenceLockSql() const override;
    std::optional<DbError> referenceLockRefusal(const QVariant &result) const override;

    // What every connection is set to: no row counts (a trigger's counts
    // would leave results pending and stop the next statement), and a
    // failed statement ends only itself, whatever the server or login
    // sets by default.
    QStringList connectionSettingsSql() const
    {
        return {QStringLiteral("SET NOCOUNT ON"), QStringLiteral("SET XACT_ABORT OFF")};
    }
    bool prepareConnection(const QSqlDatabase &database, const std::function<bool()> &waitForLock,
                           QString *error) const override;
};

} // namespace vxr

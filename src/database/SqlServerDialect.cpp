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

QString SqlServerDialect::referenceLockSql() const
{
    return QStringLiteral("DECLARE @granted int; "
                          "EXEC @granted = sp_getapplock @Resource = N'VXR-refs', @LockMode = 'Exclusive', "
                          "@LockOwner = 'Transaction'; "
                          "SELECT @granted");
}

std::optional<DbError> SqlServerDialect::referenceLockRefusal(const QVariant &result) const
{
    bool ok = false;
    const int granted = result.toInt(&ok);
    if (ok && granted >= 0) // 0 at once, 1 after waiting
        return std::nullopt;
    const QString text = QStringLiteral("The lock for adding departments, categories, suppliers and taxes was "
                                        "not granted (sp_getapplock: %1).")
                                 .arg(ok ? QString::number(granted) : QStringLiteral("no result"));
    switch (granted) {
    case -2: // the request was cancelled
        return DbError{ErrorNumbers::OperationCancelled, text, FailureScope::Cancel};
    case -3: // a deadlock victim, as error 1205 reports it elsewhere
        return DbError{ErrorNumbers::StatementFailed, text, FailureScope::Run};
    default: // -1 the lock time-out, -999 a call the server refused
        return DbError{ErrorNumbers::StatementFailed, text, FailureScope::Line};
    }
}

} // namespace vxr

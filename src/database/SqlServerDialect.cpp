#include "SqlServerDialect.h"

#include "ColumnKinds.h"
#include "ErrorMapping.h"
#include "OdbcStatement.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace vxr {

namespace {

// The T-SQL type of a table variable's column that takes the values of a
// column of this kind.
QString tsqlType(const ColumnType &column)
{
    switch (column.typeCode) {
    case TypeCodes::TinyInt:
    case TypeCodes::UnsignedTinyInt: return QStringLiteral("tinyint");
    case TypeCodes::SmallInt: return QStringLiteral("smallint");
    case TypeCodes::Integer: return QStringLiteral("int");
    case TypeCodes::BigInt: return QStringLiteral("bigint");
    default: break;
    }
    if (!isTextType(column.typeCode))
        return QStringLiteral("sql_variant");
    if (column.typeCode == TypeCodes::LongVarWChar || column.typeCode == TypeCodes::LongVarChar
        || column.typeCode == TypeCodes::Variant || column.definedSize <= 0 || column.definedSize > 4000)
        return QStringLiteral("nvarchar(max)");
    return QStringLiteral("nvarchar(%1)").arg(column.definedSize);
}

// SQL Server's own numbers for conditions the import cannot go round, or
// that need words of their own to say what to do.
struct Condition
{
    int native;
    qint32 number;
    FailureScope scope;
    const char *advice;
};

constexpr Condition Conditions[] = {
    {9002, ErrorNumbers::ConnectionFailed, FailureScope::Run,
     "The database's transaction log is full, so no further line can be stored: back up or enlarge the log "
     "(or free disk space for it), then import the remaining lines again."},
    {1105, ErrorNumbers::ConnectionFailed, FailureScope::Run,
     "A filegroup of the database is full, so no further line can be stored: enlarge the database's files "
     "(or free disk space for them), then import the remaining lines again."},
    {334, ErrorNumbers::StatementFailed, FailureScope::Line,
     "The table has an enabled trigger, and SQL Server refuses an insert that returns its new rows without "
     "INTO on such a table: report this, and meanwhile disable the trigger during the import."},
    {402, ErrorNumbers::StatementFailed, FailureScope::Line,
     "A long text went to the server as ntext, which cannot be compared: shorten the value to 4,000 "
     "characters or use Microsoft's ODBC Driver 17 or 18 for SQL Server."},
    {8003, ErrorNumbers::StatementFailed, FailureScope::Line,
     "The statement carried more values than SQL Server takes (2,100, counting the driver's own): "
     "report this, and meanwhile import with --batch 1."},
    {SqlServerDialect::NoNewIdError, ErrorNumbers::StatementFailed, FailureScope::Run,
     "The row's new ID did not come back (an INSTEAD OF trigger on the table adds the row itself), so the row "
     "can neither be pointed at by the rows that belong to it nor be taken back by an undo: the run stops, its "
     "open batch not stored. Disable the trigger during the import."},
    {208, ErrorNumbers::StatementFailed, FailureScope::Line,
     "A table the import writes is not found: check the database the connection names and the login's "
     "default schema (the tables must be in it or in dbo), and on a case-sensitive database the spelling "
     "of the table names."},
};

QList<int> nativeNumbers(const QSqlError &error, const OdbcDiagnostics &diagnostics)
{
    QList<int> numbers = diagnostics.nativeErrors;
    static const QRegularExpression separators(QStringLiteral("[^0-9-]+"));
    for (const QString &piece : error.nativeErrorCode().split(separators, Qt::SkipEmptyParts)) {
        bool ok = false;
        const int number = piece.toInt(&ok);
        if (ok)
            numbers << number;
    }
    return numbers;
}

} // namespace

// A row whose ID does not come back fails its statement (NoNewIdError):
// taken for 0, or guessed from the highest ID, it would be journaled and
// linked under another row's ID.
QString SqlServerDialect::insertSql(NewIdSource, const QString &table, const QStringList &columns) const
{
    return SqlDialect::insertSql(NewIdSource::LastInsertId, table, columns)
            + QStringLiteral("; IF @@ERROR = 0 BEGIN IF SCOPE_IDENTITY() IS NULL THROW %1, N'No new ID', 1; "
                             "SELECT CAST(SCOPE_IDENTITY() AS int) END").arg(NoNewIdError);
}

QString SqlServerDialect::multiRowInsertSql(NewIdSource source, const QString &table, const QStringList &columns,
                                            int rowCount, const ColumnType &returned,
                                            const QStringList &literals) const
{
    if (returned.name.isEmpty())
        return SqlDialect::multiRowInsertSql(source, table, columns, rowCount, returned, literals);
    return QStringLiteral("DECLARE @added TABLE (ID int, Returned %1); "
                          "INSERT INTO %2 (%3) OUTPUT INSERTED.ID, INSERTED.%4 INTO @added (ID, Returned) "
                          "VALUES %5; IF @@ERROR = 0 BEGIN IF EXISTS (SELECT 1 FROM @added WHERE ID IS NULL OR ID <= 0) "
                          "THROW %6, N'No new ID', 1; SELECT ID, Returned FROM @added END")
            .arg(tsqlType(returned), table, columns.join(QStringLiteral(", ")), returned.name,
                 valueRows(int(columns.size()), rowCount, literals), QString::number(NoNewIdError));
}

QString SqlServerDialect::columnTypesSql() const
{
    return QStringLiteral("SELECT COLUMN_NAME, DATA_TYPE, CHARACTER_MAXIMUM_LENGTH FROM INFORMATION_SCHEMA.COLUMNS "
                          "WHERE TABLE_SCHEMA = OBJECT_SCHEMA_NAME(OBJECT_ID(?)) "
                          "AND TABLE_NAME = OBJECT_NAME(OBJECT_ID(?)) ORDER BY ORDINAL_POSITION");
}

QList<ColumnType> SqlServerDialect::readColumnTypes(const QSqlDatabase &database, const QString &table) const
{
    return schemaQueryColumnTypes(database, *this, table, columnTypesSql());
}

bool SqlServerDialect::prepareConnection(const QSqlDatabase &database, const std::function<bool()> &,
                                         QString *error) const
{
    QSqlQuery query(database);
    for (const QString &setting : connectionSettingsSql()) {
        // Through the driver manager where it can, so the text goes with its
        // exact length.
        try {
            if (runOdbcDirect(database, setting, *this))
                continue;
        } catch (const DbError &failure) {
            *error = failure.description;
            return false;
        }
        if (!query.exec(setting)) {
            *error = errorDescription(query.lastError());
            return false;
        }
        query.finish();
    }
    return true;
}

DbError SqlServerDialect::errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const
{
    DbError result = odbcErrorFrom(error, diagnostics, OdbcNativeNumbers::First);
    const QList<int> natives = nativeNumbers(error, diagnostics);
    // A deadlock victim's transaction is rolled back by the server.
    if (natives.contains(1205))
        result.scope = FailureScope::Run;
    for (const Condition &condition : Conditions) {
        if (!natives.contains(condition.native) || result.scope == FailureScope::Cancel)
            continue;
        result.number = condition.number;
        result.scope = condition.scope;
        result.description = result.description + u' ' + QLatin1String(condition.advice);
        break;
    }
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
    case -3: { // a deadlock victim, as error 1205 reports it elsewhere: the batch is tried again
        DbError deadlock{ErrorNumbers::StatementFailed, text, FailureScope::Run};
        deadlock.transient = true;
        return deadlock;
    }
    default: // -1 the lock time-out, -999 a call the server refused
        return DbError{ErrorNumbers::StatementFailed, text, FailureScope::Line};
    }
}

} // namespace vxr

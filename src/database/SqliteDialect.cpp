#include "SqliteDialect.h"

#include "ErrorMapping.h"

#include <QSqlQuery>
#include <QVersionNumber>

namespace vxr {

NewIdSource SqliteDialect::newIdSource(const QSqlDatabase &database) const
{
    QSqlQuery query(database);
    if (query.exec(QStringLiteral("SELECT sqlite_version()")) && query.next()) {
        const QVersionNumber version = QVersionNumber::fromString(query.value(0).toString());
        if (version >= QVersionNumber(3, 35))
            return NewIdSource::Returning;
    }
    return NewIdSource::LastInsertId;
}

QList<ColumnType> SqliteDialect::readColumnTypes(const QSqlDatabase &database, const QString &table) const
{
    // QSQLITE reports no sizes and calls DATETIME text: read the declared types.
    QList<ColumnType> columns;
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT name, type FROM pragma_table_info(?)"));
    query.addBindValue(table);
    if (!query.exec())
        throw errorFrom(query.lastError(), {});
    while (query.next()) {
        ColumnType column = classifyDeclaredType(query.value(1).toString());
        column.name = query.value(0).toString();
        columns.append(column);
    }
    if (columns.isEmpty())
        throw DbError{ErrorNumbers::StatementFailed,
                      QStringLiteral("The table %1 does not exist in the database.").arg(table)};
    return columns;
}

bool SqliteDialect::codeEndsRun(int code)
{
    switch (code & 0xff) {
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
    case 7:  // SQLITE_NOMEM
    case 10: // SQLITE_IOERR
    case 11: // SQLITE_CORRUPT
    case 13: // SQLITE_FULL
    case 14: // SQLITE_CANTOPEN
    case 26: // SQLITE_NOTADB
        return true;
    default:
        return false;
    }
}

DbError SqliteDialect::errorFrom(const QSqlError &error, const OdbcDiagnostics &) const
{
    DbError result;
    result.description = errorDescription(error);
    bool ok = false;
    const int code = error.nativeErrorCode().trimmed().toInt(&ok);
    const QString text = error.databaseText() + u' ' + error.driverText();
    if (ok)
        result.number = errorNumberForSqliteCode(code, text);
    if (!ok || result.number == 0)
        result.number = errorNumberForText(error);
    if (ok && codeEndsRun(code))
        result.scope = FailureScope::Run;
    else if (ok && (code & 0xff) == 9) // SQLITE_INTERRUPT
        result.scope = FailureScope::Cancel;
    return result;
}

QVariant SqliteDialect::dateTimeValue(const QDateTime &value) const
{
    // SQLite has no date type: store the sortable text form its date
    // functions read.
    const QString format = value.time().msec() != 0 ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                                    : QStringLiteral("yyyy-MM-dd HH:mm:ss");
    return value.toString(format);
}

} // namespace vxr

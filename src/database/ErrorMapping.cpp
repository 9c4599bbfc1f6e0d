#include "ErrorMapping.h"

#include "SqlDialect.h"

#include <QRegularExpression>
#include <QStringList>

namespace vxr {

namespace {

using namespace ErrorNumbers;

// Newer Qt versions append the SQLSTATEs to the database text (", 23505" or
// ", 23000;01000"); take them from there, never from inside the message, where
// a value such as a zip code could look like one.
QStringList trailingSqlStates(const QString &databaseText)
{
    static const QRegularExpression tail(QStringLiteral(",\\s*([0-9A-Z]{5}(?:;[0-9A-Z]{5})*)\\s*$"));
    const QRegularExpressionMatch m = tail.match(databaseText);
    return m.hasMatch() ? m.captured(1).split(u';') : QStringList();
}

QList<int> nativeCodesIn(const QString &text)
{
    QList<int> codes;
    for (const QString &piece : text.split(QRegularExpression(QStringLiteral("[;,\\s]+")), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int code = piece.toInt(&ok);
        if (ok)
            codes << code;
    }
    return codes;
}

// The last resort: the wording of the common backends (English messages).
qint32 errorNumberForMessage(const QString &message)
{
    const QString m = message.toLower();
    const auto has = [&m](const char *words) { return m.contains(QLatin1String(words)); };
    if (has("duplicate key") || has("unique constraint") || has("duplicate entry") || has("violation of primary key")
        || has("violation of unique key") || has("cannot insert duplicate"))
        return DuplicateKey;
    if (has("too long") || has("would be truncated") || has("out of range") || has("right truncation")
        || has("overflow"))
        return ValueOutOfRange;
    if (has("not-null constraint") || has("not null constraint") || has("cannot insert the value null")
        || has("foreign key") || has("check constraint") || has("violates") || has("constraint failed")
        || has("conflicted with the"))
        return ConstraintViolation;
    if (has("invalid input syntax") || has("conversion failed") || has("error converting")
        || has("invalid character value") || has("datatype mismatch") || has("invalid datetime"))
        return ConversionFailed;
    if (has("could not connect") || has("connection refused") || has("server closed the connection")
        || has("unable to connect") || has("connection is closed") || has("no connection")
        || has("communication link failure") || has("login timeout") || has("timeout expired"))
        return ConnectionFailed;
    return 0;
}

} // namespace

qint32 errorNumberForSqlState(const QString &sqlState)
{
    const QString s = sqlState.trimmed().toUpper();
    if (s.size() != 5)
        return 0;
    if (s == QLatin1String("23505"))
        return DuplicateKey;
    if (s == QLatin1String("23502") || s == QLatin1String("23503") || s == QLatin1String("23514")
        || s == QLatin1String("23P01") || s == QLatin1String("23001"))
        return ConstraintViolation;
    if (s == QLatin1String("22001") || s == QLatin1String("22003") || s == QLatin1String("22008")
        || s == QLatin1String("22015"))
        return ValueOutOfRange;
    if (s == QLatin1String("22P02") || s == QLatin1String("22018") || s == QLatin1String("22005")
        || s == QLatin1String("22007") || s == QLatin1String("07006"))
        return ConversionFailed;
    if (s.startsWith(QLatin1String("08")) || s == QLatin1String("HYT00") || s == QLatin1String("HYT01")
        || s == QLatin1String("57P01") || s == QLatin1String("57P02") || s == QLatin1String("57P03"))
        return ConnectionFailed;
    if (s.startsWith(QLatin1String("23")))
        return ConstraintViolation; // 23000: the class alone; the native code or message may say more
    if (s.startsWith(QLatin1String("22")))
        return ConversionFailed;
    return 0;
}

qint32 errorNumberForSqlServerError(int nativeError)
{
    switch (nativeError) {
    case 2627: // violation of a PRIMARY KEY or UNIQUE constraint
    case 2601: // duplicate key row in a unique index
        return DuplicateKey;
    case 515:  // NULL into a NOT NULL column
    case 547:  // foreign key or check constraint
        return ConstraintViolation;
    case 8152: // string or binary data would be truncated
    case 2628:
    case 220:  // arithmetic overflow for a small type
    case 8115: // arithmetic overflow converting
        return ValueOutOfRange;
    case 245:  // conversion failed
    case 8114: // error converting data type
    case 241:  // date/time conversion failed
        return ConversionFailed;
    default:
        return 0;
    }
}

qint32 errorNumberForSqliteCode(int code, const QString &message)
{
    switch (code) {
    case 2067: // SQLITE_CONSTRAINT_UNIQUE
    case 1555: // SQLITE_CONSTRAINT_PRIMARYKEY
        return DuplicateKey;
    case 275:  // SQLITE_CONSTRAINT_CHECK: the store's length checks are named "... too long"
        return message.contains(QLatin1String(" too long")) ? ValueOutOfRange : ConstraintViolation;
    case 1299: // SQLITE_CONSTRAINT_NOTNULL
    case 787:  // SQLITE_CONSTRAINT_FOREIGNKEY
    case 1811: // SQLITE_CONSTRAINT_TRIGGER
    case 531:  // SQLITE_CONSTRAINT_COMMITHOOK
        return ConstraintViolation;
    case 3091: // SQLITE_CONSTRAINT_DATATYPE (strict tables)
    case 20:   // SQLITE_MISMATCH
        return ConversionFailed;
    case 18:   // SQLITE_TOOBIG
    case 25:   // SQLITE_RANGE
        return ValueOutOfRange;
    case 19: { // SQLITE_CONSTRAINT without the extended code: the message tells which
        const qint32 byMessage = errorNumberForMessage(message);
        if (message.contains(QLatin1String("CHECK constraint failed")))
            return message.contains(QLatin1String(" too long")) ? ValueOutOfRange : ConstraintViolation;
        return byMessage == DuplicateKey ? DuplicateKey : ConstraintViolation;
    }
    case 5:    // SQLITE_BUSY: locked by another program past the time-out
    case 6:    // SQLITE_LOCKED
    case 7:    // SQLITE_NOMEM
    case 10:   // SQLITE_IOERR and its extended codes are below
    case 11:   // SQLITE_CORRUPT
    case 13:   // SQLITE_FULL
    case 14:   // SQLITE_CANTOPEN
    case 26:   // SQLITE_NOTADB
        return ConnectionFailed;
    case 9:    // SQLITE_INTERRUPT
        return OperationCancelled;
    default:
        if (code > 255 && ((code & 0xff) == 10 || (code & 0xff) == 11 || (code & 0xff) == 5
                           || (code & 0xff) == 6 || (code & 0xff) == 14))
            return ConnectionFailed; // extended I/O, corruption, busy and open errors
        if (code > 255 && (code & 0xff) == 19)
            return errorNumberForSqliteCode(19, message);
        return 0;
    }
}

DbError dbErrorFrom(const QSqlError &error, Dialect dialect)
{
    return sqlDialect(dialect).errorFrom(error, OdbcDiagnostics{});
}

DbError dbErrorFrom(const QSqlError &error, Dialect dialect, const OdbcDiagnostics &diagnostics)
{
    return sqlDialect(dialect).errorFrom(error, diagnostics);
}

DbError dbErrorFrom(const QSqlQuery &query, Dialect dialect)
{
    return sqlDialect(dialect).errorFrom(query.lastError(), odbcDiagnostics(query));
}

QString errorDescription(const QSqlError &error)
{
    const QString description = error.databaseText().trimmed();
    return description.isEmpty() ? error.text().trimmed() : description;
}

qint32 errorNumberForText(const QSqlError &error)
{
    qint32 number = errorNumberForMessage(error.databaseText() + u' ' + error.driverText());
    if (number == 0 && error.type() == QSqlError::ConnectionError)
        number = ConnectionFailed;
    return number == 0 ? StatementFailed : number;
}

DbError odbcErrorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics, OdbcNativeNumbers natives)
{
    const QList<int> nativeNumbers = diagnostics.nativeErrors + nativeCodesIn(error.nativeErrorCode());
    const auto byNative = [&nativeNumbers]() {
        for (int code : nativeNumbers)
            if (const qint32 n = errorNumberForSqlServerError(code))
                return n;
        return 0;
    };
    const QStringList states = diagnostics.sqlStates + trailingSqlStates(error.databaseText());

    DbError result;
    result.description = errorDescription(error);
    // SQL Server's own numbers (FreeTDS and Microsoft's drivers give them) are
    // the most precise; otherwise the SQLSTATEs, which mean the same for every
    // driver (psqlODBC's native number is always 1).
    qint32 number = natives == OdbcNativeNumbers::First ? byNative() : 0;
    if (number == 0) {
        for (const QString &state : states) {
            number = errorNumberForSqlState(state);
            if (number != 0)
                break;
        }
        // "23000" alone does not tell a duplicate from a NOT NULL.
        if (number == ConstraintViolation
            && errorNumberForMessage(error.databaseText() + u' ' + error.driverText()) == DuplicateKey)
            number = DuplicateKey;
    }
    if (number == 0 && natives == OdbcNativeNumbers::Fallback)
        number = byNative();
    result.number = number != 0 ? number : errorNumberForText(error);

    // A cancelled statement, a connection that is gone, or a driver that has
    // lost track of the statement after a drop: the run cannot go on.
    for (const QString &state : states) {
        if (state == QLatin1String("57014") || state == QLatin1String("HY008"))
            result.scope = FailureScope::Cancel;
        else if (state == QLatin1String("HY010") || state.startsWith(QLatin1String("08")))
            result.scope = FailureScope::Run;
        // Serialization failure (SQL Server's deadlock victim 1205 too) and
        // PostgreSQL's deadlock_detected: the transaction is lost, and may
        // succeed when tried again.
        else if (state == QLatin1String("40001") || state == QLatin1String("40P01"))
            result.transient = true;
    }
    if (nativeNumbers.contains(1205))
        result.transient = true;
    if (result.transient && result.scope == FailureScope::Line)
        result.scope = FailureScope::Run;
    if (result.scope == FailureScope::Line && result.number == ConnectionFailed)
        result.scope = FailureScope::Run;
    if (result.scope == FailureScope::Cancel)
        result.number = OperationCancelled;
    return result;
}

} // namespace vxr

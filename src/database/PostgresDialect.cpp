#include "PostgresDialect.h"

#include "ColumnKinds.h"
#include "ConnectionString.h"
#include "ErrorMapping.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace vxr {

namespace {

// Texts written as literals: short, printable ASCII, none of the characters
// a driver or a server setting could read otherwise (a backslash under
// standard_conforming_strings = off, ODBC's escapes and placeholders).
bool isPlainText(const QString &text)
{
    if (text.size() > 64)
        return false;
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        return u >= 0x20 && u < 0x7f && u != u'\\' && u != u'?' && u != u'{' && u != u'}';
    });
}

// Whole numbers a double holds exactly, and that its conversion to
// NUMERIC (fifteen digits) keeps whole; not -0, which a double column keeps.
bool isPlainWholeNumber(double value)
{
    return std::fabs(value) < 1e15 && value == std::trunc(value) && !(value == 0 && std::signbit(value));
}

} // namespace

std::optional<QString> PostgresDialect::literal(const QVariant &value, int typeCode) const
{
    const auto *data = value.constData();
    switch (value.typeId()) {
    case QMetaType::QString: {
        const auto *text = static_cast<const QString *>(data);
        if (text->isNull())
            return QStringLiteral("NULL");
        if (!isTextType(typeCode) || typeCode == TypeCodes::Variant || !isPlainText(*text))
            return std::nullopt;
        QString quoted = *text;
        return QLatin1Char('\'') + quoted.replace(u'\'', QLatin1String("''")) + QLatin1Char('\'');
    }
    case QMetaType::LongLong:
        if (value.isNull())
            return QStringLiteral("NULL");
        if (!isIntegerType(typeCode))
            return std::nullopt;
        return QString::number(*static_cast<const qlonglong *>(data));
    case QMetaType::Double: {
        if (value.isNull())
            return QStringLiteral("NULL");
        const double number = *static_cast<const double *>(data);
        // Not MONEY, which reads a literal otherwise than a bound number.
        const bool numberColumn =
                typeCode == TypeCodes::Double || typeCode == TypeCodes::Numeric || typeCode == TypeCodes::Decimal;
        if (!numberColumn || !isPlainWholeNumber(number))
            return std::nullopt;
        return QString::number(qlonglong(number));
    }
    case QMetaType::Bool:
        if (value.isNull())
            return QStringLiteral("NULL");
        if (typeCode != TypeCodes::Boolean)
            return std::nullopt;
        return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case QMetaType::QDateTime: {
        const auto *dateTime = static_cast<const QDateTime *>(data);
        if (value.isNull() || !dateTime->isValid())
            return QStringLiteral("NULL");
        const int year = dateTime->date().year();
        if (typeCode != TypeCodes::DBTimeStamp || year < 1 || year > 9999)
            return std::nullopt;
        return QLatin1Char('\'') + dateTime->date().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ')
                + dateTime->time().toString(QStringLiteral("HH:mm:ss.zzz")) + QLatin1Char('\'');
    }
    default:
        return std::nullopt;
    }
}

QList<ColumnType> PostgresDialect::readColumnTypes(const QSqlDatabase &database, const QString &table) const
{
    return informationSchemaColumnTypes(database, *this, table, QStringLiteral(" AND table_schema = current_schema()"));
}

QString PostgresDialect::openedDatabaseName(const QString &odbc) const
{
    static const QString option = QStringLiteral("Protocol=7.4-0");
    const auto isRollbackOption = [](const ConnectionStringPart &part) {
        const QString key = part.key.trimmed();
        return key.compare(QLatin1String("Protocol"), Qt::CaseInsensitive) == 0
                || key.compare(QLatin1String("A1"), Qt::CaseInsensitive) == 0;
    };
    const QList<ConnectionStringPart> parts = parseConnectionString(odbc);
    if (std::none_of(parts.begin(), parts.end(), isRollbackOption)) {
        const QString separator = odbc.trimmed().endsWith(u';') ? QString() : QStringLiteral(";");
        return odbc.trimmed() + separator + option;
    }
    QStringList kept;
    for (const ConnectionStringPart &part : parts)
        if (!isRollbackOption(part))
            kept << part.key + u'=' + odbcValue(part.value);
    kept << option;
    return kept.join(u';');
}

DbError PostgresDialect::errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const
{
    DbError result = odbcErrorFrom(error, diagnostics, OdbcNativeNumbers::Ignored);
    // A dropped connection first shows as a general error (S1000/HY000)
    // with libpq's words; the transaction state decides later, but these
    // words leave no doubt.
    const QString text = error.databaseText() + u' ' + error.driverText();
    for (const char *words : {"server closed the connection", "no connection to the server",
                              "could not send data to server", "could not receive data from server",
                              "connection to server was lost", "terminating connection"}) {
        if (text.contains(QLatin1String(words), Qt::CaseInsensitive)) {
            result.number = ErrorNumbers::ConnectionFailed;
            result.scope = FailureScope::Run;
        }
    }
    return result;
}

} // namespace vxr

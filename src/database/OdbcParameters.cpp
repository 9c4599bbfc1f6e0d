#include "OdbcParameters.h"

#ifdef VXR_HAVE_ODBC

#include <QByteArray>
#include <QDateTime>

namespace vxr {

namespace {

bool isNullValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return true;
    switch (value.typeId()) {
    case QMetaType::QString: return static_cast<const QString *>(value.constData())->isNull();
    case QMetaType::QDateTime: return !static_cast<const QDateTime *>(value.constData())->isValid();
    case QMetaType::QDate: return !static_cast<const QDate *>(value.constData())->isValid();
    case QMetaType::QTime: return !static_cast<const QTime *>(value.constData())->isValid();
    default: return false;
    }
}

SQL_TIMESTAMP_STRUCT timestampOf(const QDateTime &value)
{
    const QDate date = value.date();
    const QTime time = value.time();
    SQL_TIMESTAMP_STRUCT t = {};
    t.year = SQLSMALLINT(date.year());
    t.month = SQLUSMALLINT(date.month());
    t.day = SQLUSMALLINT(date.day());
    t.hour = SQLUSMALLINT(time.hour());
    t.minute = SQLUSMALLINT(time.minute());
    t.second = SQLUSMALLINT(time.second());
    t.fraction = SQLUINTEGER(time.msec()) * 1000000; // nanoseconds
    return t;
}

// Binds a value the driver reads from its fixed-size buffer.
SQLRETURN bindFixed(SQLHSTMT statement, SQLUSMALLINT position, SQLSMALLINT cType, SQLSMALLINT sqlType,
                    SQLULEN columnSize, SQLSMALLINT digits, void *data, SQLLEN *indicator)
{
    return SQLBindParameter(statement, position, SQL_PARAM_INPUT, cType, sqlType, columnSize, digits, data, 0,
                            indicator);
}

} // namespace

SQLRETURN OdbcParameters::bind(SQLHSTMT statement, const QVariantList &values)
{
    m_values = values;
    m_converted.clear();
    m_slots.assign(size_t(values.size()), Slot{});
    for (qsizetype i = 0; i < m_values.size(); ++i) {
        const SQLRETURN r = bindOne(statement, SQLUSMALLINT(i + 1), m_values.at(i), m_slots[size_t(i)]);
        if (!SQL_SUCCEEDED(r))
            return r;
    }
    return SQL_SUCCESS;
}

SQLRETURN OdbcParameters::bindText(SQLHSTMT statement, SQLUSMALLINT position, const QString &text, bool isNull,
                                   Slot &slot)
{
    // The length in bytes, as the text holds it: the driver takes it as given.
    const auto length = SQLULEN(text.size());
    slot.indicator = isNull ? SQL_NULL_DATA : SQLLEN(length * sizeof(SQLWCHAR));
    const bool isLong = length > MaxVarcharSize;
    auto *data = reinterpret_cast<SQLWCHAR *>(const_cast<QChar *>(text.constData()));
    return SQLBindParameter(statement, position, SQL_PARAM_INPUT, SQL_C_WCHAR,
                            isLong ? SQL_WLONGVARCHAR : SQL_WVARCHAR, isLong ? length : MaxVarcharSize, 0, data,
                            isNull ? 0 : slot.indicator, &slot.indicator);
}

SQLRETURN OdbcParameters::bindOne(SQLHSTMT statement, SQLUSMALLINT position, const QVariant &value, Slot &slot)
{
    const bool isNull = isNullValue(value);
    if (isNull)
        slot.indicator = SQL_NULL_DATA;
    auto &d = slot.data;
    switch (value.typeId()) {
    case QMetaType::QString:
        return bindText(statement, position, *static_cast<const QString *>(value.constData()), isNull, slot);
    case QMetaType::Bool:
        d.bit = !isNull && value.toBool() ? 1 : 0;
        return bindFixed(statement, position, SQL_C_BIT, SQL_BIT, 1, 0, &d.bit, &slot.indicator);
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        d.smallInteger = isNull ? 0 : SQLINTEGER(value.toInt());
        return bindFixed(statement, position, SQL_C_SLONG, SQL_INTEGER, 10, 0, &d.smallInteger, &slot.indicator);
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        d.integer = isNull ? 0 : SQLBIGINT(value.toLongLong());
        return bindFixed(statement, position, SQL_C_SBIGINT, SQL_BIGINT, 19, 0, &d.integer, &slot.indicator);
    case QMetaType::Double:
    case QMetaType::Float:
        d.real = isNull ? 0.0 : value.toDouble();
        return bindFixed(statement, position, SQL_C_DOUBLE, SQL_DOUBLE, 15, 0, &d.real, &slot.indicator);
    case QMetaType::QDateTime:
    case QMetaType::QDate:
        // A date goes as midnight of its day: the store's dates are all
        // datetime columns. Milliseconds are the finest part kept.
        if (!isNull)
            d.timestamp = timestampOf(value.toDateTime());
        return bindFixed(statement, position, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3, &d.timestamp,
                         &slot.indicator);
    case QMetaType::QTime:
        if (!isNull) {
            const QTime time = value.toTime();
            d.time = {SQLUSMALLINT(time.hour()), SQLUSMALLINT(time.minute()), SQLUSMALLINT(time.second())};
        }
        return bindFixed(statement, position, SQL_C_TYPE_TIME, SQL_TYPE_TIME, 8, 0, &d.time, &slot.indicator);
    case QMetaType::QByteArray: {
        const auto *bytes = static_cast<const QByteArray *>(value.constData());
        const auto length = SQLULEN(bytes->size());
        if (!isNull)
            slot.indicator = SQLLEN(length);
        const bool isLong = length > 8000;
        return SQLBindParameter(statement, position, SQL_PARAM_INPUT, SQL_C_BINARY,
                                isLong ? SQL_LONGVARBINARY : SQL_VARBINARY, qMax<SQLULEN>(length, 1), 0,
                                const_cast<char *>(bytes->constData()), SQLLEN(length), &slot.indicator);
    }
    default:
        // Any other kind goes as its text; the database converts it.
        m_converted.append(isNull ? QString() : value.toString());
        return bindText(statement, position, m_converted.constLast(), isNull, slot);
    }
}

} // namespace vxr

#endif // VXR_HAVE_ODBC

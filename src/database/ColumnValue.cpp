#include "ColumnValue.h"

#include "ColumnKinds.h"
#include "DbError.h"
#include "SqlDialect.h"

#include "catalogue/VariantKinds.h"
#include "text/DateText.h"

#include <QDateTime>

#include <cmath>
#include <cstring>
#include <limits>

namespace vxr {

namespace {

bool isText(const QVariant &v)
{
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

bool isDateTime(const QVariant &v)
{
    return v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate;
}

QVariant typedNull(int typeCode)
{
    if (isTextType(typeCode))
        return QVariant(QMetaType(QMetaType::QString));
    if (isDateType(typeCode))
        return QVariant(QMetaType(QMetaType::QDateTime));
    if (typeCode == TypeCodes::Boolean)
        return QVariant(QMetaType(QMetaType::Bool));
    if (isIntegerType(typeCode))
        return QVariant(QMetaType(QMetaType::LongLong));
    return QVariant(QMetaType(QMetaType::Double));
}

[[noreturn]] void outOfRange(const QVariant &value, const QString &columnName)
{
    throw DbError{ErrorNumbers::ValueOutOfRange,
                  QStringLiteral("The value %1 is out of range for the column %2.")
                          .arg(value.toString(), columnName)};
}

[[noreturn]] void notConvertible(const QVariant &value, const QString &columnName)
{
    throw DbError{ErrorNumbers::ConversionFailed,
                  QStringLiteral("The value \"%1\" cannot be converted for the column %2.")
                          .arg(value.toString(), columnName)};
}

// A value read as a number; text must read as one.
double numberOf(const QVariant &value, const QString &columnName)
{
    switch (value.typeId()) {
    case QMetaType::Double: return *static_cast<const double *>(value.constData());
    case QMetaType::Int: return *static_cast<const int *>(value.constData());
    case QMetaType::Short: return *static_cast<const short *>(value.constData());
    case QMetaType::LongLong: return double(*static_cast<const qlonglong *>(value.constData()));
    default: break;
    }
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1.0 : 0.0;
    bool ok = false;
    const double number = isText(value) ? value.toString().trimmed().toDouble(&ok) : value.toDouble(&ok);
    if (!ok)
        notConvertible(value, columnName);
    return number;
}

std::pair<double, double> integerRange(int typeCode)
{
    switch (typeCode) {
    case TypeCodes::TinyInt: return {-128, 127};
    case TypeCodes::UnsignedTinyInt: return {0, 255};
    case TypeCodes::SmallInt: return {-32768, 32767};
    case TypeCodes::Integer: return {-2147483648.0, 2147483647.0};
    default: return {-9223372036854775808.0, 9223372036854774784.0};
    }
}

QVariant integerValue(const QVariant &value, int typeCode, const QString &columnName)
{
    const double number = std::round(numberOf(value, columnName));
    const auto [low, high] = integerRange(typeCode);
    if (!std::isfinite(number) || number < low || number > high)
        outOfRange(value, columnName);
    return QVariant::fromValue<qlonglong>(static_cast<qlonglong>(number));
}

QVariant dateValue(const QVariant &value, Dialect dialect, const QString &columnName)
{
    QDateTime dateTime;
    if (value.typeId() == QMetaType::QDateTime)
        dateTime = value.toDateTime();
    else if (value.typeId() == QMetaType::QDate)
        dateTime = QDateTime(value.toDate(), QTime(0, 0));
    else if (isText(value)) {
        const std::optional<QDateTime> read = TextToDate(value.toString(), QLocale::c());
        if (!read)
            notConvertible(value, columnName);
        dateTime = *read;
    } else {
        // The value bound is the date and time of day as they read; they are
        // made without the time zone rules, which rows would ask every time.
        dateTime = dateFromSerial(numberOf(value, columnName), Qt::UTC);
    }
    if (!dateTime.isValid())
        outOfRange(value, columnName);
    return sqlDialect(dialect).dateTimeValue(dateTime);
}

bool isFloatingType(int typeCode)
{
    return typeCode == TypeCodes::Double || typeCode == TypeCodes::Single || typeCode == TypeCodes::Numeric
        || typeCode == TypeCodes::Decimal;
}

// What a floating-point or decimal column can hold: no infinity, no NaN, and
// in a single-precision column nothing a float cannot hold.
bool fitsFloatingColumn(double number, int typeCode)
{
    return std::isfinite(number)
        && (typeCode != TypeCodes::Single || std::fabs(number) <= double(std::numeric_limits<float>::max()));
}

QString textOf(const QVariant &value)
{
    if (isDateTime(value)) {
        const QDateTime dateTime = value.typeId() == QMetaType::QDate
                ? QDateTime(value.toDate(), QTime(0, 0))
                : value.toDateTime();
        return dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    const QString text = value.toString();
    return text.isNull() ? QString(QLatin1String("")) : text;
}

} // namespace

QVariant boundValue(const QVariant &value, int typeCode, Dialect dialect, const QString &columnName)
{
    // The kinds most values come in, bound as they are.
    const int kind = value.typeId();
    if (kind == QMetaType::QString && isTextType(typeCode)) {
        if (!static_cast<const QString *>(value.constData())->isNull())
            return value;
    } else if (kind == QMetaType::Double && isFloatingType(typeCode)
               && fitsFloatingColumn(*static_cast<const double *>(value.constData()), typeCode)) {
        return value;
    }
    if (isNullValue(value))
        return typedNull(typeCode);
    if (isEmptyValue(value))
        return isTextType(typeCode) ? QVariant(QString(QLatin1String(""))) : typedNull(typeCode);

    if (isTextType(typeCode))
        return textOf(value);
    if (isDateType(typeCode))
        return dateValue(value, dialect, columnName);
    if (typeCode == TypeCodes::Boolean) {
        const bool truth = value.typeId() == QMetaType::Bool ? value.toBool()
                                                             : numberOf(value, columnName) != 0.0;
        return sqlDialect(dialect).booleanValue(truth);
    }
    if (isIntegerType(typeCode))
        return integerValue(value, typeCode, columnName);
    if (typeCode == TypeCodes::Currency) {
        const double number = numberOf(value, columnName);
        if (!std::isfinite(number) || std::fabs(number) > 922337203685477.0)
            outOfRange(value, columnName);
        return number;
    }
    if (isFloatingType(typeCode)) {
        const double number = numberOf(value, columnName);
        if (!fitsFloatingColumn(number, typeCode))
            outOfRange(value, columnName);
        return number;
    }
    // A type the program does not know: the value as it is, in a kind every
    // driver binds, and the database converts it.
    if (value.typeId() == QMetaType::Short || value.typeId() == QMetaType::UShort)
        return QVariant(value.toInt());
    return value;
}

// Called for every value of every row written: the variant's own null flag
// is read where it is, rather than through QVariant::isNull's call.
bool isNullBound(const QVariant &value)
{
    if (value.data_ptr().is_null)
        return true;
    switch (value.typeId()) {
    case QMetaType::QString: return static_cast<const QString *>(value.constData())->isNull();
    case QMetaType::QDateTime: return !static_cast<const QDateTime *>(value.constData())->isValid();
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Bool: return false;
    default: return !value.isValid() || value.isNull();
    }
}

namespace {

template<typename T>
bool sameAs(const QVariant &a, const QVariant &b)
{
    return *static_cast<const T *>(a.constData()) == *static_cast<const T *>(b.constData());
}

} // namespace

bool sameBound(const QVariant &a, const QVariant &b)
{
    if (sameVariant(a, b))
        return true;
    const int kind = a.typeId();
    if (kind != b.typeId())
        return false;
    if (kind == QMetaType::QString)
        return sameAs<QString>(a, b) && isNullBound(a) == isNullBound(b);
    const bool null = isNullBound(a);
    if (null != isNullBound(b))
        return false;
    if (null)
        return true;
    switch (kind) {
    case QMetaType::Double: return std::memcmp(a.constData(), b.constData(), sizeof(double)) == 0;
    case QMetaType::LongLong: return sameAs<qlonglong>(a, b);
    case QMetaType::Int: return sameAs<int>(a, b);
    case QMetaType::Bool: return sameAs<bool>(a, b);
    case QMetaType::QDateTime: {
        const auto *x = static_cast<const QDateTime *>(a.constData());
        const auto *y = static_cast<const QDateTime *>(b.constData());
        return x->date() == y->date() && x->time() == y->time() && x->timeSpec() == y->timeSpec();
    }
    default: return a == b;
    }
}

} // namespace vxr

#include "UndoValues.h"

#include "database/ColumnKinds.h"

#include <QDateTime>

#include <cmath>

namespace vxr {

namespace {

bool isBlank(const QVariant &value)
{
    return value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty());
}

QDateTime dateOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.typeId() == QMetaType::QDate)
        return QDateTime(value.toDate(), QTime(0, 0));
    // Text as journals and SQLite stores keep dates: ISO, with a T or a blank.
    QString text = value.toString().trimmed();
    if (text.size() > 10 && text.at(10) == QLatin1Char(' '))
        text[10] = QLatin1Char('T');
    QDateTime read = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!read.isValid())
        read = QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0));
    return read;
}

} // namespace

bool sameStoredValue(const QVariant &written, const QVariant &stored, int typeCode)
{
    if (isBlank(written) || isBlank(stored))
        return isBlank(written) && isBlank(stored);
    if (isTextType(typeCode))
        return written.toString() == stored.toString();
    if (isDateType(typeCode)) {
        const QDateTime a = dateOf(written);
        const QDateTime b = dateOf(stored);
        return a.isValid() && b.isValid() && std::llabs(a.msecsTo(b)) < 1000;
    }
    bool okA = false;
    bool okB = false;
    const double a = written.typeId() == QMetaType::Bool ? double(written.toBool()) : written.toDouble(&okA);
    const double b = stored.typeId() == QMetaType::Bool ? double(stored.toBool()) : stored.toDouble(&okB);
    if (written.typeId() == QMetaType::Bool)
        okA = true;
    if (stored.typeId() == QMetaType::Bool)
        okB = true;
    if (!okA || !okB)
        return written.toString() == stored.toString();
    return std::fabs(a - b) <= 0.00005 + 1e-12 * std::fabs(a);
}

QVariant restoredValue(const QVariant &journalValue, int typeCode)
{
    if (isDateType(typeCode) && !journalValue.isNull() && journalValue.typeId() == QMetaType::QString) {
        const QDateTime date = dateOf(journalValue);
        if (date.isValid())
            return date;
    }
    return journalValue;
}

QString shownValue(const QVariant &value, int typeCode)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    if (typeCode >= 0 && !isTextType(typeCode) && !isDateType(typeCode)) {
        bool ok = false;
        const double number = value.typeId() == QMetaType::Bool ? double(value.toBool()) : value.toDouble(&ok);
        if (ok || value.typeId() == QMetaType::Bool)
            return QString::number(number, 'g', 15);
    }
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return value.toString();
}

} // namespace vxr

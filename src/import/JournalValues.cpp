#include "JournalValues.h"

#include "database/ColumnValue.h"

#include <QDate>
#include <QDateTime>

#include <cmath>

namespace vxr {

namespace {

constexpr QChar Separator(0x1f);
constexpr QChar Escape(0x1b);

// The separator never appears inside a field: it and the escape are
// escaped (rare in imported text).
void appendEscaped(QString &packed, const QString &text)
{
    if (!text.contains(Separator) && !text.contains(Escape)) {
        packed += text;
        return;
    }
    for (const QChar c : text) {
        if (c == Escape || c == Separator)
            packed += Escape, packed += (c == Escape ? Escape : QLatin1Char('_'));
        else
            packed += c;
    }
}

QString unescaped(QStringView field)
{
    if (!field.contains(Escape))
        return field.toString();
    QString text;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == Escape && i + 1 < field.size())
            text += field.at(++i) == Escape ? Escape : Separator;
        else
            text += field.at(i);
    }
    return text;
}

// Amounts with one or two decimals, the most common numbers an import
// writes, as QVariant writes them (their shortest exact text) without its
// general conversion: below 1e9 two decimals are exact in a double, and with
// a fraction the fixed form is the shorter. False for any other number.
bool appendAmount(QString &packed, double number)
{
    if (!(std::fabs(number) < 1e9))
        return false;
    const long long cents = std::llround(number * 100.0);
    if (cents % 100 == 0 || double(cents) / 100.0 != number)
        return false;
    const unsigned long long magnitude = cents < 0 ? -cents : cents;
    if (cents < 0)
        packed += QLatin1Char('-');
    packed += QString::number(magnitude / 100);
    const unsigned fraction = magnitude % 100;
    packed += QLatin1Char('.');
    packed += QLatin1Char(char('0' + fraction / 10));
    if (fraction % 10 != 0)
        packed += QLatin1Char(char('0' + fraction % 10));
    return true;
}

// A value's text straight into the packed row: text where it is, booleans
// as 1 or 0, dates in ISO form, numbers as their shortest exact text.
void appendValue(QString &packed, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString: appendEscaped(packed, *static_cast<const QString *>(value.constData())); return;
    case QMetaType::Bool: packed += value.toBool() ? QLatin1Char('1') : QLatin1Char('0'); return;
    case QMetaType::Int:
    case QMetaType::LongLong: packed += QString::number(value.toLongLong()); return;
    case QMetaType::Double:
        if (!appendAmount(packed, *static_cast<const double *>(value.constData())))
            appendEscaped(packed, value.toString());
        return;
    case QMetaType::QDateTime: packed += value.toDateTime().toString(Qt::ISODateWithMs); return;
    case QMetaType::QDate: packed += value.toDate().toString(Qt::ISODate); return;
    default: appendEscaped(packed, value.toString());
    }
}

void appendColumnNumber(QString &packed, qsizetype column)
{
    if (column >= 10)
        appendColumnNumber(packed, column / 10);
    packed += QLatin1Char(char('0' + column % 10));
}

} // namespace

QString ValuePacker::pack(const QVariantList &values)
{
    QString packed;
    packed.reserve(m_lastSize);
    for (qsizetype i = 0; i < values.size(); ++i) {
        // Most values of a column are the row before's as bound: known
        // alike without making their text.
        const QVariant &bound = values.at(i);
        if (i < m_before.size() && sameBound(bound, m_before.at(i)))
            continue;
        if (!packed.isEmpty())
            packed += Separator;
        appendColumnNumber(packed, i);
        if (isNullBound(bound)) {
            packed += QLatin1Char('~');
        } else {
            packed += QLatin1Char('=');
            appendValue(packed, bound);
        }
    }
    // The row's list is shared, not copied: the entries hold it.
    m_before = values;
    m_lastSize = packed.size() + 16;
    return packed;
}

QVariantList ValueUnpacker::unpack(const QString &packed)
{
    for (const QStringView field : QStringView(packed).split(Separator, Qt::SkipEmptyParts)) {
        qsizetype mark = 0;
        while (mark < field.size() && field.at(mark).isDigit())
            ++mark;
        const qsizetype column = field.left(mark).toLongLong();
        if (mark == 0 || mark == field.size())
            continue;
        if (m_previous.size() <= column)
            m_previous.resize(column + 1);
        m_previous[column] = field.at(mark) == QLatin1Char('~') ? QVariant() : QVariant(unescaped(field.mid(mark + 1)));
    }
    return m_previous;
}

} // namespace vxr

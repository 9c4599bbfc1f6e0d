#include "JournalValues.h"

#include "database/ColumnValue.h"

#include <QDate>
#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace vxr {

namespace {

bool isPartingCharacter(char16_t c)
{
    return c == EscapeCharacter || c == FieldSeparator || c == RowSeparator || c == ValueSeparator;
}

// What follows the escape for each parting character.
char16_t escapedAs(char16_t c)
{
    switch (c) {
    case FieldSeparator: return u'g';
    case RowSeparator: return u'r';
    case ValueSeparator: return u'_';
    default: return EscapeCharacter;
    }
}

// Amounts with one or two decimals and whole numbers, the most common
// numbers an import writes, as QVariant writes them (the shorter of the
// fixed and the exponent form of their shortest exact text) without its
// general conversion: below 1e9 two decimals are exact in a double, and the
// fixed form is the shorter but for whole numbers ending in zeros (1e+05).
// False for any other number.
bool appendAmount(PackedText &packed, double number)
{
    if (!(std::fabs(number) < 1e9) || (number == 0 && std::signbit(number)))
        return false;
    const long long cents = std::llround(number * 100.0);
    if (double(cents) / 100.0 != number)
        return false;
    const long long magnitude = cents < 0 ? -cents : cents;
    if (magnitude % 100 == 0 && magnitude >= 1000000 && magnitude % 1000 == 0)
        return false;
    if (cents < 0)
        packed += u'-';
    appendNumber(packed, magnitude / 100);
    const int fraction = int(magnitude % 100);
    if (fraction == 0)
        return true;
    packed += u'.';
    packed += char16_t(u'0' + fraction / 10);
    if (fraction % 10 != 0)
        packed += char16_t(u'0' + fraction % 10);
    return true;
}

void appendText(PackedText &packed, const QString &text)
{
    appendEscaped(packed, QStringView(text));
}

// A value's text straight into the packed row: text where it is, booleans
// as 1 or 0, dates in ISO form, numbers as their shortest exact text.
void appendValue(PackedText &packed, const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString: appendText(packed, *static_cast<const QString *>(value.constData())); return;
    case QMetaType::Bool: packed += *static_cast<const bool *>(value.constData()) ? u'1' : u'0'; return;
    case QMetaType::Int: appendNumber(packed, *static_cast<const int *>(value.constData())); return;
    case QMetaType::LongLong: appendNumber(packed, *static_cast<const qlonglong *>(value.constData())); return;
    case QMetaType::Double:
        if (!appendAmount(packed, *static_cast<const double *>(value.constData())))
            appendText(packed, value.toString());
        return;
    case QMetaType::QDateTime: appendText(packed, value.toDateTime().toString(Qt::ISODateWithMs)); return;
    case QMetaType::QDate: appendText(packed, value.toDate().toString(Qt::ISODate)); return;
    default: appendText(packed, value.toString());
    }
}

} // namespace

void appendEscaped(PackedText &packed, QStringView text)
{
    const auto *begin = reinterpret_cast<const char16_t *>(text.utf16());
    const auto *end = begin + text.size();
    if (std::none_of(begin, end, isPartingCharacter)) {
        packed.append(begin, end);
        return;
    }
    for (const char16_t *c = begin; c != end; ++c) {
        if (isPartingCharacter(*c))
            packed += EscapeCharacter, packed += escapedAs(*c);
        else
            packed += *c;
    }
}

QString unescaped(QStringView field)
{
    if (!field.contains(QChar(EscapeCharacter)))
        return field.toString();
    QString text;
    text.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) != QChar(EscapeCharacter) || i + 1 == field.size()) {
            text += field.at(i);
            continue;
        }
        switch (field.at(++i).unicode()) {
        case u'g': text += QChar(FieldSeparator); break;
        case u'r': text += QChar(RowSeparator); break;
        case u'_': text += QChar(ValueSeparator); break;
        default: text += QChar(EscapeCharacter);
        }
    }
    return text;
}

void appendNumber(PackedText &packed, qint64 number)
{
    // Most are a column's number or a row's place in its block.
    if (number >= 0 && number < 100) {
        if (number >= 10)
            packed += char16_t(u'0' + number / 10);
        packed += char16_t(u'0' + number % 10);
        return;
    }
    char16_t digits[21];
    char16_t *const end = std::end(digits);
    char16_t *first = end;
    quint64 magnitude = number < 0 ? 0 - quint64(number) : quint64(number);
    do {
        *--first = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (number < 0)
        *--first = u'-';
    packed.append(first, end);
}

void ValuePacker::pack(const QVariantList &values, PackedText &packed)
{
    bool first = true;
    for (qsizetype i = 0; i < values.size(); ++i) {
        // Most values of a column are the row before's as bound: known
        // alike without making their text.
        const QVariant &bound = values.at(i);
        if (i < m_before.size() && (sameVariant(bound, m_before.at(i)) || sameBound(bound, m_before.at(i))))
            continue;
        if (!std::exchange(first, false))
            packed += ValueSeparator;
        appendNumber(packed, i);
        if (isNullBound(bound)) {
            packed += u'~';
        } else {
            packed += u'=';
            appendValue(packed, bound);
        }
    }
    // The row's list is shared, not copied: the entries hold it.
    m_before = values;
}

QVariantList ValueUnpacker::unpack(QStringView packed)
{
    for (const QStringView field : packed.split(QChar(ValueSeparator), Qt::SkipEmptyParts)) {
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

#include "JournalValues.h"

#include <QDate>
#include <QDateTime>

namespace vxr {

namespace {

constexpr QChar Separator(0x1f);
constexpr QChar Escape(0x1b);

// A value's text as packed; NULL stays a null QVariant.
QVariant valueText(const QVariant &value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QDateTime: return value.toDateTime().toString(Qt::ISODateWithMs);
    case QMetaType::QDate: return value.toDate().toString(Qt::ISODate);
    default: return value.toString();
    }
}

bool sameText(const QVariant &a, const QVariant &b)
{
    return a.isNull() == b.isNull() && (a.isNull() || a.toString() == b.toString());
}

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

} // namespace

QString ValuePacker::pack(const QVariantList &values)
{
    QString packed;
    m_previous.resize(values.size());
    m_previousBound.resize(values.size());
    for (qsizetype i = 0; i < values.size(); ++i) {
        // Most values are the row before's as bound: known alike without
        // making their text.
        const QVariant &bound = values.at(i);
        if (!m_first && bound.typeId() == m_previousBound.at(i).typeId() && bound.isNull() == m_previousBound.at(i).isNull()
            && bound == m_previousBound.at(i))
            continue;
        m_previousBound[i] = bound;
        QVariant text = valueText(bound);
        if (!m_first && sameText(text, m_previous.at(i)))
            continue;
        if (!packed.isEmpty())
            packed += Separator;
        packed += QString::number(i);
        if (text.isNull()) {
            packed += QLatin1Char('~');
        } else {
            packed += QLatin1Char('=');
            appendEscaped(packed, text.toString());
        }
        m_previous[i] = std::move(text);
    }
    m_first = false;
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

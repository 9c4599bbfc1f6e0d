#include "JournalValues.h"

namespace vxr {

namespace {

constexpr QChar Separator(0x1f);
constexpr QChar Escape(0x1b);

QString unescaped(QStringView field)
{
    if (!field.contains(Escape))
        return field.toString();
    QString text;
    text.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == Escape && i + 1 < field.size())
            text += field.at(++i) == Escape ? Escape : Separator;
        else
            text += field.at(i);
    }
    return text;
}

} // namespace

QVariantList ValueUnpacker::unpack(QStringView packed)
{
    for (const QStringView field : packed.split(Separator, Qt::SkipEmptyParts)) {
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

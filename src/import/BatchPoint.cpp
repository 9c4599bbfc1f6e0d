#include "BatchPoint.h"

#include <QStringList>

namespace vxr {

QString packLineNumbers(const QList<qint64> &lines)
{
    QStringList ranges;
    for (qsizetype i = 0; i < lines.size();) {
        qsizetype last = i;
        while (last + 1 < lines.size() && lines.at(last + 1) == lines.at(last) + 1)
            ++last;
        ranges << (last == i ? QString::number(lines.at(i))
                             : QStringLiteral("%1-%2").arg(lines.at(i)).arg(lines.at(last)));
        i = last + 1;
    }
    return ranges.join(u',');
}

std::optional<QList<qint64>> unpackLineNumbers(const QString &text)
{
    QList<qint64> lines;
    if (text.isEmpty())
        return lines;
    for (const QString &range : text.split(u',')) {
        const QStringList ends = range.split(u'-');
        bool firstOk = false;
        bool lastOk = false;
        const qint64 first = ends.first().toLongLong(&firstOk);
        const qint64 last = ends.last().toLongLong(&lastOk);
        if (ends.size() > 2 || !firstOk || !lastOk || last < first || (!lines.isEmpty() && first <= lines.last()))
            return std::nullopt;
        for (qint64 line = first; line <= last; ++line)
            lines.append(line);
    }
    return lines;
}

} // namespace vxr

#include "text/ProfileFileLines.h"

#include "text/TextDecoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace vxr {
namespace ProfileFile {

qsizetype bodyStart(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

QList<Line> splitLines(const QByteArray &bytes)
{
    QList<Line> lines;
    qsizetype start = bodyStart(bytes);
    const qsizetype size = bytes.size();
    while (start < size) {
        Line line;
        line.start = start;
        qsizetype i = start;
        while (i < size && bytes.at(i) != '\n' && bytes.at(i) != '\r')
            ++i;
        line.contentEnd = i;
        if (i < size)
            i += (bytes.at(i) == '\r' && i + 1 < size && bytes.at(i + 1) == '\n') ? 2 : 1;
        line.end = i;
        lines.append(line);
        start = line.end;
    }
    return lines;
}

FileEncoding FileEncoding::of(const QByteArray &bytes)
{
    FileEncoding encoding;
    if (bytes.startsWith("\xFF\xFE"))
        encoding.utf16 = QStringConverter::Utf16LE;
    else if (bytes.startsWith("\xFE\xFF"))
        encoding.utf16 = QStringConverter::Utf16BE;
    return encoding;
}

QByteArray FileEncoding::toWorkingBytes(const QByteArray &bytes) const
{
    if (!utf16)
        return bytes;
    QStringDecoder decoder(*utf16);
    const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
    return text.toUtf8();
}

QByteArray FileEncoding::toFileBytes(const QByteArray &working) const
{
    if (!utf16)
        return working;
    QStringEncoder encoder(*utf16, QStringConverter::Flag::WriteBom);
    return encoder.encode(QString::fromUtf8(working));
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView trimBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

bool isQuoted(QStringView value)
{
    return value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"');
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

Parsed parseLine(const QString &text)
{
    Parsed parsed;
    const QStringView trimmed = trimBlanks(text);
    if (trimmed.startsWith(u'[')) {
        const qsizetype close = trimmed.indexOf(u']');
        if (close > 0) {
            parsed.kind = Parsed::Section;
            parsed.name = trimBlanks(trimmed.mid(1, close - 1)).toString();
        }
        return parsed;
    }
    if (trimmed.startsWith(u';') || trimmed.startsWith(u'#'))
        return parsed;
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return parsed;
    const QStringView key = trimBlanks(QStringView(text).left(equals));
    if (key.isEmpty())
        return parsed;
    parsed.kind = Parsed::Key;
    parsed.name = key.toString();
    qsizetype valueAt = equals + 1;
    while (valueAt < text.size() && isBlank(text.at(valueAt)))
        ++valueAt;
    parsed.valueAt = valueAt;
    QStringView value = trimBlanks(QStringView(text).mid(valueAt));
    if (isQuoted(value))
        value = value.mid(1, value.size() - 2);
    parsed.value = value.toString();
    return parsed;
}

namespace {

QByteArrayView lineBytes(const QByteArray &bytes, const Line &line)
{
    return QByteArrayView(bytes.constData() + line.start, line.contentEnd - line.start);
}

} // namespace

QString lineText(const QByteArray &bytes, const Line &line)
{
    return decodeText(lineBytes(bytes, line));
}

qsizetype bytesOfPrefix(const QByteArray &bytes, const Line &line, const QString &text, qsizetype chars)
{
    if (isValidUtf8(lineBytes(bytes, line)))
        return QStringView(text).left(chars).toUtf8().size();
    return chars; // Windows-1252: one byte per character
}

bool isNotAFile(const QFileInfo &info)
{
    return info.exists() && !info.isFile();
}

} // namespace ProfileFile
} // namespace vxr

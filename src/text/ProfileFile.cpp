#include "text/ProfileFile.h"

#include "text/TextDecoding.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <optional>

namespace vxr {
namespace ProfileFile {

namespace {

// One line of the file as bytes: [start, contentEnd) is the text,
// [contentEnd, end) its terminator (empty on a last line without one).
struct Line
{
    qsizetype start = 0;
    qsizetype contentEnd = 0;
    qsizetype end = 0;
};

// A UTF-8 byte-order mark at the start is not part of the first line.
qsizetype bodyStart(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

// Lines end at LF, at CR LF, or at a CR on its own: files edited on other
// systems, or by several editors, mix them.
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

// A settings file saved as UTF-16 (with its byte-order mark) is worked on as
// UTF-8 and written back as it came.
struct FileEncoding
{
    std::optional<QStringConverter::Encoding> utf16; // none: bytes as they are

    static FileEncoding of(const QByteArray &bytes)
    {
        FileEncoding encoding;
        if (bytes.startsWith("\xFF\xFE"))
            encoding.utf16 = QStringConverter::Utf16LE;
        else if (bytes.startsWith("\xFE\xFF"))
            encoding.utf16 = QStringConverter::Utf16BE;
        return encoding;
    }

    QByteArray toWorkingBytes(const QByteArray &bytes) const
    {
        if (!utf16)
            return bytes;
        QStringDecoder decoder(*utf16);
        const QString text = decoder.decode(QByteArrayView(bytes).sliced(2));
        return text.toUtf8();
    }

    QByteArray toFileBytes(const QByteArray &working) const
    {
        if (!utf16)
            return working;
        QStringEncoder encoder(*utf16, QStringConverter::Flag::WriteBom);
        return encoder.encode(QString::fromUtf8(working));
    }
};

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

// A value wrapped in double quotes, which reading takes off.
bool isQuoted(QStringView value)
{
    return value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"');
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// What one line of the file is, as far as reading and writing care.
struct Parsed
{
    enum Kind { Other, Section, Key } kind = Other;
    QString name;      // section or key name, blanks removed
    QString value;     // value of a key line, blanks and matching quotes removed
    qsizetype valueAt = 0; // characters before the value as written (key line)
};

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

QByteArrayView lineBytes(const QByteArray &bytes, const Line &line)
{
    return QByteArrayView(bytes.constData() + line.start, line.contentEnd - line.start);
}

// Each line is decoded on its own, so a line written as UTF-8 into an older
// Windows-1252 file reads back right, and so do the file's other lines.
QString lineText(const QByteArray &bytes, const Line &line)
{
    return decodeText(lineBytes(bytes, line));
}

// Bytes taken by the first chars characters of the line.
qsizetype bytesOfPrefix(const QByteArray &bytes, const Line &line, const QString &text, qsizetype chars)
{
    if (isValidUtf8(lineBytes(bytes, line)))
        return QStringView(text).left(chars).toUtf8().size();
    return chars; // Windows-1252: one byte per character
}

// At most bufferSize - 1 characters, never half a surrogate pair.
QString fitToBuffer(const QString &text, int bufferSize)
{
    const qsizetype room = qMax(bufferSize - 1, 0);
    if (text.size() <= room)
        return text;
    qsizetype cut = room;
    if (cut > 0 && text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut);
}

// Where a key lives in the file: the first section with the name, and in it
// the first line with the key.
struct Location
{
    qsizetype sectionHeader = -1; // line index of the section's header
    qsizetype sectionEnd = -1;    // line index after the section's last line
    qsizetype keyLine = -1;       // line index of the key, -1 when missing
    Parsed key;
};

Location locate(const QByteArray &bytes, const QList<Line> &lines, const QString &section,
                const QString &key)
{
    Location where;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Parsed parsed = parseLine(lineText(bytes, lines[i]));
        if (parsed.kind == Parsed::Section) {
            if (where.sectionHeader >= 0) {
                where.sectionEnd = i;
                return where;
            }
            if (sameName(parsed.name, section))
                where.sectionHeader = i;
        } else if (parsed.kind == Parsed::Key && where.sectionHeader >= 0 && where.keyLine < 0
                   && sameName(parsed.name, key)) {
            where.keyLine = i;
            where.key = parsed;
        }
    }
    if (where.sectionHeader >= 0)
        where.sectionEnd = lines.size();
    return where;
}

// A value that reading would change (blanks at either end, or wrapped in
// quotes) is written in quotes so that it reads back as it was.
QString valueAsWritten(const QString &value)
{
    const bool blankEnds = !value.isEmpty() && (isBlank(value.front()) || isBlank(value.back()));
    if (blankEnds || isQuoted(value))
        return u'"' + value + u'"';
    return value;
}

bool containsLineBreak(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

// A path that names something other than a file: a folder, or a named pipe,
// whose opening would wait for a writer.
bool isNotAFile(const QFileInfo &info)
{
    return info.exists() && !info.isFile();
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

// Why entry cannot be stored (a name or value that would break the file's
// lines), or an empty text when it can.
QString refusal(const ProfileEntry &entry)
{
    if (trimBlanks(entry.section).isEmpty() || trimBlanks(entry.key).isEmpty())
        return QStringLiteral("A settings entry needs a section and a key name.");
    if (containsLineBreak(entry.section) || entry.section.contains(u']'))
        return QStringLiteral("The section name \"%1\" cannot be stored.").arg(entry.section);
    if (containsLineBreak(entry.key) || entry.key.contains(u'=') || entry.key.trimmed().startsWith(u'['))
        return QStringLiteral("The key name \"%1\" cannot be stored.").arg(entry.key);
    if (containsLineBreak(entry.value))
        return QStringLiteral("The value of \"%1\" contains a line break and cannot be stored.").arg(entry.key);
    return {};
}

// bytes with entry stored: the value replaced where it stands, or the key
// added at the end of its section, or the section added at the end. Every
// other line is copied byte for byte.
QByteArray withEntry(const QByteArray &bytes, const ProfileEntry &entry)
{
    const QList<Line> lines = splitLines(bytes);
    // New lines follow the file's own line ends; a new file gets CRLF.
    QByteArray eol = "\r\n";
    for (const Line &line : lines) {
        if (line.end > line.contentEnd) {
            eol = bytes.mid(line.contentEnd, line.end - line.contentEnd);
            break;
        }
    }
    const QByteArray value = valueAsWritten(entry.value).toUtf8();
    const QByteArray keyLine = entry.key.trimmed().toUtf8() + '=' + value;
    const Location where = locate(bytes, lines, entry.section, entry.key);

    QByteArray out;
    out.reserve(bytes.size() + keyLine.size() + entry.section.size() + 8);
    const qsizetype start = bodyStart(bytes);
    out.append(bytes.constData(), start);
    const auto copyLines = [&](qsizetype from, qsizetype to) {
        if (from < to)
            out.append(bytes.constData() + lines[from].start, lines[to - 1].end - lines[from].start);
    };
    const auto endOpenLine = [&]() {
        if (out.size() > start && !out.endsWith('\n') && !out.endsWith('\r'))
            out.append(eol);
    };

    if (where.keyLine >= 0) {
        const Line &line = lines[where.keyLine];
        copyLines(0, where.keyLine);
        // Keep the key as spelled in the file and the blanks around "=".
        const QString text = lineText(bytes, line);
        out.append(bytes.constData() + line.start, bytesOfPrefix(bytes, line, text, where.key.valueAt));
        out.append(value);
        out.append(bytes.constData() + line.contentEnd, line.end - line.contentEnd);
        copyLines(where.keyLine + 1, lines.size());
    } else if (where.sectionHeader >= 0) {
        // After the section's last non-blank line, before its trailing blank lines.
        qsizetype insertAt = where.sectionEnd;
        while (insertAt > where.sectionHeader + 1
               && trimBlanks(lineText(bytes, lines[insertAt - 1])).isEmpty()) {
            --insertAt;
        }
        copyLines(0, insertAt);
        endOpenLine();
        out.append(keyLine).append(eol);
        copyLines(insertAt, lines.size());
    } else {
        copyLines(0, lines.size());
        endOpenLine();
        out.append('[').append(entry.section.trimmed().toUtf8()).append(']').append(eol);
        out.append(keyLine).append(eol);
    }
    return out;
}

} // namespace

Contents Contents::load(const QString &path)
{
    Contents contents;
    QFile file(path);
    if (isNotAFile(QFileInfo(path)) || !file.open(QIODevice::ReadOnly))
        return contents;
    const QByteArray raw = file.readAll();
    const QByteArray bytes = FileEncoding::of(raw).toWorkingBytes(raw);
    for (const Line &line : splitLines(bytes)) {
        Parsed parsed = parseLine(lineText(bytes, line));
        if (parsed.kind == Parsed::Section)
            contents.m_sections.append({std::move(parsed.name), {}});
        else if (parsed.kind == Parsed::Key && !contents.m_sections.isEmpty())
            contents.m_sections.last().keys.append({std::move(parsed.name), std::move(parsed.value)});
    }
    return contents;
}

std::optional<QString> Contents::find(const QString &section, const QString &key) const
{
    // A later section of the same name is not looked at, as writing changes
    // only the first one.
    const auto inSection = std::find_if(m_sections.cbegin(), m_sections.cend(),
                                        [&](const Section &s) { return sameName(s.name, section); });
    if (inSection != m_sections.cend()) {
        for (const Key &entry : inSection->keys) {
            if (sameName(entry.name, key))
                return entry.value;
        }
    }
    return std::nullopt;
}

bool Contents::hasSection(const QString &section) const
{
    return std::any_of(m_sections.cbegin(), m_sections.cend(),
                       [&](const Section &s) { return sameName(s.name, section); });
}

QString Contents::value(const QString &section, const QString &key, const QString &defaultValue,
                        int bufferSize) const
{
    return fitToBuffer(find(section, key).value_or(defaultValue), bufferSize);
}

QString readString(const QString &path, const QString &section, const QString &key,
                   const QString &defaultValue, int bufferSize)
{
    return Contents::load(path).value(section, key, defaultValue, bufferSize);
}

bool writeString(const QString &path, const QString &section, const QString &key,
                 const QString &value, QString *error)
{
    return writeStrings(path, {{section, key, value}}, error);
}

bool writeStrings(const QString &path, const QList<ProfileEntry> &entries, QString *error)
{
    // Checked before anything is read, so that a refused entry leaves the
    // file as it was, earlier entries of the batch included.
    for (const ProfileEntry &entry : entries) {
        if (const QString why = refusal(entry); !why.isEmpty())
            return fail(error, why);
    }
    if (entries.isEmpty())
        return true;

    QByteArray bytes;
    FileEncoding encoding;
    const QFileInfo info(path);
    if (isNotAFile(info))
        return fail(error, QStringLiteral("Cannot write %1: it is not a file.").arg(path));
    if (info.exists()) {
        // The new file is renamed over the old one, which would get round a
        // file the operator made read-only.
        if (!info.isWritable())
            return fail(error, QStringLiteral("Cannot write %1: the file is read-only.").arg(path));
        QFile existing(path);
        if (!existing.open(QIODevice::ReadOnly))
            return fail(error, QStringLiteral("Cannot read %1: %2").arg(path, existing.errorString()));
        bytes = existing.readAll();
        existing.close();
        encoding = FileEncoding::of(bytes);
        bytes = encoding.toWorkingBytes(bytes);
    }

    for (const ProfileEntry &entry : entries)
        bytes = withEntry(bytes, entry);
    bytes = encoding.toFileBytes(bytes);

    // Written beside the file and renamed over it, so that a failed write
    // leaves the operator's file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return fail(error, QStringLiteral("Cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

} // namespace ProfileFile
} // namespace vxr

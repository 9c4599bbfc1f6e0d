#include "text/ProfileFile.h"

#include "text/ProfileFileLines.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace vxr {
namespace ProfileFile {

namespace {

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

#pragma once

// The line-level reading of a profile file that reading and writing share:
// where its lines are, what each one is, and the encoding it is worked on in.
// Used only by ProfileFile.cpp and ProfileFileWriting.cpp.

#include <QByteArray>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringConverter>

#include <optional>

namespace vxr {
namespace ProfileFile {

// One line of the file as bytes: [start, contentEnd) is the text,
// [contentEnd, end) its terminator (empty on a last line without one).
struct Line
{
    qsizetype start = 0;
    qsizetype contentEnd = 0;
    qsizetype end = 0;
};

// A UTF-8 byte-order mark at the start is not part of the first line.
qsizetype bodyStart(const QByteArray &bytes);

// Lines end at LF, at CR LF, or at a CR on its own: files edited on other
// systems, or by several editors, mix them.
QList<Line> splitLines(const QByteArray &bytes);

// A settings file saved as UTF-16 (with its byte-order mark) is worked on as
// UTF-8 and written back as it came.
struct FileEncoding
{
    std::optional<QStringConverter::Encoding> utf16; // none: bytes as they are

    static FileEncoding of(const QByteArray &bytes);
    QByteArray toWorkingBytes(const QByteArray &bytes) const;
    QByteArray toFileBytes(const QByteArray &working) const;
};

bool isBlank(QChar c);
QStringView trimBlanks(QStringView text);
// A value wrapped in double quotes, which reading takes off.
bool isQuoted(QStringView value);
// Section and key names are compared without regard to case.
bool sameName(QStringView a, QStringView b);

// What one line of the file is, as far as reading and writing care.
struct Parsed
{
    enum Kind { Other, Section, Key } kind = Other;
    QString name;      // section or key name, blanks removed
    QString value;     // value of a key line, blanks and matching quotes removed
    qsizetype valueAt = 0; // characters before the value as written (key line)
};

Parsed parseLine(const QString &text);

// Each line is decoded on its own, so a line written as UTF-8 into an older
// Windows-1252 file reads back right, and so do the file's other lines.
QString lineText(const QByteArray &bytes, const Line &line);

// Bytes taken by the first chars characters of the line.
qsizetype bytesOfPrefix(const QByteArray &bytes, const Line &line, const QString &text, qsizetype chars);

// A path that names something other than a file: a folder, or a named pipe,
// whose opening would wait for a writer.
bool isNotAFile(const QFileInfo &info);

} // namespace ProfileFile
} // namespace vxr

#pragma once

#include "text/TextEncoding.h"

#include <QByteArray>
#include <QString>

class QFile;

namespace vxr {

// How a line ended in the file.
enum class LineEnd : quint8 { None, Cr, Lf, CrLf };

// Cuts an open text file into lines, each with what ended it. Line ends are
// looked for in whole code units of the file's encoding.
//
// A CR ends a line, and so does a CR LF. A line feed that follows no CR (a
// lone LF) ends a line as well, except in a file whose lines end with CRs:
// one whose first 64 KiB (at least up to its first line end) hold a CR and
// no lone LF outside quotation marks. There a lone LF is part of the line,
// a line break kept inside a field.
//
// A ^Z (the old end-of-file mark, 0x1A) that is the last character of the
// file, or alone on its last line, is not read: it is neither text nor a line.
class LineSource
{
public:
    // Both are the reader's, and are set up before start().
    LineSource(QFile &file, const FileDecoding &decoding) : m_file(file), m_decoding(decoding) {}
    LineSource(const LineSource &) = delete;
    LineSource &operator=(const LineSource &) = delete;

    // Settles how the lines of the file just opened end and goes to its first
    // line. False when the file cannot be read.
    bool start();
    // Goes back to the first line, after the byte-order mark.
    void rewind();
    // Forgets the file (it was closed).
    void clear();

    bool atEnd() const { return m_pos >= m_end; }
    // Reads one line; appends its bytes to *line when line is given (counting
    // passes none) and says in *end how it ended. False at the end.
    bool next(QByteArray *line, LineEnd *end);

    bool lineFeedEndsLines() const { return m_lineFeedEndsLines; }
    // True when reading failed (as opposed to reaching the end).
    bool hasReadError() const { return m_readError; }
    QString errorString() const { return m_errorString; }
    // Marks the reading failed, for the reason given; nothing is left to read.
    void fail(const QString &reason);

private:
    bool settleLineEnds();
    qsizetype findLineEnd(const char *data, qsizetype size) const;
    bool ensureAvailable(qsizetype bytes);
    bool fillBuffer();
    void skipEndOfFileMark();
    char16_t unitAt(qsizetype offset) const;

    QFile &m_file;
    const FileDecoding &m_decoding;
    bool m_lineFeedEndsLines = false;

    // Read-ahead window over the file: bytes [m_pos, m_end) are unread. It is
    // refilled as soon as it runs empty, so an empty window means the end.
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_end = 0;
    bool m_readError = false;
    QString m_errorString;
};

} // namespace vxr

#include "text/LineSource.h"

#include <QFile>

#include <cstring>

namespace vxr {

namespace {

constexpr qsizetype ReadChunk = 64 * 1024;
// How much of a file settles whether a lone LF ends its lines.
constexpr qint64 LineEndSample = 64 * 1024;

constexpr char16_t Cr = u'\r';
constexpr char16_t Lf = u'\n';
constexpr char16_t QuotationMark = u'"';
constexpr char16_t EndOfFileMark = 0x1A;

// What the first lines of a file tell about its line ends, unit by unit.
struct LineEndClues
{
    bool cr = false;
    bool loneLf = false; // outside quotation marks
    bool lineEnd = false;
    bool inQuotes = false;
    bool afterCr = false;

    void take(char16_t c)
    {
        if (c == Lf) {
            loneLf = loneLf || (!afterCr && !inQuotes);
            lineEnd = true;
        } else if (c == Cr) {
            cr = lineEnd = true;
            inQuotes = false; // quotes never span lines
        } else if (c == QuotationMark) {
            inQuotes = !inQuotes;
        }
        afterCr = c == Cr;
    }
};

} // namespace

bool LineSource::start()
{
    m_readError = false;
    m_errorString.clear();
    if (!settleLineEnds()) {
        m_errorString = m_file.errorString();
        return false;
    }
    rewind();
    return true;
}

// Reads the first 64 KiB, or on to the first line end when they hold none.
bool LineSource::settleLineEnds()
{
    const int unit = m_decoding.unitSize();
    LineEndClues clues;
    qint64 scanned = 0;
    m_buffer.resize(ReadChunk + unit);
    qsizetype carried = 0; // the start of a code unit the last read cut off
    while (!clues.loneLf && (scanned < LineEndSample || !clues.lineEnd)) {
        const qint64 got = m_file.read(m_buffer.data() + carried, ReadChunk);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        const qsizetype have = carried + got;
        const qsizetype whole = have - have % unit;
        for (qsizetype i = 0; i < whole; i += unit)
            clues.take(m_decoding.unitAt(m_buffer.constData() + i));
        scanned += whole;
        carried = have - whole;
        if (carried > 0)
            std::memmove(m_buffer.data(), m_buffer.constData() + whole, size_t(carried));
    }
    m_lineFeedEndsLines = clues.loneLf || !clues.cr;
    return m_file.seek(0);
}

void LineSource::rewind()
{
    m_pos = 0;
    m_end = 0;
    m_readError = false;
    if (!m_file.seek(0)) {
        fail(m_file.errorString());
        return;
    }
    // The byte-order mark is not part of the first line.
    const QByteArray mark = m_decoding.byteOrderMark();
    if (ensureAvailable(mark.size())
        && std::memcmp(m_buffer.constData() + m_pos, mark.constData(), size_t(mark.size())) == 0)
        m_pos += mark.size();
    skipEndOfFileMark();
}

void LineSource::clear()
{
    m_pos = 0;
    m_end = 0;
    m_readError = false;
}

void LineSource::fail(const QString &reason)
{
    m_readError = true;
    m_errorString = reason;
    m_pos = m_end = 0;
}

char16_t LineSource::unitAt(qsizetype offset) const
{
    return m_decoding.unitAt(m_buffer.constData() + m_pos + offset);
}

// Offset of the first line end in data[0, size) (whole code units); -1 when
// none.
qsizetype LineSource::findLineEnd(const char *data, qsizetype size) const
{
    if (m_decoding.unitSize() == 1) {
        qsizetype searched = size;
        if (m_lineFeedEndsLines) {
            // A CR is looked for only before the LF: each byte is read at
            // most twice however the lines end.
            const auto *lf = static_cast<const char *>(std::memchr(data, Lf, size_t(size)));
            searched = lf ? lf - data : size;
        }
        const auto *cr = static_cast<const char *>(std::memchr(data, Cr, size_t(searched)));
        if (cr)
            return cr - data;
        return searched < size ? searched : -1;
    }
    for (qsizetype i = 0; i + 1 < size; i += 2) {
        const char16_t c = m_decoding.unitAt(data + i);
        if (c == Cr || (c == Lf && m_lineFeedEndsLines))
            return i;
    }
    return -1;
}

// Reads on until at least bytes are unread; false at the end of the file.
bool LineSource::ensureAvailable(qsizetype bytes)
{
    while (m_end - m_pos < bytes) {
        if (!fillBuffer())
            return false;
    }
    return true;
}

// Moves the unread bytes to the front of the window and reads more after
// them. False when nothing more could be read (end of file or failure).
bool LineSource::fillBuffer()
{
    if (!m_file.isOpen() || m_readError)
        return false;
    const qsizetype unread = m_end - m_pos;
    if (unread > 0 && m_pos > 0)
        std::memmove(m_buffer.data(), m_buffer.constData() + m_pos, size_t(unread));
    m_pos = 0;
    m_end = unread;
    if (m_buffer.size() < unread + ReadChunk)
        m_buffer.resize(unread + ReadChunk);
    const qint64 got = m_file.read(m_buffer.data() + unread, ReadChunk);
    if (got < 0) {
        fail(m_file.errorString());
        return false;
    }
    m_end += got;
    return got > 0;
}

// At the start of a line: a ^Z followed by nothing but line ends is the end.
// Also refills an empty window, so that an empty one means the end.
void LineSource::skipEndOfFileMark()
{
    const qsizetype unit = m_decoding.unitSize();
    if (!ensureAvailable(unit) || unitAt(0) != EndOfFileMark)
        return;
    for (qsizetype offset = unit;; offset += unit) {
        if (!ensureAvailable(offset + unit)) {
            if (m_end - m_pos == offset)
                m_pos = m_end;
            return;
        }
        const char16_t c = unitAt(offset);
        if (c != Cr && c != Lf)
            return;
    }
}

bool LineSource::next(QByteArray *line, LineEnd *end)
{
    if (atEnd())
        return false;
    const qsizetype unit = m_decoding.unitSize();
    for (;;) {
        const char *start = m_buffer.constData() + m_pos;
        const qsizetype available = m_end - m_pos;
        const qsizetype whole = available - available % unit;
        const qsizetype length = findLineEnd(start, whole);
        if (length >= 0) {
            if (line)
                line->append(start, length);
            const bool cr = m_decoding.unitAt(start + length) == Cr;
            m_pos += length + unit;
            *end = cr ? LineEnd::Cr : LineEnd::Lf;
            if (cr && ensureAvailable(unit) && unitAt(0) == Lf) {
                m_pos += unit;
                *end = LineEnd::CrLf;
            }
            skipEndOfFileMark();
            return true;
        }
        // Whole units go to the line; a unit the window cuts waits for more.
        if (line)
            line->append(start, whole);
        m_pos += whole;
        if (!fillBuffer()) {
            // The last line has no line end; a stray byte at the very end of
            // a UTF-16 file still belongs to it, a final ^Z does not.
            if (line) {
                line->append(m_buffer.constData() + m_pos, m_end - m_pos);
                if (line->size() % unit == 0 && line->size() >= unit
                    && m_decoding.unitAt(line->constData() + line->size() - unit) == EndOfFileMark)
                    line->chop(unit);
            }
            m_pos = m_end;
            *end = LineEnd::None;
            return true;
        }
    }
}

} // namespace vxr

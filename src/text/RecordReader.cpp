#include "text/RecordReader.h"

#include "catalogue/FieldTable.h"

#include <QFileInfo>

#include <cstring>
#include <limits>

namespace vxr {

namespace {

constexpr qsizetype ReadChunk = 64 * 1024;
constexpr char16_t QuotationMark = 34;
constexpr char16_t Apostrophe = 39;
constexpr char16_t Space = 32;

// Copies text into dst, keeping dst's storage when it is large enough.
void assignText(QString &dst, const char16_t *text, qsizetype length)
{
    dst.resize(length);
    if (length > 0)
        std::memcpy(static_cast<void *>(dst.data()), text, size_t(length) * sizeof(char16_t));
}

} // namespace

RecordReader::RecordReader(const FieldTable &fields)
    : m_fields(fields)
{
}

RecordReader::~RecordReader() = default;

bool RecordReader::OpenTextFile(const QString &path)
{
    CloseTextFile();
    m_errorString.clear();
    // The file is read more than once (counted, then read; the preview reads
    // it again), so it has to be a file we can go back in. Checked before
    // opening: opening a named pipe would wait for a writer.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        m_errorString = QStringLiteral("Not a regular file");
        return false;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_errorString = m_file.errorString();
        return false;
    }
    // The encoding and the file's first bytes settle how it is decoded.
    m_decoding = FileDecoding(Encoding, m_file.peek(4));
    if (!decideLineEnds()) {
        m_errorString = m_file.errorString();
        m_file.close();
        return false;
    }
    startAtFirstLine();
    return true;
}

// Looks for a CR anywhere in the file, stopping at the first one, so that a
// file with CR line ends costs one chunk and only a file without any CR is
// read through once.
bool RecordReader::decideLineEnds()
{
    m_lineFeedEndsLines = true;
    const int unit = m_decoding.unitSize();
    m_buffer.resize(ReadChunk + unit);
    qsizetype carried = 0; // the start of a code unit the last read cut off
    for (;;) {
        const qint64 got = m_file.read(m_buffer.data() + carried, ReadChunk);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        const qsizetype have = carried + got;
        const qsizetype whole = have - have % unit;
        if (findUnit(m_buffer.constData(), whole, u'\r') >= 0) {
            m_lineFeedEndsLines = false;
            break;
        }
        carried = have - whole;
        if (carried > 0)
            std::memmove(m_buffer.data(), m_buffer.constData() + whole, size_t(carried));
    }
    return m_file.seek(0);
}

// Offset of the first whole code unit c in data[0, size); -1 when none.
qsizetype RecordReader::findUnit(const char *data, qsizetype size, char16_t c) const
{
    if (m_decoding.unitSize() == 1) {
        const auto *hit = static_cast<const char *>(std::memchr(data, char(c), size_t(size)));
        return hit ? hit - data : -1;
    }
    for (qsizetype i = 0; i + 1 < size; i += 2) {
        if (m_decoding.unitAt(data + i) == c)
            return i;
    }
    return -1;
}

// Reads on until at least bytes are unread; false at the end of the file.
bool RecordReader::ensureAvailable(qsizetype bytes)
{
    while (m_end - m_pos < bytes) {
        if (!fillBuffer())
            return false;
    }
    return true;
}

void RecordReader::resetReadState()
{
    m_pos = 0;
    m_end = 0;
    m_readError = false;
}

void RecordReader::startAtFirstLine()
{
    resetReadState();
    if (!m_file.seek(0)) {
        failRead();
        return;
    }
    // The byte-order mark is not part of the first line.
    const QByteArray mark = m_decoding.byteOrderMark();
    if (ensureAvailable(mark.size())
        && std::memcmp(m_buffer.constData() + m_pos, mark.constData(), size_t(mark.size())) == 0)
        m_pos += mark.size();
    if (m_pos == m_end)
        fillBuffer();
}

void RecordReader::failRead()
{
    m_readError = true;
    m_errorString = m_file.errorString();
    m_pos = m_end = 0;
}

// Moves the unread bytes to the front of the window and reads more after
// them. False when nothing more could be read (end of file or failure).
bool RecordReader::fillBuffer()
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
        failRead();
        return false;
    }
    m_end += got;
    return got > 0;
}

// Reads one line and its terminator; appends the line's bytes to *line when
// line is given (counting passes none) and says in *end how it ended. False
// at the end of the file.
bool RecordReader::nextLine(QByteArray *line, LineEnd *end)
{
    if (AtEndOfFile())
        return false;
    const qsizetype unit = m_decoding.unitSize();
    const char16_t terminator = m_lineFeedEndsLines ? u'\n' : u'\r';
    *end = m_lineFeedEndsLines ? LineEnd::Lf : LineEnd::Cr;
    for (;;) {
        const char *start = m_buffer.constData() + m_pos;
        const qsizetype available = m_end - m_pos;
        const qsizetype length = findUnit(start, available - available % unit, terminator);
        if (length >= 0) {
            if (line)
                line->append(start, length);
            m_pos += length + unit;
            if (terminator == u'\r' && ensureAvailable(unit)
                && m_decoding.unitAt(m_buffer.constData() + m_pos) == u'\n') {
                m_pos += unit;
                *end = LineEnd::CrLf;
            }
            if (m_pos == m_end)
                fillBuffer();
            return true;
        }
        // Whole units go to the line; a unit the window cuts waits for more.
        const qsizetype whole = available - available % unit;
        if (line)
            line->append(start, whole);
        m_pos += whole;
        if (!fillBuffer()) {
            // The last line has no terminator; a stray byte at the very end
            // of a UTF-16 file still belongs to it.
            if (line)
                line->append(m_buffer.constData() + m_pos, m_end - m_pos);
            m_pos = m_end;
            *end = LineEnd::None;
            return true;
        }
    }
}

qint32 RecordReader::CountRecords()
{
    if (!isOpen())
        return 0;
    RewindTextFile();
    qint64 count = 0;
    LineEnd end;
    while (nextLine(nullptr, &end))
        ++count;
    const bool failed = m_readError;
    const QString failure = m_errorString;
    RewindTextFile();
    if (failed) {
        // Keep the failure visible to the caller after the rewind.
        m_readError = true;
        m_errorString = failure;
    }
    return qint32(qMin<qint64>(count, std::numeric_limits<qint32>::max()));
}

bool RecordReader::AtEndOfFile() const
{
    return !m_file.isOpen() || m_pos >= m_end;
}

void RecordReader::ReadNextRecord()
{
    if (AtEndOfFile())
        return;
    m_rawLine.resize(0);
    nextLine(&m_rawLine, &m_currentLineEnd);
    ClearFieldTexts();
    m_decoding.decodeInto(m_rawLine, m_workLine);
    if (StripApostrophes)
        m_workLine.remove(QChar(Apostrophe));
    ParseRecord(m_workLine);
    // The previous line's buffer comes back to be reused for the next line.
    CurrentLine.swap(m_rawLine);
}

QByteArray RecordReader::currentLineEnd() const
{
    switch (m_currentLineEnd) {
    case LineEnd::Cr:
        return m_decoding.unitBytes(u'\r');
    case LineEnd::Lf:
        return m_decoding.unitBytes(u'\n');
    case LineEnd::CrLf:
        return m_decoding.unitBytes(u'\r') + m_decoding.unitBytes(u'\n');
    case LineEnd::None:
        break;
    }
    return QByteArray();
}

void RecordReader::RewindTextFile()
{
    if (isOpen())
        startAtFirstLine();
}

void RecordReader::CloseTextFile()
{
    if (m_file.isOpen())
        m_file.close();
    resetReadState();
}

bool RecordReader::isOpen() const
{
    return m_file.isOpen();
}

bool RecordReader::hasReadError() const
{
    return m_readError;
}

QString RecordReader::errorString() const
{
    return m_errorString;
}

void RecordReader::ClearFieldTexts()
{
    for (FieldMapEntry &entry : FieldMap) {
        if (!entry.Text.isEmpty())
            entry.Text.resize(0); // keeps the storage for the next line
    }
}

void RecordReader::SetMapping(int position, int fieldId)
{
    if (position < 0 || position > FieldMapLastPosition)
        return;
    FieldMap[position].FieldIndex = m_fields.FindFieldIndex(fieldId);
    FieldMap[position].Text.clear();
}

// Stores the field being built, without leading and trailing spaces, at
// position and moves on. Fields past the last position are not kept; the
// line is flagged instead.
void RecordReader::endField(int &position)
{
    const auto *text = reinterpret_cast<const char16_t *>(m_field.constData());
    qsizetype first = 0;
    qsizetype last = m_field.size();
    while (first < last && text[first] == Space)
        ++first;
    while (last > first && text[last - 1] == Space)
        --last;
    if (position <= FieldMapLastPosition) {
        assignText(FieldMap[position].Text, text + first, last - first);
        ++position;
    } else {
        m_tooManyFields = true;
    }
    m_field.resize(0);
}

void RecordReader::ParseRecord(const QString &line)
{
    m_tooManyFields = false;
    m_field.resize(0);
    bool inQuotes = false;
    bool quoteSeen = false;
    int position = 1;

    const auto *chars = reinterpret_cast<const char16_t *>(line.constData());
    const qsizetype length = line.size();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = chars[i];
        if (c == QuotationMark) {
            if (!QuotesAsDelimiters) {
                m_field.append(QChar(c));
            } else if (!inQuotes) {
                inQuotes = true;
            } else if (!quoteSeen) {
                // Kept for now: it may turn out to be the closing quote.
                quoteSeen = true;
                m_field.append(QChar(c));
            } else {
                // A doubled quotation mark inside quotes stands for one.
                quoteSeen = false;
            }
        } else if (int(c) == DelimiterCode) {
            if (!inQuotes) {
                endField(position);
                quoteSeen = false;
            } else if (!quoteSeen) {
                m_field.append(QChar(c));
            } else {
                // The last kept quotation mark closed the field.
                m_field.chop(1);
                inQuotes = false;
                endField(position);
                quoteSeen = false;
            }
        } else {
            m_field.append(QChar(c));
        }
    }
    // A final quotation mark closes the last field whatever the options; when
    // it opened the field there is nothing to drop and the field is empty.
    if (length > 0 && chars[length - 1] == QuotationMark && !m_field.isEmpty())
        m_field.chop(1);
    endField(position);
}

ReadLine RecordReader::currentLine() const
{
    // Only mapped positions are ever read from a line put back.
    ReadLine line;
    for (int position = 1; position <= FieldMapLastPosition; ++position) {
        if (FieldMap[position].FieldIndex != 0)
            line.texts[position] = FieldMap[position].Text;
    }
    line.tooManyFields = m_tooManyFields;
    line.bytes = CurrentLine;
    line.end = currentLineEnd();
    return line;
}

void RecordReader::restoreLine(const ReadLine &line)
{
    for (int position = 1; position <= FieldMapLastPosition; ++position) {
        if (FieldMap[position].FieldIndex != 0)
            FieldMap[position].Text = line.texts[position];
    }
    m_tooManyFields = line.tooManyFields;
    CurrentLine = line.bytes;
}

} // namespace vxr

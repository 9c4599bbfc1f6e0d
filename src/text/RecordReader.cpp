#include "text/RecordReader.h"

#include "catalogue/FieldTable.h"

#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <limits>

namespace vxr {

namespace {

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
    : m_fields(fields), m_lines(m_file, m_decoding)
{
}

RecordReader::~RecordReader() = default;

bool RecordReader::openTextFile(const QString &path)
{
    closeTextFile();
    m_errorString.clear();
    // The file is read more than once (counted, then read; the preview reads
    // it again), so it has to be a file we can go back in. Checked before
    // opening: opening a named pipe would wait for a writer.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        m_errorString = QStringLiteral("Not a regular file");
        return false;
    }
    if (spreadsheetKind(path) != SpreadsheetKind::None)
        return openSheet(path);
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_errorString = m_file.errorString();
        return false;
    }
    // The encoding and the file's first bytes settle how it is decoded.
    m_decoding = FileDecoding(encoding, m_file.peek(4));
    makeLineEnds();
    if (!m_lines.start()) {
        m_errorString = m_lines.errorString();
        m_file.close();
        return false;
    }
    return true;
}

qint32 RecordReader::countRecords()
{
    if (!isOpen())
        return 0;
    if (m_sheet)
        return qint32(qMin<qsizetype>(m_sheet->rows.size(), std::numeric_limits<qint32>::max()));
    rewindTextFile();
    qint64 count = 0;
    LineEnd end;
    while (m_lines.next(nullptr, &end))
        ++count;
    const bool failed = m_lines.hasReadError();
    const QString failure = m_lines.errorString();
    rewindTextFile();
    if (failed)
        m_lines.fail(failure); // still known to the caller after the rewind
    return qint32(qMin<qint64>(count, std::numeric_limits<qint32>::max()));
}

bool RecordReader::atEndOfFile() const
{
    if (m_sheet)
        return m_sheetRow >= m_sheet->rows.size();
    return !m_file.isOpen() || m_lines.atEnd();
}

void RecordReader::readNextRecord()
{
    if (atEndOfFile())
        return;
    if (m_sheet)
        return readSheetRow();
    clearFieldTexts();
    m_currentLineEnd = readAndDecode(m_rawLine);
    parseRecord(m_workLine);
    // The previous line's buffer comes back to be reused for the next line.
    currentBytes.swap(m_rawLine);
}

// The next line's bytes into bytes, decoded (and without apostrophes when
// asked) into m_workLine; what ended it.
LineEnd RecordReader::readAndDecode(QByteArray &bytes)
{
    bytes.resize(0);
    LineEnd end = LineEnd::None;
    m_lines.next(&bytes, &end);
    m_decoding.decodeInto(bytes, m_workLine);
    if (stripApostrophes)
        m_workLine.remove(QChar(Apostrophe));
    return end;
}

bool &RecordReader::tooManyFieldsFlag()
{
    return m_parsedInto ? m_parsedInto->tooManyFields : m_tooManyFields;
}

void RecordReader::makeLineEnds()
{
    const QByteArray cr = m_decoding.unitBytes(u'\r');
    const QByteArray lf = m_decoding.unitBytes(u'\n');
    m_lineEnds[size_t(LineEnd::None)] = QByteArray();
    m_lineEnds[size_t(LineEnd::Cr)] = cr;
    m_lineEnds[size_t(LineEnd::Lf)] = lf;
    m_lineEnds[size_t(LineEnd::CrLf)] = cr + lf;
}

QByteArray RecordReader::currentLineEnd() const
{
    return m_lineEnds[size_t(m_currentLineEnd)];
}

QByteArray RecordReader::endToWrite(const QByteArray &line, const QByteArray &end) const
{
    if (!end.isEmpty() || m_lines.lineFeedEndsLines())
        return end;
    const int unit = m_decoding.unitSize();
    for (qsizetype i = 0; i + unit <= line.size(); i += unit) {
        if (m_decoding.unitAt(line.constData() + i) == u'\n')
            return m_decoding.unitBytes(u'\r') + m_decoding.unitBytes(u'\n');
    }
    return end;
}

void RecordReader::rewindTextFile()
{
    m_sheetRow = 0;
    if (m_file.isOpen())
        m_lines.rewind();
}

void RecordReader::closeTextFile()
{
    if (m_file.isOpen())
        m_file.close();
    m_lines.clear();
    m_sheet.reset();
}

bool RecordReader::isOpen() const
{
    return m_file.isOpen() || m_sheet.has_value();
}

bool RecordReader::hasReadError() const
{
    return m_lines.hasReadError();
}

QString RecordReader::errorString() const
{
    return m_lines.hasReadError() ? m_lines.errorString() : m_errorString;
}

void RecordReader::clearFieldTexts()
{
    for (FieldMapEntry &entry : fieldMap) {
        if (entry.text.isEmpty())
            continue;
        // A line read ahead shares the text: there is no storage to keep,
        // and emptying it would only make a new one.
        if (entry.text.isDetached())
            entry.text.resize(0); // keeps the storage for the next line
        else
            entry.text = QStringLiteral("");
    }
}

void RecordReader::setMapping(int position, int fieldId)
{
    if (position < 0 || position > FieldMapLastPosition)
        return;
    fieldMap[position].fieldIndex = m_fields.findFieldIndex(fieldId);
    fieldMap[position].text.clear();
    m_mappedPositions.removeOne(position);
    if (fieldMap[position].fieldIndex != 0)
        m_mappedPositions.insert(std::lower_bound(m_mappedPositions.begin(), m_mappedPositions.end(), position),
                                 position);
}

// Stores the field being built at position and moves on.
void RecordReader::endField(int &position)
{
    storeField(position, reinterpret_cast<const char16_t *>(m_field.constData()), m_field.size());
    m_field.resize(0);
}

// Stores a field's text, without leading and trailing spaces, at position
// and moves on. Fields past the last position are not kept; the line is
// flagged instead.
void RecordReader::storeField(int &position, const char16_t *text, qsizetype length)
{
    qsizetype first = 0;
    qsizetype last = length;
    while (first < last && text[first] == Space)
        ++first;
    while (last > first && text[last - 1] == Space)
        --last;
    if (position <= FieldMapLastPosition) {
        if (!m_parsedInto) {
            assignText(fieldMap[position].text, text + first, last - first);
        } else if (m_nextMapped < m_mappedPositions.size() && m_mappedPositions.at(m_nextMapped) == position) {
            m_parsedInto->appendText(position, QStringView(text + first, last - first));
            ++m_nextMapped;
        }
        ++position;
    } else {
        tooManyFieldsFlag() = true;
    }
}

void RecordReader::parseRecord(const QString &line)
{
    tooManyFieldsFlag() = false;
    m_field.resize(0);
    bool inQuotes = false;
    bool quoteSeen = false;
    int position = 1;

    const auto *chars = reinterpret_cast<const char16_t *>(line.constData());
    const qsizetype length = line.size();
    // The characters from runStart on belong to the field and are taken into
    // it together, when something other than a plain character comes. A
    // field without a quotation mark is one run: it is stored from the line
    // as it stands.
    qsizetype runStart = 0;
    qsizetype fieldStart = 0;
    bool fieldQuoted = false;
    const auto takeRun = [&](qsizetype end) { m_field.append(line.constData() + runStart, end - runStart); };
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t c = chars[i];
        if (c == QuotationMark) {
            fieldQuoted = true;
            if (!quotesAsDelimiters)
                continue;
            takeRun(i);
            runStart = i + 1;
            if (!inQuotes) {
                inQuotes = true;
            } else if (!quoteSeen) {
                // Kept for now: it may turn out to be the closing quote.
                quoteSeen = true;
                runStart = i;
            } else {
                // A doubled quotation mark inside quotes stands for one.
                quoteSeen = false;
            }
        } else if (int(c) == delimiterCode) {
            if (inQuotes && !quoteSeen)
                continue;
            if (!fieldQuoted) {
                storeField(position, chars + fieldStart, i - fieldStart);
            } else {
                takeRun(i);
                if (inQuotes) {
                    // The last kept quotation mark closed the field.
                    m_field.chop(1);
                    inQuotes = false;
                }
                endField(position);
            }
            runStart = fieldStart = i + 1;
            fieldQuoted = false;
            quoteSeen = false;
        }
    }
    if (!fieldQuoted) {
        storeField(position, chars + fieldStart, length - fieldStart);
        return;
    }
    takeRun(length);
    // A final quotation mark closes the last field whatever the options; when
    // it opened the field there is nothing to drop and the field is empty.
    if (length > 0 && chars[length - 1] == QuotationMark && !m_field.isEmpty())
        m_field.chop(1);
    endField(position);
}

ReadLine RecordReader::currentLine() const
{
    // Only mapped positions are ever read from a line put back.
    qsizetype size = 0;
    for (const int position : m_mappedPositions)
        size += fieldMap[position].text.size();
    ReadLine line;
    line.texts.reserve(size);
    for (const int position : m_mappedPositions)
        line.appendText(position, fieldMap[position].text);
    line.tooManyFields = m_tooManyFields;
    line.bytes = currentBytes;
    line.end = currentLineEnd();
    line.endKind = m_currentLineEnd;
    return line;
}

ReadLine RecordReader::readNextLine()
{
    if (m_sheet || atEndOfFile()) {
        readNextRecord();
        return currentLine();
    }
    const LineEnd end = readAndDecode(m_aheadBytes);
    ReadLine line;
    // Enough for a line of the usual kind; one with long fields nobody maps
    // does not make every line read ahead as long.
    line.texts.reserve(qMin<qsizetype>(m_workLine.size(), 512));
    m_parsedInto = &line;
    m_nextMapped = 0;
    parseRecord(m_workLine);
    m_parsedInto = nullptr;
    // Copied, so that the buffer stays this reader's for the next line.
    line.bytes = QByteArray(m_aheadBytes.constData(), m_aheadBytes.size());
    line.end = m_lineEnds[size_t(end)];
    line.endKind = end;
    return line;
}

void RecordReader::restoreLine(const ReadLine &line)
{
    for (const int position : m_mappedPositions) {
        const QStringView text = line.text(position);
        assignText(fieldMap[position].text, text.utf16(), text.size());
    }
    m_tooManyFields = line.tooManyFields;
    currentBytes = line.bytes;
    m_currentLineEnd = line.endKind;
}

} // namespace vxr

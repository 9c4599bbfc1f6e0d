#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include "text/LineSource.h"
#include "text/SpreadsheetReader.h"
#include "text/TextEncoding.h"

#include <array>
#include <optional>

namespace vxr {

class FieldTable;

// One text-file field position: which catalogue entry it is mapped to and its
// trimmed text in the line last read.
struct FieldMapEntry
{
    int fieldIndex = 0; // index into Fields; 0 = not mapped
    QString text;
};

constexpr int FieldMapLastPosition = 100; // positions 0..100; 0 is never filled

// What reading a line left behind: the texts of its mapped positions,
// whether it had too many fields, and its bytes with its line end. A run
// reads a batch of lines ahead and puts each back before it is written.
// The texts are kept one after the other in one string, so that a line
// read ahead costs one allocation, not one a field.
struct ReadLine
{
    // The text at position (1..100); empty for a position not kept.
    QStringView text(int position) const
    {
        if (position <= 0 || position > lastSet)
            return {};
        const qint32 start = textEnds[position - 1];
        return QStringView(texts).sliced(start, textEnds[position] - start);
    }
    // Sets the text of position, which must come after every position set
    // before (the positions in between are left empty).
    void appendText(int position, QStringView text)
    {
        const qint32 previous = textEnds[lastSet];
        for (int skipped = lastSet + 1; skipped < position; ++skipped)
            textEnds[skipped] = previous;
        texts.append(text);
        textEnds[position] = qint32(texts.size());
        lastSet = position;
    }

    QString texts;
    std::array<qint32, FieldMapLastPosition + 1> textEnds{}; // where each position's text ends
    int lastSet = 0;
    bool tooManyFields = false;
    QByteArray bytes; // without the line end
    QByteArray end;
    LineEnd endKind = LineEnd::None;
};

// Reads the delimited text file line by line and splits each line into
// fieldMap. Also holds the mapping of positions to catalogue entries, which
// survives from line to line and from file to file.
class RecordReader
{
public:
    explicit RecordReader(const FieldTable &fields);
    ~RecordReader();
    RecordReader(const RecordReader &) = delete;
    RecordReader &operator=(const RecordReader &) = delete;

    // Options of the first panel that govern reading and splitting.
    int delimiterCode = 44;
    bool quotesAsDelimiters = true;
    // Removes every apostrophe from a line before it is split, as imports
    // made before values were bound did; off, names like O'Brien stay whole.
    bool stripApostrophes = false;
    // Takes effect when a file is opened.
    TextEncoding encoding;
    // For a workbook (.xlsx, .ods, told by its content): the sheet to read,
    // empty for the first, and the decimal separator its numbers are given
    // with (that of the regional settings the run reads them with). Each row
    // is a line: its cells fill the positions, its bytes are the row as a
    // UTF-8 CSV line (comma, quotes) ending in CR LF.
    QString sheet;
    QString decimalSeparator = QStringLiteral(".");

    // Mapped through setMapping.
    std::array<FieldMapEntry, FieldMapLastPosition + 1> fieldMap;
    // The positions mapped to an entry, in order.
    const QList<int> &mappedPositions() const { return m_mappedPositions; }

    // The raw bytes of the line last read, apostrophes included, without its
    // line end (for the log and for writing the line back).
    QByteArray currentBytes;
    // The line last read, decoded, as it was split (apostrophes removed
    // when stripApostrophes is on).
    const QString &currentText() const { return m_workLine; }
    // The bytes that ended the line last read, exactly as in the file: "\r\n",
    // "\r" or "\n" (in UTF-16, their two-byte units); empty for a last line
    // without one.
    QByteArray currentLineEnd() const;
    // What to write after a line written back into a file of its own (the
    // reject file): its own end, except after a last line without one that
    // holds a line feed kept as text, which gets a CR LF. Without it, a file
    // holding only that line would have no CR, and its line feed would end
    // a line even inside quotes.
    QByteArray endToWrite(const QByteArray &line, const QByteArray &end) const;
    // The byte-order mark the open file starts with; empty when it has none.
    QByteArray byteOrderMark() const { return m_decoding.byteOrderMark(); }

    // False (with errorString()) when the file cannot be opened. Its lines
    // end as LineSource tells.
    bool openTextFile(const QString &path);
    // Number of lines; reading starts again at the first line afterwards.
    qint32 countRecords();
    bool atEndOfFile() const;
    // Reads and parses one line; does nothing at the end of the file.
    void readNextRecord();
    void rewindTextFile();
    void closeTextFile();
    bool isOpen() const;
    bool isSpreadsheet() const { return m_sheet.has_value(); }
    // What reading the sheet left out (cells past its last kept column);
    // empty when nothing.
    QString sheetWarning() const;

    void parseRecord(const QString &line);
    void clearFieldTexts();
    void setMapping(int position, int fieldId);

    // True when the line last read held more than 100 fields; positions 1..100
    // hold its first 100 and the rest were not kept.
    bool lineHasTooManyFields() const { return m_tooManyFields; }

    // The line last read, as it stands, and putting one back as if it had
    // just been read (fieldMap's mapping is left as it is).
    ReadLine currentLine() const;
    // Reads the next line as currentLine() would give it, its mapped fields
    // parsed straight into it. The line last read (fieldMap's texts, its
    // bytes, end and flag) is left as it was: one thread may read on while
    // another works on a line put back with restoreLine, as long as that
    // one asks nothing of the file meanwhile.
    ReadLine readNextLine();
    void restoreLine(const ReadLine &line);
    // True when reading the file failed (as opposed to reaching its end).
    bool hasReadError() const;
    QString errorString() const;

private:
    void endField(int &position);
    void storeField(int &position, const char16_t *text, qsizetype length);
    LineEnd readAndDecode(QByteArray &bytes);
    // The flag of the line being parsed: the one read ahead, or the reader's.
    bool &tooManyFieldsFlag();
    void makeLineEnds();
    bool openSheet(const QString &path);
    void readSheetRow();

    const FieldTable &m_fields;
    QFile m_file;
    bool m_tooManyFields = false;
    LineEnd m_currentLineEnd = LineEnd::None;
    FileDecoding m_decoding;
    LineSource m_lines;
    QString m_errorString; // why the file could not be opened
    std::optional<SheetRows> m_sheet; // the rows of a workbook's sheet
    qsizetype m_sheetRow = 0;

    // Reused from line to line so that reading does not allocate per line.
    QByteArray m_rawLine;
    QByteArray m_aheadBytes; // readNextLine's
    QString m_workLine;
    QString m_field;
    QList<int> m_mappedPositions;
    // While readNextLine parses: the line its mapped fields go to, and the
    // index in m_mappedPositions of the next one.
    ReadLine *m_parsedInto = nullptr;
    qsizetype m_nextMapped = 0;
    // The line ends of the open file in its encoding, made once.
    std::array<QByteArray, 4> m_lineEnds;
};

} // namespace vxr

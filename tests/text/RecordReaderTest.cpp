#include "text/RecordReader.h"

#include "TestSupport.h"

#include "catalogue/FieldTable.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace vxr;

namespace {

class RecordReaderTest : public ::testing::Test
{
protected:
    // Writes bytes to a file of their own and opens it.
    bool open(const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QString::number(++m_files));
        EXPECT_TRUE(test::writeTestFile(path, bytes));
        const bool opened = reader.openTextFile(path);
        EXPECT_TRUE(opened) << reader.errorString().toStdString();
        return opened;
    }

    // Every line's fields: positions 1 up to the last non-empty one. Read
    // as the line loop reads, every position is mapped, and the fields go
    // straight into the line kept.
    QList<QStringList> readAll(const QByteArray &bytes, bool asTheLoopReads = false)
    {
        QList<QStringList> lines;
        if (!open(bytes))
            return lines;
        for (int i = 1; asTheLoopReads && i <= FieldMapLastPosition; ++i)
            reader.setMapping(i, catalogue.entries.at(i).fieldId);
        while (!reader.atEndOfFile()) {
            ReadLine line;
            if (asTheLoopReads)
                line = reader.readNextLine();
            else
                reader.readNextRecord();
            QStringList texts;
            for (int i = 1; i <= FieldMapLastPosition; ++i)
                texts << (asTheLoopReads ? line.text(i).toString() : reader.fieldMap[i].text);
            m_tooManyFields = asTheLoopReads ? line.tooManyFields : reader.lineHasTooManyFields();
            while (texts.size() > 1 && texts.last().isEmpty())
                texts.removeLast();
            lines << texts;
        }
        reader.closeTextFile();
        return lines;
    }

    QStringList readLine(const QByteArray &line, bool asTheLoopReads = false)
    {
        return readAll(line + "\r\n", asTheLoopReads).value(0);
    }

    QTemporaryDir m_dir;
    bool m_tooManyFields = false;
    int m_files = 0;
    FieldTable catalogue = FieldTable::buildCatalogue();
    RecordReader reader{catalogue};
};

} // namespace

TEST_F(RecordReaderTest, SplitsTheWorkedExamples)
{
    struct Example
    {
        QByteArray line;
        std::optional<bool> quotes; // nullopt: either setting
        QStringList fields;
        int delimiter = 44;
    };
    // Read one after the other, so a line with fewer fields also shows that
    // the previous line's texts were cleared.
    const QList<Example> examples = {
        {"1001, Blue Widget ,12.50", {}, {"1001", "Blue Widget", "12.50"}},
        {"A,,C,", {}, {"A", "", "C"}}, {"", {}, {""}},
        {"\"Smith, John\",42", true, {"Smith, John", "42"}},
        {"\"Smith, John\",42", false, {"\"Smith", "John\"", "42"}},
        {"\"He said \"\"hi\"\"\",x", true, {"He said \"hi\"", "x"}},
        {"7,\"Red\"", true, {"7", "Red"}}, {"\"A\",\"B\"", false, {"\"A\"", "\"B"}},
        {"O'Brien,5", {}, {"O'Brien", "5"}}, {"\"  padded  \",1", true, {"padded", "1"}},
        {"ab\"cd,ef\"gh,ij", true, {"abcd,ef\"g", "ij"}}, {"\"ab\"c,d", true, {"ab\"", "d"}},
        {"a,\"", true, {"a"}}, // a final opening quote leaves an empty last field
        {"\tx\t , y", {}, {"\tx\t", "y"}},
        {"a  b c", {}, {"a", "", "b", "c"}, 32},
        {"a\t b \t\"c\td\"", true, {"a", "b", "c\td"}, 9},
    };
    for (const Example &example : examples) {
        for (const bool quotes : {true, false}) {
            if (example.quotes && *example.quotes != quotes)
                continue;
            reader.quotesAsDelimiters = quotes;
            reader.delimiterCode = example.delimiter;
            for (const bool asTheLoopReads : {false, true}) {
                EXPECT_EQ(readLine(example.line, asTheLoopReads), example.fields)
                        << "line " << example.line.toStdString() << " quotes " << quotes << " " << asTheLoopReads;
                EXPECT_EQ(reader.currentBytes, example.line);
            }
        }
    }
}

TEST_F(RecordReaderTest, KeepsOneHundredFieldsAndFlagsLongerLines)
{
    QByteArrayList parts;
    for (int i = 1; i <= 102; ++i)
        parts << "f" + QByteArray::number(i);
    for (const bool asTheLoopReads : {false, true}) {
        const QStringList hundred = readLine(parts.mid(0, 100).join(','), asTheLoopReads);
        EXPECT_FALSE(m_tooManyFields);
        EXPECT_EQ(hundred.size(), 100);

        EXPECT_EQ(readLine(parts.join(','), asTheLoopReads), hundred);
        EXPECT_TRUE(m_tooManyFields);
        // The flag describes the line last read only.
        readAll(parts.mid(0, 101).join(',') + "\r" + parts.mid(0, 3).join(','), asTheLoopReads);
        EXPECT_FALSE(m_tooManyFields);
    }
}

// A line read ahead keeps only what the mapped positions hold; the line
// last read stays as it was for the writer.
TEST_F(RecordReaderTest, LineReadAheadKeepsTheMappedFieldsOnly)
{
    ASSERT_TRUE(open("a,b,c,d,e\r\n\"x,y\",z,,w\r\n"));
    reader.setMapping(2, catalogue.entries.at(2).fieldId);
    reader.setMapping(4, catalogue.entries.at(4).fieldId);
    reader.fieldMap[2].text = QStringLiteral("restored");
    const QList<QStringList> expected{{"", "b", "", "d", ""}, {"", "z", "", "w", ""}};
    for (const QStringList &fields : expected) {
        const ReadLine line = reader.readNextLine();
        QStringList texts;
        for (int i = 1; i <= 5; ++i)
            texts << line.text(i).toString();
        EXPECT_EQ(texts, fields);
        EXPECT_EQ(line.texts.size(), 2);
    }
    EXPECT_EQ(reader.fieldMap[2].text, QStringLiteral("restored"));
    EXPECT_TRUE(reader.currentBytes.isEmpty());
}

// Each line as "text|end"; the reader's count must agree with the lines read,
// and the lines with their ends give back the file but for a final ^Z.
TEST_F(RecordReaderTest, CutsLinesAndKeepsWhatEndedEach)
{
    const struct { QByteArray bytes; QByteArrayList lines; int dropped = 0; } files[] = {
        {"a\rb\r\nc", {"a|\r", "b|\r\n", "c|"}},
        {"a\r\rb", {"a|\r", "|\r", "b|"}},
        // Lines ending in CRs: a lone LF inside quotes is text.
        {"k,\"x\ny\"\r\n\"\n\"\r", {"k,\"x\ny\"|\r\n", "\"\n\"|\r"}},
        // A lone LF outside quotes (a quote left open ends with its line):
        // LF ends lines too; a CR still does.
        {"k,\"x\ny\"\r\n\"z\r\nw\nv\r\n", {"k,\"x|\n", "y\"|\r\n", "\"z|\r\n", "w|\n", "v|\r\n"}},
        {"a\r\nb\n\nc\r\n", {"a|\r\n", "b|\n", "|\n", "c|\r\n"}}, {"a\nb\r\nc\r", {"a|\n", "b|\r\n", "c|\r"}},
        {"a\nb\rc", {"a|\n", "b|\r", "c|"}},
        {"x\ny\n", {"x|\n", "y|\n"}},
        {"k,\"x\ny\"\n", {"k,\"x|\n", "y\"|\n"}}, // no CR: quotes do not matter
        {"\r\n\r\n", {"|\r\n", "|\r\n"}}, {"\n", {"|\n"}}, {"", {}},
        // A final ^Z, alone on its line or not, is not read; any other is text.
        {"a\r\n\x1A", {"a|\r\n"}, 1}, {"a\r\n\x1A\r\n\n", {"a|\r\n"}, 4}, {"a\x1A", {"a|"}, 1},
        {"\x1A", {}, 1}, {"a\n\x1A\n", {"a|\n"}, 2},
        {"\x1A\r\na\x1A\r\n\x1A" "b", {"\x1A|\r\n", "a\x1A|\r\n", "\x1A" "b|"}},
    };
    for (const auto &file : files) {
        ASSERT_TRUE(open(file.bytes));
        EXPECT_EQ(reader.countRecords(), file.lines.size()) << file.bytes.toStdString();
        QByteArrayList lines;
        QByteArray rebuilt;
        while (!reader.atEndOfFile()) {
            reader.readNextRecord();
            lines << reader.currentBytes + '|' + reader.currentLineEnd();
            rebuilt += reader.currentBytes + reader.currentLineEnd();
        }
        EXPECT_EQ(lines, file.lines) << file.bytes.toStdString();
        EXPECT_EQ(rebuilt, file.bytes.chopped(file.dropped)) << file.bytes.toStdString();
    }
}

// A line written back alone (into the reject file) is read back as one line.
TEST_F(RecordReaderTest, WritesBackLinesThatReadAsOneAlone)
{
    const std::pair<QByteArray, QByteArray> files[] = {
        {"a\r\nk,\"x\ny\"", "k,\"x\ny\"\r\n"}, // the LF would end a line in a file without CRs
        {"a\r\nk,x", "k,x"}, {"a\nk,\"x\"", "k,\"x\""}, {"k,\"x\ny\"\r", "k,\"x\ny\"\r"},
    };
    for (const auto &[bytes, lastWritten] : files) {
        ASSERT_TRUE(open(bytes));
        QByteArrayList alone;
        while (!reader.atEndOfFile()) {
            reader.readNextRecord();
            alone << reader.currentBytes + reader.endToWrite(reader.currentBytes, reader.currentLineEnd());
        }
        EXPECT_EQ(alone.last(), lastWritten);
        for (const QByteArray &line : alone) {
            ASSERT_TRUE(open(line));
            EXPECT_EQ(reader.countRecords(), 1) << line.toStdString();
        }
    }
}

TEST_F(RecordReaderTest, ReadsLinesAcrossReadChunks)
{
    // The LF of a CRLF right at a chunk border, and a line over several chunks.
    const QByteArray border(65535, 'x');
    const QByteArray longLine(200000, 'y');
    EXPECT_EQ(readAll(border + "\r\nb\r\n" + longLine + "\r\nlast"),
              QList<QStringList>({{QString(border)}, {"b"}, {QString(longLine)}, {"last"}}));

    // A lone LF beyond the first 64 KiB of a file of CRLF lines is text.
    const QByteArray crlfLines = QByteArray("x\r\n").repeated(30000);
    EXPECT_EQ(readAll(crlfLines + "\nBX,1\r\n\n\r\n").mid(30000),
              QList<QStringList>({{"\nBX", "1"}, {"\n"}}));
    // A first line longer than 64 KiB: its line end still settles the rule.
    EXPECT_EQ(readAll(longLine + "\r\nk,\"a\nb\"\r\n").last(), QStringList({"k", "a\nb"}));
}

// Each line is UTF-8 when all of it is, else Windows-1252: one character a
// byte, no replacement characters.
TEST_F(RecordReaderTest, DecodesUtf8OrWindows1252PerLine)
{
    const QByteArrayList utf8 = {"\xEF\xBB\xBF" "caf\xC3\xA9", "\xE2\x82\xAC" "5", "\xF0\x9F\x98\x80",
                                 "\xF4\x8F\xBF\xBF", "\xED\x9F\xBF", "12345678\xC3\xA9"};
    // Overlong, surrogate, beyond U+10FFFF, cut short, or one stray byte.
    const QByteArrayList windows1252 = {"caf\xE9", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                                        "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\x80", "\xE2\x82",
                                        "12345678\xE2\x28\xA1", "\xC3\xA9\xE9"};
    const QList<QStringList> lines = readAll(utf8.join("\r\n") + "\r\n" + windows1252.join("\r\n"));
    ASSERT_EQ(lines.size(), utf8.size() + windows1252.size());
    for (qsizetype i = 0; i < utf8.size(); ++i)
        EXPECT_EQ(lines[i].first(), QString::fromUtf8(utf8[i]).remove(u'\uFEFF')) << i;
    for (qsizetype i = 0; i < windows1252.size(); ++i) {
        const QString text = lines[utf8.size() + i].first();
        EXPECT_EQ(text.size(), windows1252[i].size()) << windows1252[i].toHex().toStdString();
        EXPECT_FALSE(text.contains(QChar::ReplacementCharacter)) << windows1252[i].toHex().toStdString();
    }
    // 0x92 is a typographic apostrophe, which is kept; 0x8D has no character.
    const QByteArray last = "O\x92" "Brien,\x80\x8D\x9F\xA0\xFF";
    EXPECT_EQ(readLine(last),
              QStringList({QStringLiteral(u"O\u2019Brien"), QStringLiteral(u"\u20AC\u008D\u0178\u00A0\u00FF")}));
    EXPECT_EQ(reader.currentBytes, last);
}

TEST_F(RecordReaderTest, OpensCountsThenReadsFromTheTop)
{
    EXPECT_FALSE(reader.openTextFile(m_dir.filePath(QStringLiteral("missing.txt"))));
    EXPECT_FALSE(reader.errorString().isEmpty());
    EXPECT_TRUE(reader.atEndOfFile());
    // A named pipe is refused at once instead of waiting for a writer.
    const QString pipe = m_dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_FALSE(reader.openTextFile(pipe));

    // Counted, then read from the top (as every run reads: the import tests);
    // past the end the last line stays in place.
    ASSERT_TRUE(open("a,1\r\nb,2\r\nc,3\r\n"));
    EXPECT_EQ(reader.countRecords(), 3);
    for (int line = 0; line < 4; ++line)
        reader.readNextRecord();
    EXPECT_TRUE(reader.atEndOfFile());
    EXPECT_EQ(reader.fieldMap[2].text, "3");
    EXPECT_EQ(reader.currentBytes, "c,3");
}

TEST_F(RecordReaderTest, MappingsSurviveLinesAndFiles)
{
    const int costIndex = catalogue.findFieldIndex(FieldIds::ItemCost);
    ASSERT_GT(costIndex, 0);
    reader.setMapping(2, FieldIds::ItemCost);
    reader.setMapping(4, 999999);
    EXPECT_EQ(reader.fieldMap[4].fieldIndex, 0);
    readAll("a,b,c\r\nd,e,f");
    EXPECT_EQ(reader.fieldMap[2].fieldIndex, costIndex);

    // Mapping a position empties its text.
    reader.setMapping(2, 0);
    EXPECT_EQ(reader.fieldMap[2].fieldIndex, 0);
    EXPECT_EQ(reader.fieldMap[2].text, "");
    reader.setMapping(101, FieldIds::ItemCost); // outside the table: ignored
}

TEST_F(RecordReaderTest, RemovesApostrophesOnlyWhenAsked)
{
    reader.stripApostrophes = true;
    EXPECT_EQ(readLine("O'Brien,'5'"), QStringList({"OBrien", "5"}));
    EXPECT_EQ(reader.currentBytes, "O'Brien,'5'"); // the raw line keeps them
    reader.stripApostrophes = false;
    EXPECT_EQ(readLine("O'Brien,'5'"), QStringList({"O'Brien", "'5'"}));
}

namespace {

QByteArray encoded(const char *encoding, const QString &text, bool mark = false)
{
    QStringEncoder encoder(encoding, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

} // namespace

TEST_F(RecordReaderTest, ReadsUtf16InWholeUnits)
{
    // U+010D (c with caron) is the bytes 0D 01 in UTF-16LE and U+0A0D is
    // 0D 0A: neither may end a line.
    const QString text = QStringLiteral(u"Dvo\u0159\u00E1k,\u010Dern\u00FD\r\n\u0A0D,O'Neill\rlast,\u20AC5");
    const QList<QStringList> expected = {{QStringLiteral(u"Dvo\u0159\u00E1k"), QStringLiteral(u"\u010Dern\u00FD")},
                                         {QStringLiteral(u"\u0A0D"), "O'Neill"},
                                         {"last", QStringLiteral(u"\u20AC5")}};
    QString lfOnly = text;
    lfOnly.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const struct { const char *name; const char *form; bool mark; const QString &text; } files[] = {
        {"auto", "UTF-16LE", true, text},   {"auto", "UTF-16BE", true, text},
        {"UTF-16", "UTF-16LE", false, text}, {"UTF-16", "UTF-16BE", true, lfOnly},
        {"UTF-16BE", "UTF-16BE", false, text}, {"utf-16le", "UTF-16LE", true, lfOnly},
    };
    for (const auto &file : files) {
        QString error;
        reader.encoding = TextEncoding::fromName(QString::fromLatin1(file.name), &error).value();
        const QByteArray bytes = encoded(file.form, file.text, file.mark);
        EXPECT_EQ(readAll(bytes), expected) << file.name << " " << file.form;
        EXPECT_EQ(reader.currentBytes, encoded(file.form, QStringLiteral(u"last,\u20AC5")));

        // Counted in units, and given back byte for byte with its mark.
        ASSERT_TRUE(open(bytes));
        EXPECT_EQ(reader.countRecords(), 3);
        QByteArray rebuilt = reader.byteOrderMark();
        EXPECT_EQ(rebuilt.size(), file.mark ? 2 : 0);
        while (!reader.atEndOfFile()) {
            reader.readNextRecord();
            rebuilt += reader.currentBytes + reader.currentLineEnd();
        }
        EXPECT_EQ(rebuilt, bytes) << file.name << " " << file.form;
    }

    // A line end right at a read chunk border, and a stray odd last byte.
    reader.encoding = TextEncoding();
    const QString longLine(32767, u'x');
    const QByteArray bordered = encoded("UTF-16LE", longLine + QStringLiteral("\r\ny"), true);
    EXPECT_EQ(readAll(bordered), QList<QStringList>({{longLine}, {"y"}}));
    EXPECT_EQ(readAll(bordered + "z").size(), 2);
    // Quotes, a lone LF and a final ^Z are code units too.
    EXPECT_EQ(readAll(encoded("UTF-16BE", QStringLiteral(u"k,\"a\nb\"\r\n\u001A"), true)),
              QList<QStringList>({{"k", "a\nb"}}));
}

TEST_F(RecordReaderTest, ReadsNamedEncodings)
{
    const QString czech = QStringLiteral(u"N\u011Bmec;\u0160koda \u017Dilina;\u010Cesk\u00E9");
    const QStringList fields = czech.split(u';');
    reader.delimiterCode = 59;
    for (const char *name : {"windows-1250", "ISO-8859-2", "UTF-8", "cp852"}) {
        QString error;
        const auto encoding = TextEncoding::fromName(QString::fromLatin1(name), &error);
        ASSERT_TRUE(encoding) << name << " " << error.toStdString();
        reader.encoding = *encoding;
        EXPECT_EQ(readAll(encoded(name, czech + QStringLiteral("\r\n"))), QList<QStringList>({fields})) << name;
    }
    // Shift_JIS: the second byte of a character may be a backslash.
    reader.encoding = TextEncoding::fromName(QStringLiteral("Shift_JIS"), nullptr).value();
    reader.delimiterCode = 92;
    const QString japanese = QStringLiteral(u"\u8868\\\\\u30BD");
    EXPECT_EQ(readAll(encoded("Shift_JIS", japanese)),
              QList<QStringList>({{QStringLiteral(u"\u8868"), "", QStringLiteral(u"\u30BD")}}));
}

TEST(TextEncodingTest, KnowsNamesAndRefusesWhatCannotBeSplit)
{
    QString error;
    EXPECT_TRUE(TextEncoding::fromName(QString(), &error)->isAutomatic());
    EXPECT_TRUE(TextEncoding::fromName(QStringLiteral(" AUTO "), &error)->isAutomatic());
    EXPECT_EQ(TextEncoding::fromName(QStringLiteral("cp437"), &error)->name(), "cp437");
    EXPECT_TRUE(TextEncoding::fromName(QStringLiteral("UTF-16BE"), &error)->isUtf16());
    const std::pair<const char *, const char *> refused[] = {
        {"klingon-8", "is not known"}, {"windows 1250", "is not known"},
        {"IBM037", "not single ASCII bytes"}, {"UTF-32", "not single ASCII bytes"},
    };
    for (const auto &[name, message] : refused) {
        error.clear();
        EXPECT_FALSE(TextEncoding::fromName(QString::fromLatin1(name), &error)) << name;
        EXPECT_TRUE(error.contains(QLatin1String(message))) << error.toStdString();
    }
    // A delimiter means the same byte only where the encoding keeps ASCII.
    const TextEncoding windows1250 = TextEncoding::fromName(QStringLiteral("windows-1250"), &error).value();
    EXPECT_TRUE(windows1250.keepsAscii(u';'));
    EXPECT_FALSE(windows1250.keepsAscii(u'\u00E9'));
}

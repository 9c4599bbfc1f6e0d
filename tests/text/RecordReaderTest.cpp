#include "text/RecordReader.h"

#include "catalogue/FieldTable.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace vxr;

namespace {

class RecordReaderTest : public ::testing::Test
{
protected:
    QString writeFile(const QByteArray &bytes, const QString &name = QStringLiteral("data.txt"))
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            ADD_FAILURE() << "cannot write " << path.toStdString();
        return path;
    }

    // Opens bytes as a file and reads every line, giving each line's fields.
    QList<QStringList> readAll(const QByteArray &bytes)
    {
        QList<QStringList> lines;
        if (!reader.OpenTextFile(writeFile(bytes))) {
            ADD_FAILURE() << reader.errorString().toStdString();
            return lines;
        }
        while (!reader.AtEndOfFile()) {
            reader.ReadNextRecord();
            lines.append(fields());
        }
        reader.CloseTextFile();
        return lines;
    }

    QStringList readLine(const QByteArray &line) { return readAll(line + "\r\n").value(0); }

    // Texts of positions 1 up to the last non-empty one (at least one).
    QStringList fields() const
    {
        int last = 1;
        for (int i = 1; i <= FieldMapLastPosition; ++i) {
            if (!reader.FieldMap[i].Text.isEmpty())
                last = i;
        }
        QStringList texts;
        for (int i = 1; i <= last; ++i)
            texts << reader.FieldMap[i].Text;
        return texts;
    }

    QTemporaryDir m_dir;
    FieldTable catalogue = FieldTable::buildCatalogue();
    RecordReader reader{catalogue};
};

QByteArray fieldsLine(int count)
{
    QByteArrayList parts;
    for (int i = 1; i <= count; ++i)
        parts << "f" + QByteArray::number(i);
    return parts.join(',');
}

} // namespace

TEST_F(RecordReaderTest, SplitsTheWorkedExamples)
{
    struct Example
    {
        QByteArray line;
        std::optional<bool> quotes; // nullopt: either setting
        QStringList fields;
    };
    const QList<Example> examples = {
        {"1001, Blue Widget ,12.50", {}, {"1001", "Blue Widget", "12.50"}},
        {"A,,C,", {}, {"A", "", "C"}},
        {"", {}, {""}},
        {"\"Smith, John\",42", true, {"Smith, John", "42"}},
        {"\"Smith, John\",42", false, {"\"Smith", "John\"", "42"}},
        {"\"He said \"\"hi\"\"\",x", true, {"He said \"hi\"", "x"}},
        {"7,\"Red\"", true, {"7", "Red"}},
        {"\"A\",\"B\"", false, {"\"A\"", "\"B"}},
        {"O'Brien,5", {}, {"OBrien", "5"}},
        {"\"  padded  \",1", true, {"padded", "1"}},
        // Edge cases of quoting.
        {"ab\"cd,ef\"gh,ij", true, {"abcd,ef\"g", "ij"}},
        {"\"ab\"c,d", true, {"ab\"", "d"}},
        {"a\"b,\"c\",d\"", false, {"a\"b", "\"c\"", "d"}},
        {"a,\"", true, {"a"}}, // a final opening quote leaves an empty last field
        {"a,\"\"", true, {"a"}},
        {"\tx\t , y", {}, {"\tx\t", "y"}},
    };
    for (const Example &example : examples) {
        for (const bool quotes : {true, false}) {
            if (example.quotes && *example.quotes != quotes)
                continue;
            reader.QuotesAsDelimiters = quotes;
            EXPECT_EQ(readLine(example.line), example.fields)
                << "line " << example.line.toStdString() << " quotes " << quotes;
            EXPECT_EQ(reader.CurrentLine, example.line);
        }
    }

    // "A,,C," has an empty fourth field, "a,\"" an empty second one: the
    // positions after the fields are empty as well.
    readLine("A,,C,X");
    readLine("A,,C,");
    EXPECT_EQ(reader.FieldMap[4].Text, "");
}

TEST_F(RecordReaderTest, SplitsOnOtherDelimiters)
{
    reader.DelimiterCode = 32;
    EXPECT_EQ(readLine("a  b c"), QStringList({"a", "", "b", "c"}));
    reader.DelimiterCode = 9;
    EXPECT_EQ(readLine("a\t b \t\"c\td\""), QStringList({"a", "b", "c\td"}));
    reader.DelimiterCode = 59;
    EXPECT_EQ(readLine("1,5;2"), QStringList({"1,5", "2"}));
}

TEST_F(RecordReaderTest, KeepsOneHundredFieldsAndFlagsLongerLines)
{
    readLine(fieldsLine(100));
    EXPECT_FALSE(reader.LineHasTooManyFields());
    EXPECT_EQ(reader.FieldMap[100].Text, "f100");

    const QList<QStringList> lines = readAll(fieldsLine(101) + ",f102\r" + fieldsLine(3));
    ASSERT_EQ(lines.size(), 2);
    // The flag describes the line last read only.
    EXPECT_FALSE(reader.LineHasTooManyFields());

    ASSERT_TRUE(reader.OpenTextFile(writeFile(fieldsLine(102))));
    reader.ReadNextRecord();
    EXPECT_TRUE(reader.LineHasTooManyFields());
    EXPECT_EQ(reader.FieldMap[1].Text, "f1");
    EXPECT_EQ(reader.FieldMap[100].Text, "f100");
    EXPECT_EQ(reader.CurrentLine, fieldsLine(102));
}

TEST_F(RecordReaderTest, EndsLinesAtCarriageReturnsUnlessTheFileHasNone)
{
    const auto firstFields = [this](const QByteArray &bytes) {
        QStringList firsts;
        for (const QStringList &line : readAll(bytes))
            firsts << line.first();
        return firsts;
    };
    // CR and CRLF; a lone LF is part of the line.
    EXPECT_EQ(firstFields("a\rb\r\nc"), QStringList({"a", "b", "c"}));
    EXPECT_EQ(firstFields("\"x\ny\",1\r\nz\r\n"), QStringList({"x\ny", "z"}));
    EXPECT_EQ(firstFields("a\nb\r"), QStringList({"a\nb"}));
    // No CR at all: LF ends lines.
    EXPECT_EQ(firstFields("a\nb\n\nc"), QStringList({"a", "b", "", "c"}));
    // A final terminator does not start another line; empty lines count.
    EXPECT_EQ(firstFields("a\r\n"), QStringList({"a"}));
    EXPECT_EQ(firstFields("\r\n\r\n"), QStringList({"", ""}));
    EXPECT_EQ(firstFields("a\r\rb"), QStringList({"a", "", "b"}));
    EXPECT_EQ(firstFields("a\n"), QStringList({"a"}));
    EXPECT_EQ(firstFields("\n"), QStringList({""}));
    EXPECT_TRUE(readAll("").isEmpty());
}

TEST_F(RecordReaderTest, ReadsLinesAcrossReadChunks)
{
    // Line ends and the LF of a CRLF falling right at chunk borders, and a
    // CR that only appears far into the file.
    const QByteArray longText(65535, 'x');
    const QList<QStringList> crlf = readAll(longText + "\r\nb\r\n" + QByteArray(200000, 'y') + "\r\nlast");
    ASSERT_EQ(crlf.size(), 4);
    EXPECT_EQ(crlf[0].first(), QString(longText));
    EXPECT_EQ(crlf[1].first(), "b");
    EXPECT_EQ(crlf[2].first().size(), 200000);
    EXPECT_EQ(crlf[3].first(), "last");

    QByteArray lateCr;
    for (int i = 0; i < 20000; ++i)
        lateCr += "line\n";
    lateCr += "\rend";
    const QList<QStringList> late = readAll(lateCr);
    ASSERT_EQ(late.size(), 2);
    EXPECT_EQ(late[0].first().count(u'\n'), 20000);
    EXPECT_EQ(late[1].first(), "end");
}

TEST_F(RecordReaderTest, DecodesUtf8OrWindows1252PerLine)
{
    const QList<QStringList> lines = readAll("\xEF\xBB\xBF" "Caf\xC3\xA9,\xE2\x82\xAC" "5\r\n"
                                             "O\x92" "Brien,caf\xE9,\x80\x81\r\n"
                                             "\xEF\xBB\xBFx\r\n");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], QStringList({QStringLiteral(u"Caf\u00E9"), QStringLiteral(u"\u20AC5")}));
    // Windows-1252: 0x92 is a typographic apostrophe, which is kept.
    EXPECT_EQ(lines[1], QStringList({QStringLiteral(u"O\u2019Brien"), QStringLiteral(u"caf\u00E9"),
                                     QStringLiteral(u"\u20AC\u0081")}));
    EXPECT_EQ(reader.CurrentLine, QByteArray("\xEF\xBB\xBFx"));

    readAll("O\x92" "Brien,x");
    EXPECT_EQ(reader.CurrentLine, QByteArray("O\x92" "Brien,x"));
}

TEST_F(RecordReaderTest, CountsThenReadsFromTheTop)
{
    ASSERT_TRUE(reader.OpenTextFile(writeFile("a,1\r\nb,2\r\nc,3\r\n")));
    EXPECT_EQ(reader.CountRecords(), 3);
    EXPECT_EQ(reader.CountRecords(), 3);
    reader.ReadNextRecord();
    EXPECT_EQ(reader.FieldMap[1].Text, "a");
    reader.ReadNextRecord();
    reader.ReadNextRecord();
    EXPECT_TRUE(reader.AtEndOfFile());

    // Nothing is left: the last line stays in place.
    reader.ReadNextRecord();
    EXPECT_EQ(reader.FieldMap[1].Text, "c");
    EXPECT_EQ(reader.FieldMap[2].Text, "3");
    EXPECT_EQ(reader.CurrentLine, "c,3");

    reader.RewindTextFile();
    reader.ReadNextRecord();
    EXPECT_EQ(reader.CurrentLine, "a,1");
    EXPECT_FALSE(reader.hasReadError());
    reader.CloseTextFile();
    EXPECT_FALSE(reader.isOpen());
    EXPECT_TRUE(reader.AtEndOfFile());

    ASSERT_TRUE(reader.OpenTextFile(writeFile("\xEF\xBB\xBF", QStringLiteral("bom.txt"))));
    EXPECT_EQ(reader.CountRecords(), 0);
    ASSERT_TRUE(reader.OpenTextFile(writeFile("one\ntwo", QStringLiteral("lf.txt"))));
    EXPECT_EQ(reader.CountRecords(), 2);
}

TEST_F(RecordReaderTest, ReportsFilesThatCannotBeOpened)
{
    EXPECT_FALSE(reader.OpenTextFile(m_dir.filePath(QStringLiteral("missing.txt"))));
    EXPECT_FALSE(reader.errorString().isEmpty());
    EXPECT_FALSE(reader.isOpen());
    EXPECT_TRUE(reader.AtEndOfFile());
    EXPECT_FALSE(reader.OpenTextFile(m_dir.path()));
}

TEST_F(RecordReaderTest, MappingsSurviveLinesAndFiles)
{
    const int costIndex = catalogue.FindFieldIndex(FieldIds::ItemCost);
    ASSERT_GT(costIndex, 0);
    reader.SetMapping(2, FieldIds::ItemCost);
    reader.SetMapping(3, 0);
    reader.SetMapping(4, 999999);
    EXPECT_EQ(reader.FieldMap[2].FieldIndex, costIndex);
    EXPECT_EQ(reader.FieldMap[3].FieldIndex, 0);
    EXPECT_EQ(reader.FieldMap[4].FieldIndex, 0);

    readAll("a,b,c\r\nd,e,f");
    readAll("g,h");
    EXPECT_EQ(reader.FieldMap[2].FieldIndex, costIndex);
    EXPECT_EQ(reader.FieldMap[2].Text, "h");

    // Mapping a position empties its text; unmapping keeps nothing mapped.
    reader.SetMapping(2, 0);
    EXPECT_EQ(reader.FieldMap[2].FieldIndex, 0);
    EXPECT_EQ(reader.FieldMap[2].Text, "");
    reader.SetMapping(101, FieldIds::ItemCost); // outside the table: ignored
}

#include "text/ProfileFile.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace vxr;
using ProfileFile::ProfileEntry;

namespace {

class ProfileFileTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("settings.imp")); }

    void put(const QByteArray &bytes) { ASSERT_TRUE(test::writeTestFile(path(), bytes)); }
    QByteArray contents() const { return test::readTestFile(path()); }

    QString read(const QString &section, const QString &key, int bufferSize = 155, const QString &fallback = {})
    {
        return ProfileFile::readString(path(), section, key, fallback, bufferSize);
    }

    bool write(const QString &section, const QString &key, const QString &value)
    {
        return ProfileFile::writeString(path(), section, key, value);
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ProfileFileTest, ReplacesValuesInPlaceAndKeepsEverythingElse)
{
    const QByteArray original = "; written by hand\n[settings]\n  quoteDELIMITER = No   \nOther=1\n\n"
                                "[FieldMappings]\nField1=Cost\n\n\n[Extra]\nx=y";
    const QList<ProfileEntry> entries = {{"Settings", "QuoteDelimiter", "Yes"}, {"FieldMappings", "Field2", "Price"},
                                         {"Extra", "z", "1"}, {"New", "k", "v"}, {"new", "j", "w"},
                                         {"New", "K", "u"}};
    const QByteArray expected = "; written by hand\n[settings]\n  quoteDELIMITER = Yes\nOther=1\n\n"
                                "[FieldMappings]\nField1=Cost\nField2=Price\n\n\n[Extra]\nx=y\nz=1\n"
                                "[New]\nk=u\nj=w\n";
    // New lines follow the file's LF line ends. A batch gives what writing its
    // entries one by one gives.
    put(original);
    ASSERT_TRUE(ProfileFile::writeStrings(path(), entries));
    EXPECT_EQ(contents(), expected);
    put(original);
    for (const ProfileEntry &entry : entries)
        ASSERT_TRUE(ProfileFile::writeString(path(), entry.section, entry.key, entry.value));
    EXPECT_EQ(contents(), expected);
}

TEST_F(ProfileFileTest, ReadsNamesWithoutRegardToCaseAndBlanks)
{
    put("\xEF\xBB\xBF[ Settings ]\r\n\tFileName\t=  \"  C:\\data\\items.txt  \"  \r\nQuote=\"half\r\n"
        "Dup=first\r\nDup=second\r\n; Hidden=1\r\n[Other]\r\nMissing=elsewhere\r\n[Latin]\r\nName=caf\xE9\r\n"
        "[settings]\r\nLater=1\r\n");
    EXPECT_EQ(read("SETTINGS", "filename"), "  C:\\data\\items.txt  ");
    EXPECT_EQ(read("Settings", "Quote"), "\"half");
    EXPECT_EQ(read("Settings", "Dup"), "first");
    EXPECT_EQ(read("Settings", "Hidden", 155, "d"), "d");
    EXPECT_EQ(read("Settings", "Missing", 155, "d"), "d");
    EXPECT_EQ(read("Settings", "Later", 155, "d"), "d"); // only the first section of a name counts
    EXPECT_EQ(read("Latin", "Name"), QStringLiteral(u"caf\u00E9"));

    // The byte-order mark and the Windows-1252 line survive a write. Contents
    // loaded before it answer from the file as it was.
    const ProfileFile::Contents before = ProfileFile::Contents::load(path());
    ASSERT_TRUE(write("Settings", "Dup", "third"));
    EXPECT_EQ(before.value("settings", "DUP", {}, 155), "first");
    EXPECT_TRUE(contents().startsWith("\xEF\xBB\xBF[ Settings ]\r\n"));
    EXPECT_EQ(read("Settings", "Dup"), "third");
    EXPECT_EQ(read("Latin", "Name"), QStringLiteral(u"caf\u00E9"));
}

TEST_F(ProfileFileTest, WritesNewFilesAndReadsValuesBackCutToTheBuffer)
{
    const QString longName(200, u'n');
    const QString euro = QStringLiteral(u"Caf\u00E9 \u20AC");
    ASSERT_TRUE(ProfileFile::writeStrings(path(), {{"S", "Empty", ""}, {"S", "Padded", "  padded  "},
                                                   {"S", "Quoted", "\"quoted\""}, {"S", "Euro", euro},
                                                   {"S", "List", "a=b;c"}, {"S", "Long", longName},
                                                   {"S", "Emoji", QStringLiteral(u"a\U0001F600")}}));
    // A new file has CRLF line ends.
    EXPECT_TRUE(contents().startsWith("[S]\r\nEmpty=\r\nPadded=\"  padded  \"\r\nQuoted=\"\"quoted\"\"\r\n"));
    // Values that reading would trim or unquote come back unchanged. At most
    // bufferSize - 1 characters are read, never half a character outside the
    // basic plane.
    const struct { const char *key; int bufferSize; QString expected; } cases[] = {
        {"Empty", 155, ""}, {"Padded", 155, "  padded  "}, {"Quoted", 155, "\"quoted\""}, {"Euro", 155, euro},
        {"List", 155, "a=b;c"}, {"Long", 155, longName.left(154)}, {"Long", 4, "nnn"}, {"Long", 1, ""},
        {"Long", 0, ""}, {"Nothing", 3, "de"}, {"Emoji", 3, "a"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(read("S", c.key, c.bufferSize, "default"), c.expected) << c.key << " " << c.bufferSize;
}

TEST_F(ProfileFileTest, MissingFilesReadAsDefaultsAndFailedWritesSayWhy)
{
    EXPECT_EQ(read("Settings", "FileName", 155, "x"), "x");

    QString error;
    EXPECT_FALSE(ProfileFile::writeString(m_dir.filePath("no/such/folder/a.imp"), "S", "k", "v", &error));
    EXPECT_FALSE(error.isEmpty());
    // A named pipe is neither read nor written instead of waiting for a writer.
    const QString pipe = m_dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(ProfileFile::readString(pipe, "S", "k", "x", 155), "x");
    EXPECT_FALSE(ProfileFile::writeString(pipe, "S", "k", "v"));

    // A value with a line break would turn into other keys: refused, and a
    // batch holding it writes none of its entries.
    put("[S]\r\nk=1\r\n");
    error.clear();
    EXPECT_FALSE(ProfileFile::writeStrings(path(), {{"S", "k", "2"}, {"S", "j", "1\r\n[S]\r\nInjected=1"}}, &error));
    EXPECT_TRUE(error.contains("\"j\"")) << error.toStdString();
    EXPECT_FALSE(write("S", "a=b", "1"));
    EXPECT_FALSE(write("S", "", "1"));
    EXPECT_FALSE(write("", "k", "1"));
    EXPECT_EQ(contents(), "[S]\r\nk=1\r\n");
}

TEST_F(ProfileFileTest, ReadsAndWritesEveryLineEndAndUtf16)
{
    const auto utf16 = [](QStringConverter::Encoding encoding, const QString &text) {
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        return QByteArray(encoder.encode(text));
    };
    const QString text = QStringLiteral(u"[S]\r\nA=1\r\nName=caf\u00E9\r\n[T]\r\nB=2\r\n");
    QString crOnly = text;
    crOnly.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    const QByteArray files[] = {
        text.toUtf8(),
        crOnly.toUtf8(),
        QByteArray("[S]\nA=1\rName=caf\xC3\xA9\r\n[T]\rB=2"), // mixed, no final line end
        utf16(QStringConverter::Utf16LE, text),
        utf16(QStringConverter::Utf16BE, crOnly),
    };
    for (const QByteArray &bytes : files) {
        put(bytes);
        const std::string shown = bytes.toHex().toStdString();
        EXPECT_EQ(read("S", "A"), "1") << shown;
        EXPECT_EQ(read("S", "Name"), QStringLiteral(u"caf\u00E9")) << shown;
        EXPECT_EQ(read("T", "B"), "2") << shown;
        // A write keeps the file's form: its encoding and its other lines.
        ASSERT_TRUE(ProfileFile::writeStrings(path(), {{"S", "A", "3"}, {"T", "C", "4"}})) << shown;
        EXPECT_EQ(read("S", "A"), "3") << shown;
        EXPECT_EQ(read("T", "B"), "2") << shown;
        EXPECT_EQ(read("T", "C"), "4") << shown;
        EXPECT_EQ(read("S", "Name"), QStringLiteral(u"caf\u00E9")) << shown;
        EXPECT_EQ(contents().left(2), bytes.left(2)) << shown;
    }
    // The new key follows the CR-only file's own line ends.
    put(crOnly.toUtf8());
    ASSERT_TRUE(write("T", "C", "4"));
    EXPECT_EQ(contents(), (crOnly + QStringLiteral("C=4\r")).toUtf8());
}

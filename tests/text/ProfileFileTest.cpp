#include "text/ProfileFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace vxr;

namespace {

class ProfileFileTest : public ::testing::Test
{
protected:
    QString path(const QString &name = QStringLiteral("settings.imp")) const { return m_dir.filePath(name); }

    void put(const QByteArray &bytes)
    {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QByteArray contents() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    QString read(const char *section, const char *key, int bufferSize = 155,
                 const char *defaultValue = "")
    {
        return ProfileFile::readString(path(), QString::fromUtf8(section), QString::fromUtf8(key),
                                       QString::fromUtf8(defaultValue), bufferSize);
    }

    bool write(const char *section, const char *key, const QString &value, QString *error = nullptr)
    {
        return ProfileFile::writeString(path(), QString::fromUtf8(section), QString::fromUtf8(key), value,
                                        error);
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ProfileFileTest, CreatesTheFileWithCrlfAndReadsItBack)
{
    ASSERT_TRUE(write("Settings", "QuoteDelimiter", "Yes"));
    ASSERT_TRUE(write("Settings", "FileName", "/data/items.csv"));
    ASSERT_TRUE(write("FieldMappings", "Field1", ""));
    ASSERT_TRUE(write("FieldMappings", "Field_ID1", "116"));
    EXPECT_EQ(contents(), "[Settings]\r\nQuoteDelimiter=Yes\r\nFileName=/data/items.csv\r\n"
                          "[FieldMappings]\r\nField1=\r\nField_ID1=116\r\n");
    EXPECT_EQ(read("Settings", "FileName"), "/data/items.csv");
    EXPECT_EQ(read("FieldMappings", "Field_ID1"), "116");
    EXPECT_EQ(read("FieldMappings", "Field1", 155, "default"), "");

    // Values that reading would trim or unquote come back unchanged.
    const QList<QString> awkward = {"  padded  ", "\"quoted\"", QStringLiteral(u"Caf\u00E9 \u20AC"), "a=b;c"};
    for (const QString &value : awkward) {
        ASSERT_TRUE(write("Settings", "Odd", value));
        EXPECT_EQ(read("Settings", "Odd"), value);
    }
}

TEST_F(ProfileFileTest, ReplacesValuesInPlaceAndKeepsEverythingElse)
{
    const QByteArray original = "; written by hand\n"
                                "[settings]\n"
                                "  quoteDELIMITER = No   \n"
                                "Other=1\n"
                                "\n"
                                "[FieldMappings]\n"
                                "Field1=Cost\n"
                                "\n"
                                "\n"
                                "[Extra]\n"
                                "x=y";
    put(original);
    ASSERT_TRUE(write("Settings", "QuoteDelimiter", "Yes"));
    ASSERT_TRUE(write("FieldMappings", "Field2", "Price"));
    ASSERT_TRUE(write("Extra", "z", "1"));
    ASSERT_TRUE(write("New", "k", "v"));
    EXPECT_EQ(contents(), "; written by hand\n"
                          "[settings]\n"
                          "  quoteDELIMITER = Yes\n"
                          "Other=1\n"
                          "\n"
                          "[FieldMappings]\n"
                          "Field1=Cost\n"
                          "Field2=Price\n"
                          "\n"
                          "\n"
                          "[Extra]\n"
                          "x=y\n"
                          "z=1\n"
                          "[New]\n"
                          "k=v\n");

    // Writing back what is there changes nothing else; CRLF files stay CRLF.
    put("[A]\r\nk=1\r\n[B]\r\nk=2\r\n");
    ASSERT_TRUE(write("b", "K", "3"));
    ASSERT_TRUE(write("A", "n", "4"));
    EXPECT_EQ(contents(), "[A]\r\nk=1\r\nn=4\r\n[B]\r\nk=3\r\n");
}

TEST_F(ProfileFileTest, ReadsNamesWithoutRegardToCaseAndBlanks)
{
    put("\xEF\xBB\xBF[ Settings ]\r\n"
        "\tFileName\t=  \"  C:\\data\\items.txt  \"  \r\n"
        "Empty=\r\n"
        "Quote=\"half\r\n"
        "Dup=first\r\n"
        "Dup=second\r\n"
        "; Hidden=1\r\n"
        "[Other]\r\n"
        "Missing=elsewhere\r\n"
        "[Latin]\r\n"
        "Name=caf\xE9\r\n");
    EXPECT_EQ(read("SETTINGS", "filename"), "  C:\\data\\items.txt  ");
    EXPECT_EQ(read("settings", "Empty", 155, "d"), "");
    EXPECT_EQ(read("Settings", "Quote"), "\"half");
    EXPECT_EQ(read("Settings", "Dup"), "first");
    EXPECT_EQ(read("Settings", "Hidden", 155, "d"), "d");
    EXPECT_EQ(read("Settings", "Missing", 155, "d"), "d");
    EXPECT_EQ(read("Latin", "Name"), QStringLiteral(u"caf\u00E9"));

    // A BOM file keeps its mark when written.
    ASSERT_TRUE(write("Settings", "Dup", "third"));
    EXPECT_TRUE(contents().startsWith("\xEF\xBB\xBF[ Settings ]\r\n"));
    EXPECT_EQ(read("Settings", "Dup"), "third");
    EXPECT_EQ(read("Latin", "Name"), QStringLiteral(u"caf\u00E9"));
}

TEST_F(ProfileFileTest, CutsValuesToTheBuffer)
{
    const QString longName(200, u'n');
    ASSERT_TRUE(write("Settings", "FileName", longName));
    EXPECT_EQ(read("Settings", "FileName"), longName.left(154));
    EXPECT_EQ(read("Settings", "FileName", 4), "nnn");
    EXPECT_EQ(read("Settings", "FileName", 1), "");
    EXPECT_EQ(read("Settings", "FileName", 0), "");
    EXPECT_EQ(read("Settings", "Nothing", 3, "default"), "de");
    // Never half a character outside the basic plane.
    ASSERT_TRUE(write("Settings", "Emoji", QStringLiteral(u"a\U0001F600")));
    EXPECT_EQ(read("Settings", "Emoji", 3), "a");
}

TEST_F(ProfileFileTest, MissingFilesReadAsDefaultsAndFailedWritesSayWhy)
{
    EXPECT_EQ(ProfileFile::readString(path("none.imp"), "Settings", "FileName", "x", 155), "x");

    QString error;
    EXPECT_FALSE(ProfileFile::writeString(m_dir.filePath("no/such/folder/a.imp"), "S", "k", "v", &error));
    EXPECT_FALSE(error.isEmpty());

    // A value with a line break would turn into other keys: refused, file untouched.
    put("[S]\r\nk=1\r\n");
    error.clear();
    EXPECT_FALSE(write("S", "k", "1\r\n[S]\r\nInjected=1", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(write("S", "a=b", "1"));
    EXPECT_FALSE(write("S", "", "1"));
    EXPECT_FALSE(write("", "k", "1"));
    EXPECT_EQ(contents(), "[S]\r\nk=1\r\n");
}

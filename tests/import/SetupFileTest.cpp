#include "TestStores.h"
#include "TestSupport.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "import/ImportSetup.h"
#include "import/SetupFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

using namespace vxr;
using namespace vxr::test;

namespace {

class SetupFileTest : public ::testing::Test
{
protected:
    QString path(const char *name = "session.imp") const { return m_dir.filePath(QLatin1String(name)); }

    // Reads the file; the error is empty when it was read.
    QString read(ImportSetup *setup, const QString &file)
    {
        QString error;
        if (!readSetupFile(file, testCatalogue(), setup, &error)) {
            EXPECT_FALSE(error.isEmpty());
        }
        return error;
    }

    QTemporaryDir m_dir;
};

ImportSetup customerSetup()
{
    ImportSetup setup;
    setup.tableId = CustomerTable;
    setup.delimiterCode = 59;
    setup.fieldIds[1] = 201;  // Account Number
    setup.fieldIds[3] = 206;  // Account Balance
    return setup;
}

} // namespace

TEST_F(SetupFileTest, NewFileHoldsEveryKeyInItsFixedOrderWithoutThePassword)
{
    ImportSetup setup = customerSetup();
    setup.skipFirstLine = true;
    setup.duplicatesAsErrors = false;
    setup.textFile = m_dir.filePath(QStringLiteral("exports/customers.txt")); // below the settings file
    setup.connectionString = QStringLiteral("Provider=SQLOLEDB.1;User ID=sa;Password=se;cret;Initial Catalog=Store");
    setup.encoding = TextEncoding::fromName(QStringLiteral("windows-1250"), nullptr).value();
    ASSERT_TRUE(writeSetupFile(path(), setup, testCatalogue(), nullptr));

    QByteArray expected =
        "[Settings]\r\nSkipFirstLine=Yes\r\nQuoteDelimiter=Yes\r\nDuplicate=No\r\nFirstLineHeader=No\r\n"
        "FieldDelimiter=2\r\nFieldDelimiterChar=\r\nTableName=1\r\nFileName=exports/customers.txt\r\n"
        "ConnectionString=Provider=SQLOLEDB.1;User ID=sa;Password=;Initial Catalog=Store\r\n"
        "Encoding=windows-1250\r\nLocale=\r\nSheet=\r\nStripApostrophes=No\r\nStrictValues=No\r\nRejectCut=No\r\n"
        "[FieldMappings]\r\nField1=Account Number\r\nField2=\r\nField3=Account Balance\r\n";
    for (int row = 4; row <= MappingRows; ++row)
        expected += "Field" + QByteArray::number(row) + "=\r\n";
    expected += "Field_ID1=201\r\nField_ID2=\r\nField_ID3=206\r\n";
    for (int row = 4; row <= MappingRows; ++row)
        expected += "Field_ID" + QByteArray::number(row) + "=\r\n";
    EXPECT_EQ(readTestFile(path()), expected);

    // A text file elsewhere keeps its full path; a set-up the lists cannot
    // hold is not written.
    setup.textFile = QStringLiteral("/elsewhere/customers.txt");
    ASSERT_TRUE(writeSetupFile(path(), setup, testCatalogue(), nullptr));
    EXPECT_TRUE(readTestFile(path()).contains("\r\nFileName=/elsewhere/customers.txt\r\n"));
    QString error;
    setup.tableId = 0;
    EXPECT_FALSE(writeSetupFile(path("none.imp"), setup, testCatalogue(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("table"))) << error.toStdString();
    EXPECT_FALSE(QFile::exists(path("none.imp")));
}

// The delimiter list's index stays what it was; a character the list lacks,
// and auto, go into a key of their own beside an entry older programs read.
TEST_F(SetupFileTest, DelimitersOutsideTheListKeepTheIndexOlderFilesRead)
{
    const struct { int code; bool automatic; const char *stored; } cases[] = {
        {'\t', false, "FieldDelimiter=8\r\nFieldDelimiterChar=\r\n"},
        {'|', false, "FieldDelimiter=10\r\nFieldDelimiterChar=\r\n"},
        {'~', false, "FieldDelimiter=0\r\nFieldDelimiterChar=~\r\n"},
        {'=', false, "FieldDelimiter=0\r\nFieldDelimiterChar==\r\n"},
        {';', true, "FieldDelimiter=2\r\nFieldDelimiterChar=auto\r\n"},
    };
    for (const auto &delimiter : cases) {
        ImportSetup setup = customerSetup();
        setup.delimiterCode = delimiter.code;
        setup.delimiterAuto = delimiter.automatic;
        ASSERT_TRUE(writeSetupFile(path(), setup, testCatalogue(), nullptr)) << delimiter.stored;
        EXPECT_TRUE(readTestFile(path()).contains(delimiter.stored)) << delimiter.stored;
        ImportSetup loaded;
        loaded.delimiterAuto = !delimiter.automatic;
        ASSERT_EQ(read(&loaded, path()), QString());
        EXPECT_EQ(loaded.delimiterCode, delimiter.code) << delimiter.stored;
        EXPECT_EQ(loaded.delimiterAuto, delimiter.automatic) << delimiter.stored;
    }
    // A file from before the key, and an empty key, read by the index alone.
    for (const char *old : {"[Settings]\r\nFieldDelimiter=8\r\n", "[Settings]\r\nFieldDelimiter=8\r\nFieldDelimiterChar=\r\n"}) {
        writeTestFile(path("old.imp"), old);
        ImportSetup loaded;
        loaded.delimiterAuto = true;
        ASSERT_EQ(read(&loaded, path("old.imp")), QString());
        EXPECT_EQ(loaded.delimiterCode, '\t');
        EXPECT_FALSE(loaded.delimiterAuto);
    }
    QString error;
    ImportSetup quote = customerSetup();
    quote.delimiterCode = '"';
    EXPECT_FALSE(writeSetupFile(path("quote.imp"), quote, testCatalogue(), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("delimiter"))) << error.toStdString();
}

TEST_F(SetupFileTest, ReadBackRestoresEverySetting)
{
    ImportSetup saved = customerSetup();
    saved.skipFirstLine = true;
    saved.quotesAsDelimiters = false;
    saved.firstLineHeader = true;
    saved.textFile = m_dir.filePath(QStringLiteral("customers.txt"));
    saved.encoding = TextEncoding::fromName(QStringLiteral("UTF-16"), nullptr).value();
    saved.localeName = QStringLiteral("de_DE");
    saved.sheet = QStringLiteral(" Prices 2026");
    saved.stripApostrophes = true;
    saved.strictValues = true;
    saved.rejectCut = true;
    for (int row = 10; row <= MappingRows; row += 7)
        saved.fieldIds[row] = 209 + row / 7; // City, Company, ...
    ASSERT_TRUE(writeSetupFile(path(), saved, testCatalogue(), nullptr));

    ImportSetup loaded;
    loaded.connectionString = QStringLiteral("kept");
    ASSERT_EQ(read(&loaded, path()), QString());
    // sameSettings compares every setting the file holds (AnySettingTheFileSavesMakesTheSetUpsDiffer).
    EXPECT_TRUE(sameSettings(loaded, saved));
    EXPECT_EQ(loaded.textFile, saved.textFile);
    EXPECT_EQ(loaded.connectionString, QStringLiteral("kept")); // never read from the file
}

TEST_F(SetupFileTest, MissingKeysKeepWhatAFileWithoutThemMeant)
{
    writeTestFile(path(), "[Settings]\r\nQuoteDelimiter=Yes, please\r\nFileName=" + QByteArray(200, 'n') + "\r\n");
    ImportSetup setup = customerSetup();
    ASSERT_EQ(read(&setup, path()), QString());
    // A missing box is cleared, a missing list takes its first entry, and a
    // file from before the key imported without apostrophes; the file name
    // is read whole, never cut.
    ImportSetup expected;
    expected.tableId = ItemTable;
    expected.duplicatesAsErrors = false;
    expected.stripApostrophes = true;
    expected.textFile = m_dir.filePath(QString(200, 'n'));
    EXPECT_TRUE(sameSettings(setup, expected));
}

TEST_F(SetupFileTest, ReadsTheSampleFilesAsTheyAre)
{
    for (const char *name : {"aliases", "components", "customers", "inventory", "itemclasses", "security", "suppliers"}) {
        ImportSetup setup;
        const QString file = sourcePath(QStringLiteral("examples/%1.imp").arg(QLatin1String(name)));
        ASSERT_EQ(read(&setup, file), QString()) << name;
        EXPECT_TRUE(QFileInfo(setup.textFile).isFile()) << name;
        EXPECT_FALSE(setup.stripApostrophes) << name;
        EXPECT_EQ(setup.runProblem(testCatalogue()), QString()) << name;
    }
    ImportSetup inventory;
    read(&inventory, sourcePath(QStringLiteral("examples/inventory.imp")));
    EXPECT_TRUE(inventory.skipFirstLine && inventory.firstLineHeader);
}

// Each file is refused with the key named (or why it is no settings file),
// and the set-up is left as it was.
TEST_F(SetupFileTest, RefusalsNameTheKeyAndChangeNothing)
{
    const QByteArray s = "[Settings]\r\n", m = "[Settings]\r\nTableName=1\r\n[FieldMappings]\r\n";
    const std::pair<QByteArray, const char *> refused[] = {
        {s + "QuoteDelimiter=yes", "QuoteDelimiter=yes"}, {s + "Duplicate=Y", "Duplicate=Y"},
        {s + "StripApostrophes=true", "StripApostrophes=true"}, {s + "FieldDelimiter=3abc", "FieldDelimiter=3abc"},
        {s + "FieldDelimiter=11", "FieldDelimiter=11"}, {s + "FieldDelimiterChar=;;", "FieldDelimiterChar=;;"},
        {s + "FieldDelimiterChar=\"\"\"", "FieldDelimiterChar=\""}, {s + "TableName=7", "TableName=7"},
        {s + "TableName=4294967297", "TableName=4294967297"}, {s + "Encoding=klingon-8", "Encoding=klingon-8"},
        {s + "Encoding=IBM037", "Encoding=IBM037"}, {s + "Locale=xx_YY", "Locale=xx_YY"},
        {m + "Field_ID1=2147483648", "Field_ID1=2147483648"}, {m + "Field_ID2=x", "Field_ID2=x"},
        {m + "Field_ID3=116", "Field_ID3=116"}, {m + "Field_ID1=201\r\nField_ID9=201", "Field_ID9=201"},
        {"SKU,Description\r\nA1,Mug", "is not a settings file"},
    };
    for (const auto &[lines, named] : refused) {
        ASSERT_TRUE(writeTestFile(path(), lines + "\r\n"));
        ImportSetup setup = customerSetup();
        EXPECT_TRUE(read(&setup, path()).contains(QLatin1String(named))) << named;
        EXPECT_TRUE(sameSettings(setup, customerSetup())) << named;
    }
    ImportSetup setup;
    EXPECT_TRUE(read(&setup, path("absent.imp")).contains(QStringLiteral("does not exist")));
}

// Whatever the settings file would save differently is an unsaved change:
// the wizard asks before it is lost.
TEST_F(SetupFileTest, AnySettingTheFileSavesMakesTheSetUpsDiffer)
{
    const std::pair<const char *, std::function<void(ImportSetup &)>> changes[] = {
        {"table", [](ImportSetup &s) { s.chooseTable(SupplierTable); }},
        {"file", [](ImportSetup &s) { s.textFile = QStringLiteral("/elsewhere/other.txt"); }},
        {"delimiter", [](ImportSetup &s) { s.delimiterCode = 9; }},
        {"delimiter sniffed", [](ImportSetup &s) { s.delimiterAuto = true; }},
        {"quotes", [](ImportSetup &s) { s.quotesAsDelimiters = false; }},
        {"duplicates", [](ImportSetup &s) { s.duplicatesAsErrors = false; }},
        {"skip first line", [](ImportSetup &s) { s.skipFirstLine = true; }},
        {"header", [](ImportSetup &s) { s.firstLineHeader = true; }},
        {"encoding", [](ImportSetup &s) { s.encoding = TextEncoding::fromName(QStringLiteral("UTF-8"), nullptr).value(); }},
        {"sheet", [](ImportSetup &s) { s.sheet = QStringLiteral("Prices"); }},
        {"locale", [](ImportSetup &s) { s.localeName = QStringLiteral("de_DE"); }},
        {"apostrophes", [](ImportSetup &s) { s.stripApostrophes = true; }},
        {"strict", [](ImportSetup &s) { s.strictValues = true; }},
        {"reject cut", [](ImportSetup &s) { s.rejectCut = true; }},
        {"mapping", [](ImportSetup &s) { s.fieldIds[2] = 202; }},
    };
    ASSERT_TRUE(writeSetupFile(path("a.imp"), customerSetup(), testCatalogue(), nullptr));
    for (const auto &[named, change] : changes) {
        ImportSetup changed = customerSetup();
        change(changed);
        ASSERT_TRUE(writeSetupFile(path("b.imp"), changed, testCatalogue(), nullptr)) << named;
        EXPECT_NE(readTestFile(path("a.imp")), readTestFile(path("b.imp"))) << named;
        EXPECT_FALSE(sameSettings(changed, customerSetup())) << named;
    }
}

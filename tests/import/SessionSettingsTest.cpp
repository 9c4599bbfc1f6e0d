#include "TestSupport.h"

#include "import/SessionSettings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vxr;
using namespace vxr::test;

namespace {

class SessionSettingsTest : public ::testing::Test
{
protected:
    QString path(const char *name = "session.imp") const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(SessionSettingsTest, NewFileHoldsEveryKeyInItsFixedOrderWithoutThePassword)
{
    SessionSettings settings;
    settings.SkipFirstLine = true;
    settings.Duplicate = false;
    settings.FieldDelimiter = 8;
    settings.TableName = 2;
    settings.FileName = "items.csv";
    settings.ConnectionString = "Provider=SQLOLEDB.1;User ID=sa;Password=s3cret;Initial Catalog=Store";
    settings.FieldNames[0] = "Item Lookup Code";
    settings.FieldIds[0] = "116";
    ASSERT_TRUE(settings.write(path()));

    QByteArray expected =
        "[Settings]\r\nSkipFirstLine=Yes\r\nQuoteDelimiter=Yes\r\nDuplicate=No\r\nFirstLineHeader=No\r\n"
        "FieldDelimiter=8\r\nTableName=2\r\nFileName=items.csv\r\n"
        "ConnectionString=Provider=SQLOLEDB.1;User ID=sa;Password=;Initial Catalog=Store\r\n"
        "[FieldMappings]\r\nField1=Item Lookup Code\r\n";
    for (int row = 2; row <= MappingRows; ++row)
        expected += "Field" + QByteArray::number(row) + "=\r\n";
    expected += "Field_ID1=116\r\n";
    for (int row = 2; row <= MappingRows; ++row)
        expected += "Field_ID" + QByteArray::number(row) + "=\r\n";
    EXPECT_EQ(readTestFile(path()), expected);
}

TEST_F(SessionSettingsTest, ReadBackRestoresWhatLoadingRestores)
{
    SessionSettings saved;
    saved.SkipFirstLine = true;
    saved.QuoteDelimiter = false;
    saved.FirstLineHeader = true;
    saved.FieldDelimiter = 9;
    saved.TableName = 6;
    saved.FileName = "/data/exports/security list.txt";
    saved.ConnectionString = "Provider=SQLite;Data Source=/data/store.db";
    for (int row = 0; row < MappingRows; row += 5) {
        saved.FieldNames[row] = QStringLiteral("Field %1").arg(row);
        saved.FieldIds[row] = QString::number(800 + row);
    }
    ASSERT_TRUE(saved.write(path()));

    const SessionSettings loaded = SessionSettings::read(path());
    EXPECT_FALSE(loaded.QuoteDelimiter);
    EXPECT_TRUE(loaded.Duplicate);
    EXPECT_EQ(loaded.FieldDelimiter, 9);
    EXPECT_EQ(loaded.TableName, 6);
    EXPECT_EQ(loaded.FileName, saved.FileName);
    EXPECT_EQ(loaded.FieldNames, saved.FieldNames);
    EXPECT_EQ(loaded.FieldIds, saved.FieldIds);
    // These three keys are written but never read back.
    EXPECT_FALSE(loaded.SkipFirstLine);
    EXPECT_FALSE(loaded.FirstLineHeader);
    EXPECT_TRUE(loaded.ConnectionString.isEmpty());
}

TEST_F(SessionSettingsTest, ReadingFollowsTheLoadRules)
{
    const SessionSettings missing = SessionSettings::read(path("absent.imp"));
    EXPECT_FALSE(missing.QuoteDelimiter); // every key missing
    EXPECT_FALSE(missing.Duplicate);

    ASSERT_TRUE(writeTestFile(path(), "[Settings]\r\nQuoteDelimiter=Yes, please\r\nDuplicate=yes\r\nFieldDelimiter=3abc\r\n"
                                      "TableName=-1\r\nFileName=" + QByteArray(200, 'n')
                                          + "\r\n[FieldMappings]\r\nField_ID2=x\r\n"));
    const SessionSettings loaded = SessionSettings::read(path());
    EXPECT_TRUE(loaded.QuoteDelimiter);
    EXPECT_FALSE(loaded.Duplicate); // the prefix is compared in exact case
    EXPECT_EQ(loaded.FieldDelimiter, 3);
    EXPECT_EQ(loaded.TableName, -1);
    EXPECT_EQ(loaded.FileName, QString(154, 'n'));
    EXPECT_EQ(loaded.FieldIds[1], "x");

    ASSERT_TRUE(writeTestFile(path(), "[Settings]\r\nQuoteDelimiter=Y\r\nDuplicate=YES\r\nTableName=none\r\n"));
    const SessionSettings shortForms = SessionSettings::read(path());
    EXPECT_FALSE(shortForms.QuoteDelimiter);
    EXPECT_FALSE(shortForms.Duplicate);
    EXPECT_EQ(shortForms.TableName, 0);
}

#include "import/SessionSettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vxr;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class SessionSettingsTest : public ::testing::Test
{
protected:
    QString path(const char *name = "session.imp") const { return m_dir.filePath(QLatin1String(name)); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(SessionSettingsTest, NewFileHoldsEveryKeyInItsFixedOrder)
{
    SessionSettings settings;
    settings.SkipFirstLine = true;
    settings.Duplicate = false;
    settings.FieldDelimiter = 8;
    settings.TableName = 2;
    settings.FileName = QStringLiteral("items.csv");
    settings.FieldNames[0] = QStringLiteral("Item Lookup Code");
    settings.FieldIds[0] = QStringLiteral("116");
    ASSERT_TRUE(settings.write(path()));

    const QList<QByteArray> lines = contents(path()).split('\n');
    QByteArray expected =
        "[Settings]\r\nSkipFirstLine=Yes\r\nQuoteDelimiter=Yes\r\nDuplicate=No\r\nFirstLineHeader=No\r\n"
        "FieldDelimiter=8\r\nTableName=2\r\nFileName=items.csv\r\nConnectionString=\r\n[FieldMappings]\r\n"
        "Field1=Item Lookup Code\r\n";
    for (int row = 2; row <= MappingRows; ++row)
        expected += "Field" + QByteArray::number(row) + "=\r\n";
    expected += "Field_ID1=116\r\n";
    for (int row = 2; row <= MappingRows; ++row)
        expected += "Field_ID" + QByteArray::number(row) + "=\r\n";
    EXPECT_EQ(contents(path()), expected);
}

TEST_F(SessionSettingsTest, ReadBackRestoresWhatLoadingRestores)
{
    SessionSettings saved;
    saved.SkipFirstLine = true;
    saved.QuoteDelimiter = false;
    saved.Duplicate = true;
    saved.FirstLineHeader = true;
    saved.FieldDelimiter = 9;
    saved.TableName = 6;
    saved.FileName = QStringLiteral("/data/exports/security list.txt");
    saved.ConnectionString = QStringLiteral("Provider=SQLite;Data Source=/data/store.db");
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
    const QByteArray longName(200, 'n');
    writeFile(path(), "[Settings]\r\nQuoteDelimiter=Yes, please\r\nDuplicate=yes\r\nFieldDelimiter=3abc\r\n"
                      "TableName=-1\r\nFileName=" + longName + "\r\n[FieldMappings]\r\nField_ID2=x\r\n");
    const SessionSettings loaded = SessionSettings::read(path());
    EXPECT_TRUE(loaded.QuoteDelimiter);
    EXPECT_FALSE(loaded.Duplicate); // the prefix is compared in exact case
    EXPECT_EQ(loaded.FieldDelimiter, 3);
    EXPECT_EQ(loaded.TableName, -1);
    EXPECT_EQ(loaded.FileName, QString(154, QLatin1Char('n')));
    EXPECT_EQ(loaded.FieldIds[1], QStringLiteral("x"));

    writeFile(path("y.imp"), "[Settings]\r\nQuoteDelimiter=Y\r\nDuplicate=YES\r\nTableName=none\r\n");
    const SessionSettings shortForms = SessionSettings::read(path("y.imp"));
    EXPECT_FALSE(shortForms.QuoteDelimiter);
    EXPECT_FALSE(shortForms.Duplicate);
    EXPECT_EQ(shortForms.TableName, 0);
}

TEST_F(SessionSettingsTest, AMissingFileReadsAsEveryKeyMissing)
{
    const SessionSettings loaded = SessionSettings::read(path("absent.imp"));
    EXPECT_FALSE(loaded.QuoteDelimiter);
    EXPECT_FALSE(loaded.Duplicate);
    EXPECT_EQ(loaded.FieldDelimiter, 0);
    EXPECT_EQ(loaded.TableName, 0);
    EXPECT_TRUE(loaded.FileName.isEmpty());
    for (int row = 0; row < MappingRows; ++row)
        EXPECT_TRUE(loaded.FieldIds[row].isEmpty());
}

TEST_F(SessionSettingsTest, ThePasswordNeverReachesTheFile)
{
    SessionSettings settings;
    settings.ConnectionString = QStringLiteral(
        "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=s3cret;Initial Catalog=Store;"
        "Data Source=POS1");
    ASSERT_TRUE(settings.write(path()));
    const QByteArray text = contents(path());
    EXPECT_FALSE(text.contains("s3cret"));
    EXPECT_TRUE(text.contains("ConnectionString=Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;"
                              "Password=;Initial Catalog=Store;Data Source=POS1\r\n"));
}

TEST(WithoutPasswordTest, EmptiesOnlyThePasswordValue)
{
    EXPECT_EQ(withoutPassword(QStringLiteral("User ID=u;PASSWORD=x;Data Source=s")),
              QStringLiteral("User ID=u;PASSWORD=;Data Source=s"));
    EXPECT_EQ(withoutPassword(QStringLiteral("User ID=u; password = x y ")),
              QStringLiteral("User ID=u; password ="));
    EXPECT_EQ(withoutPassword(QStringLiteral("Provider=SQLite;Data Source=/a b/store.db")),
              QStringLiteral("Provider=SQLite;Data Source=/a b/store.db"));
    EXPECT_EQ(withoutPassword(QString()), QString());
    // A braced or quoted value may hold semicolons of its own.
    EXPECT_EQ(withoutPassword(QStringLiteral("Provider=MSDASQL;Driver={PostgreSQL Unicode};UID=u;PWD={a;b}}c};Port=5432")),
              QStringLiteral("Provider=MSDASQL;Driver={PostgreSQL Unicode};UID=u;PWD=;Port=5432"));
    EXPECT_EQ(withoutPassword(QStringLiteral("Password=\"p;q\";Initial Catalog=db;")),
              QStringLiteral("Password=;Initial Catalog=db;"));
    // A password that merely appears inside another value is not a key.
    EXPECT_EQ(withoutPassword(QStringLiteral("Data Source=Password=x")), QStringLiteral("Data Source=Password=x"));
}

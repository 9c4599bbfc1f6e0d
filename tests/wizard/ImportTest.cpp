#include "WizardFixture.h"

#include "TestStores.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace vxr::test {
namespace {

class ImportPanel : public WizardTest
{
protected:
    // Connects, names the file, maps lookup code, description and price, and
    // moves on to panel 4.
    void prepare(const QByteArray &content)
    {
        ASSERT_TRUE(store.isValid()) << store.error().toStdString();
        connectTo(store.connectionString());
        control<QLineEdit>("txtFileName")->setText(writeFile(QStringLiteral("items.csv"), content));
        window->cmdNext_Click();
        for (const char *name : {"Item Lookup Code", "Description", "Price"})
            assign(QString::fromLatin1(name));
        window->cmdNext_Click();
        window->cmdNext_Click();
        ASSERT_EQ(window->CurrentPanel, 4);
    }
    QString label(const char *name) { return control<QLabel>(name)->text(); }
    QStringList storedItems()
    {
        QStringList rows;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            db.setDatabaseName(store.path());
            EXPECT_TRUE(db.open());
            QSqlQuery query(QStringLiteral("SELECT ItemLookupCode, Description, Price FROM Item ORDER BY ID"), db);
            while (query.next())
                rows << QStringLiteral("%1|%2|%3").arg(query.value(0).toString(), query.value(1).toString(),
                                                       QString::number(query.value(2).toDouble()));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
        return rows;
    }

    TempSqliteStore store;
};

TEST_F(ImportPanel, ImportsTheFileAndShowsWhatHappened)
{
    prepare("Code,Name,Price\r\nA1,Mug,7.95\r\nB2,Teapot,21.5\r\nA1,Mug again,8\r\n");
    control<QCheckBox>("chkSkipFirstLine")->setChecked(true);
    EXPECT_EQ(label("lblStatus"), QStringLiteral("None"));

    control<QPushButton>("cmdImport")->click();
    EXPECT_EQ(label("lblStatus"), QStringLiteral("Complete"));
    EXPECT_EQ(label("lblRecordsToProcess"), QStringLiteral("4"));
    EXPECT_EQ(label("lblRecordsProcessed"), QStringLiteral("4"));
    EXPECT_EQ(label("lblPercentCompleted"), QStringLiteral("100%"));
    EXPECT_EQ(label("lblErrorsEncountered"), QStringLiteral("1"));
    for (const char *name : {"cmdNext", "cmdBack", "cmdImport"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_FALSE(window->Connection.isOpen());

    EXPECT_EQ(storedItems(), (QStringList{QStringLiteral("A1|Mug|7.95"), QStringLiteral("B2|Teapot|21.5")}));
    QFile log(window->LogPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("[00004 <DUPL>] A1,Mug again,8"));

    ASSERT_EQ(prompts.messages.size(), 1);
    for (const char *part : {"Lines read: 4", "Rows added: 2", "Lines skipped: 1", "Lines failed: 1"})
        EXPECT_TRUE(prompts.messages[0].text.contains(QString::fromLatin1(part))) << part;
    EXPECT_TRUE(prompts.messages[0].text.contains(window->LogPath));
}

TEST_F(ImportPanel, WithoutTheDuplicateOptionAnItemIsUpdated)
{
    control<QCheckBox>("chkDuplicate")->setChecked(false);
    prepare("A1,Mug,7.95\r\nA1,Mug again,8\r\n");
    control<QPushButton>("cmdImport")->click();
    EXPECT_EQ(label("lblErrorsEncountered"), QStringLiteral("0"));
    EXPECT_EQ(storedItems(), QStringList{QStringLiteral("A1|Mug again|8")});
}

TEST_F(ImportPanel, ARunThatCannotStartSaysSoOnce)
{
    prepare("A1,Mug,7.95\r\n");
    ASSERT_TRUE(QFile::remove(control<QLineEdit>("txtFileName")->text()));
    control<QPushButton>("cmdImport")->click();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
    EXPECT_NE(label("lblStatus"), QStringLiteral("Complete"));
    EXPECT_FALSE(enabled("cmdImport"));
    EXPECT_TRUE(storedItems().isEmpty());
}

TEST_F(ImportPanel, ViewLogFileOpensTheLogOrNamesIt)
{
    window->cmdViewLogFile_Click(); // no log yet
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains(window->LogPath));

    writeFile(QStringLiteral("VUVEDIZE.LOG"), "----\r\n");
    window->cmdViewLogFile_Click();
    EXPECT_EQ(prompts.opened, QStringList{window->LogPath});
    EXPECT_EQ(prompts.messages.size(), 1);

    prompts.viewerStarts = false;
    window->cmdViewLogFile_Click();
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(prompts.messages[1].text.contains(window->LogPath));
}

} // namespace
} // namespace vxr::test

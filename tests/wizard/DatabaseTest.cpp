#include "WizardFixture.h"

#include "TestStores.h"

#include "wizard/frmConnect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace vxr::test {
namespace {

class Connection : public WizardTest
{
protected:
    frmConnect *dialog() { return window->connectDialog(); }
    QLineEdit *field(const char *name) { return dialog()->findChild<QLineEdit *>(QString::fromLatin1(name)); }
    void pressOK() { dialog()->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click(); }
    void chooseProvider(int provider)
    {
        dialog()->findChild<QComboBox *>(QStringLiteral("cmbProvider"))->setCurrentIndex(provider);
    }
    void expectState(bool connect, bool text, bool disconnect, bool next)
    {
        EXPECT_EQ(enabled("cmdConnect"), connect);
        EXPECT_EQ(enabled("txtVXRDB"), text);
        EXPECT_EQ(enabled("cmdDisconnect"), disconnect);
        EXPECT_EQ(enabled("cmdNext"), next);
    }
    QString connectionText() { return control<QLineEdit>("txtVXRDB")->text(); }

    TempSqliteStore store;
};

TEST_F(Connection, TheDialogRefusesWhatCannotConnectAndPassesTheRestAsTyped)
{
    dialog()->show();
    field("txtServerName")->clear();
    pressOK();
    field("txtServerName")->setText(QStringLiteral("  ")); // only emptiness is refused
    pressOK();
    field("txtDatabase")->setText(QStringLiteral("Store"));
    field("txtConnectionTimeOut")->setText(QStringLiteral("soon"));
    pressOK();
    field("txtConnectionTimeOut")->setText(QStringLiteral("40"));
    // A database file that is not there would become an empty store.
    chooseProvider(frmConnect::SqliteProvider);
    field("txtDatabaseFile")->setText(QStringLiteral("/nonexistent/none.db"));
    pressOK();
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_TRUE(connectionText().isEmpty());
    ASSERT_EQ(prompts.messages.size(), 4);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Must enter a Server Name"));
    EXPECT_EQ(prompts.messages[1].text, QStringLiteral("Must enter a Database Name"));

    chooseProvider(frmConnect::SqlServerProvider);
    field("txtPassword")->setText(QStringLiteral("a;b c"));
    pressOK();
    EXPECT_EQ(connectionText(), QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;"
                                               "Password=a;b c;Initial Catalog=Store;Data Source=  "));
}

TEST_F(Connection, ConnectWithoutTextAsksThroughTheDialogThenDisconnect)
{
    ASSERT_TRUE(store.isValid());
    QTimer::singleShot(0, dialog(), [&] {
        ASSERT_TRUE(dialog()->isModal());
        chooseProvider(frmConnect::SqliteProvider);
        field("txtDatabaseFile")->setText(store.path());
        pressOK();
    });
    control<QPushButton>("cmdConnect")->click();
    EXPECT_TRUE(window->Connection.isOpen());
    EXPECT_EQ(connectionText(), store.connectionString());
    expectState(false, false, true, true);

    control<QPushButton>("cmdDisconnect")->click();
    EXPECT_FALSE(window->Connection.isOpen());
    EXPECT_TRUE(connectionText().isEmpty());
    expectState(true, false, false, false);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Connection, AFailedOpenReportsTheErrorAndShowsTheDialogAgain)
{
    connectTo(SqliteConnectionString(dir.filePath(QStringLiteral("none.db"))));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].caption, QStringLiteral("VXR Database"));
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("Error :")));
    EXPECT_TRUE(connectionText().isEmpty());
    EXPECT_TRUE(dialog()->isVisible());
    expectState(true, true, false, false);

    dialog()->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
    EXPECT_FALSE(dialog()->isVisible());
    expectState(true, true, false, false);
}

class ImportPanel : public Connection
{
protected:
    // Connects, maps lookup code, description and price, moves to panel 4
    // and presses Import.
    void import(const QByteArray &content, bool removeFileFirst = false)
    {
        ASSERT_TRUE(store.isValid()) << store.error().toStdString();
        connectTo(store.connectionString());
        const QString file = writeFile(QStringLiteral("items.csv"), content);
        control<QLineEdit>("txtFileName")->setText(file);
        window->cmdNext_Click();
        for (const char *name : {"Item Lookup Code", "Description", "Price"})
            assign(QString::fromLatin1(name));
        window->cmdNext_Click();
        window->cmdNext_Click();
        ASSERT_EQ(window->CurrentPanel, 4);
        if (removeFileFirst) {
            ASSERT_TRUE(QFile::remove(file));
        }
        control<QPushButton>("cmdImport")->click();
    }
    QString label(const char *name) { return control<QLabel>(name)->text(); }
};

TEST_F(ImportPanel, ImportsTheFileAndShowsWhatHappened)
{
    control<QCheckBox>("chkSkipFirstLine")->setChecked(true);
    import("Code,Name,Price\r\nA1,Mug,7.95\r\nB2,Teapot,21.5\r\nA1,Mug again,8\r\n");
    EXPECT_EQ(label("lblStatus"), QStringLiteral("Complete"));
    EXPECT_EQ(label("lblRecordsProcessed"), QStringLiteral("4"));
    EXPECT_EQ(label("lblPercentCompleted"), QStringLiteral("100%"));
    EXPECT_EQ(label("lblErrorsEncountered"), QStringLiteral("1"));
    for (const char *name : {"cmdNext", "cmdBack", "cmdImport"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_FALSE(window->Connection.isOpen());

    QFile log(window->LogPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("[00004 <DUPL>] A1,Mug again,8"));
    ASSERT_EQ(prompts.messages.size(), 1);
    for (const char *part : {"Rows added: 2", "Lines skipped: 1", "Lines failed: 1"})
        EXPECT_TRUE(prompts.messages[0].text.contains(QString::fromLatin1(part))) << part;
}

TEST_F(ImportPanel, WithoutTheDuplicateOptionAnItemIsUpdated)
{
    control<QCheckBox>("chkDuplicate")->setChecked(false);
    import("A1,Mug,7.95\r\nA1,Mug again,8\r\n");
    EXPECT_EQ(label("lblErrorsEncountered"), QStringLiteral("0"));
    EXPECT_TRUE(prompts.messages.value(0).text.contains(QStringLiteral("Rows updated: 1")));
}

TEST_F(ImportPanel, ARunThatCannotStartSaysSoOnce)
{
    import("A1,Mug,7.95\r\n", true);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
    EXPECT_NE(label("lblStatus"), QStringLiteral("Complete"));
    EXPECT_FALSE(enabled("cmdImport"));
}

TEST_F(ImportPanel, ViewLogFileOpensTheLogOrNamesIt)
{
    window->cmdViewLogFile_Click(); // no log yet
    writeFile(QStringLiteral("VUVEDIZE.LOG"), "----\r\n");
    window->cmdViewLogFile_Click();
    EXPECT_EQ(prompts.opened, QStringList{window->LogPath});
    prompts.viewerStarts = false;
    window->cmdViewLogFile_Click();
    ASSERT_EQ(prompts.messages.size(), 2);
    for (const auto &message : prompts.messages)
        EXPECT_TRUE(message.text.contains(window->LogPath));
}

} // namespace
} // namespace vxr::test

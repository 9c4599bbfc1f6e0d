#include "WizardFixture.h"

#include "TestStores.h"

#include "wizard/frmConnect.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

namespace vxr::test {
namespace {

class ConnectDialog : public ::testing::Test
{
protected:
    QLineEdit *field(const char *name) { return dialog.findChild<QLineEdit *>(QString::fromLatin1(name)); }
    void pressOK() { dialog.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click(); }

    ScriptedPrompts prompts;
    frmConnect dialog{prompts};
    QSignalSpy built{&dialog, &frmConnect::connectionStringBuilt};
};

TEST_F(ConnectDialog, BuildsTheSqlServerStringFromTheValuesAsTyped)
{
    EXPECT_EQ(field("txtPassword")->echoMode(), QLineEdit::Password);
    field("txtDatabase")->setText(QStringLiteral("Store"));
    pressOK();
    ASSERT_EQ(built.size(), 1);
    EXPECT_EQ(built[0][0].toString(), QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;"
                                                     "Password=;Initial Catalog=Store;Data Source=(local)"));
    EXPECT_EQ(built[0][1].toInt(), 15);

    field("txtPassword")->setText(QStringLiteral("a;b c"));
    field("txtServerName")->setText(QStringLiteral("  "));
    field("txtConnectionTimeOut")->setText(QStringLiteral("40"));
    pressOK();
    ASSERT_EQ(built.size(), 2);
    EXPECT_EQ(built[1][0].toString(), QStringLiteral("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;"
                                                     "Password=a;b c;Initial Catalog=Store;Data Source=  "));
    EXPECT_EQ(built[1][1].toInt(), 40);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(ConnectDialog, RefusesWhatCannotConnectAndStaysOpen)
{
    dialog.show();
    field("txtServerName")->clear();
    pressOK();
    field("txtServerName")->setText(QStringLiteral("srv"));
    pressOK();
    field("txtDatabase")->setText(QStringLiteral("Store"));
    field("txtConnectionTimeOut")->setText(QStringLiteral("soon"));
    pressOK();
    ASSERT_EQ(prompts.messages.size(), 3);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Must enter a Server Name"));
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
    EXPECT_EQ(prompts.messages[1].text, QStringLiteral("Must enter a Database Name"));

    // The embedded store: a file that is not there is refused too.
    field("txtConnectionTimeOut")->setText(QStringLiteral("15"));
    dialog.findChild<QComboBox *>(QStringLiteral("cmbProvider"))->setCurrentIndex(frmConnect::SqliteProvider);
    prompts.fileAnswers << QStringLiteral("/nonexistent/none.db");
    dialog.findChild<QPushButton *>(QStringLiteral("cmdBrowseDatabase"))->click();
    pressOK();
    EXPECT_EQ(prompts.messages.size(), 4);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(built.size(), 0);
}

class Connection : public WizardTest
{
protected:
    void expectState(bool connect, bool text, bool disconnect, bool next)
    {
        EXPECT_EQ(enabled("cmdConnect"), connect);
        EXPECT_EQ(enabled("txtVXRDB"), text);
        EXPECT_EQ(enabled("cmdDisconnect"), disconnect);
        EXPECT_EQ(enabled("cmdNext"), next);
    }
    QLineEdit *txtVXRDB() { return control<QLineEdit>("txtVXRDB"); }

    TempSqliteStore store;
};

TEST_F(Connection, ConnectsWithTheGivenTextAndDisconnects)
{
    ASSERT_TRUE(store.isValid());
    connectTo(store.connectionString());
    EXPECT_FALSE(window->connectDialog()->isVisible());
    EXPECT_TRUE(window->Connection.isOpen());
    expectState(false, false, true, true);

    control<QPushButton>("cmdDisconnect")->click();
    EXPECT_FALSE(window->Connection.isOpen());
    EXPECT_TRUE(txtVXRDB()->text().isEmpty());
    expectState(true, false, false, false);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Connection, AFailedOpenReportsTheErrorAndShowsTheDialogAgain)
{
    connectTo(SqliteConnectionString(dir.filePath(QStringLiteral("none.db"))));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].caption, QStringLiteral("VXR Database"));
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("Error :")));
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("\r\n")));
    EXPECT_TRUE(txtVXRDB()->text().isEmpty());
    EXPECT_TRUE(window->connectDialog()->isVisible());
    expectState(true, true, false, false);

    window->connectDialog()->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
    EXPECT_FALSE(window->connectDialog()->isVisible());
    expectState(true, true, false, false);
}

TEST_F(Connection, ConnectWithoutTextAsksThroughTheDialog)
{
    ASSERT_TRUE(store.isValid());
    frmConnect *dialog = window->connectDialog();
    QTimer::singleShot(0, dialog, [&] {
        ASSERT_TRUE(dialog->isModal());
        dialog->findChild<QComboBox *>(QStringLiteral("cmbProvider"))->setCurrentIndex(frmConnect::SqliteProvider);
        dialog->findChild<QLineEdit *>(QStringLiteral("txtDatabaseFile"))->setText(store.path());
        dialog->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
    });
    control<QPushButton>("cmdConnect")->click();
    EXPECT_TRUE(window->Connection.isOpen());
    EXPECT_EQ(txtVXRDB()->text(), store.connectionString());
    expectState(false, false, true, true);
}

} // namespace
} // namespace vxr::test

#include "WizardFixture.h"

#include "database/ConnectionString.h"
#include "wizard/ConnectDialog.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace vxr::test {
namespace {

class Connection : public WizardTest
{
protected:
    ConnectDialog *dialog() { return window->connectDialog(); }
    template<typename T = QLineEdit>
    T *field(const char *name) { return control<T>(name, dialog()); }
    void pressConnect() { field<QPushButton>("cmdOK")->click(); }
    void chooseProvider(int provider) { field<QComboBox>("cmbProvider")->setCurrentIndex(provider); }
    // What the dialog says went wrong; empty while it says nothing.
    QString message()
    {
        return field<QFrame>("connectMessage")->isVisible() ? field<QLabel>("lblMessage")->text() : QString();
    }
    QString details() { return field<QPlainTextEdit>("txtDetails")->toPlainText(); }
    void expectState(bool connect, bool box, bool disconnect, bool next)
    {
        EXPECT_EQ(enabled("cmdConnect"), connect);
        EXPECT_EQ(enabled("txtVXRDB"), box);
        EXPECT_EQ(enabled("cmdDisconnect"), disconnect);
        EXPECT_EQ(enabled("cmdNext"), next);
        EXPECT_EQ(window->isConnected(), disconnect);
    }
    QString shownConnection() { return control<QLineEdit>("txtVXRDB")->text(); }
    // Connect with the box empty: the dialog comes up, modal.
    void openDialog()
    {
        window->show();
        click("cmdConnect");
        ASSERT_TRUE(dialog()->isVisible());
        ASSERT_TRUE(dialog()->isModal());
    }
    void connectToFile(const QString &path)
    {
        chooseProvider(ConnectDialog::SqliteProvider);
        field("txtDatabaseFile")->setText(path);
        pressConnect();
    }
};

TEST_F(Connection, EachKindOfDatabaseShowsItsOwnFieldsAndNamesWhatIsMissing)
{
    openDialog();
    const QList<const char *> all = {"txtServerName", "txtPassword", "txtPgServer", "txtPgPort",
                                     "txtPgPassword", "cmbDataSource", "txtDsnPassword", "txtDatabaseFile"};
    // Every field filled with "1", then the one named set to the value.
    const struct { int provider; QList<const char *> shown; const char *field, *value, *refusal; } kinds[] = {
        {ConnectDialog::SqlServerProvider, {"txtServerName", "txtPassword"}, "txtServerName", "",
         "Must enter a Server Name"},
        {ConnectDialog::SqlServerProvider, {}, "txtDatabase", "", "Must enter a Database Name"},
        {ConnectDialog::PostgresProvider, {"txtPgServer", "txtPgPort", "txtPgPassword"}, "txtPgDatabase", "",
         "Must enter a Database Name"},
        {ConnectDialog::PostgresProvider, {}, "txtPgPort", "70000",
         "The port must be a number from 1 to 65535, or empty for the usual one"},
        {ConnectDialog::DsnProvider, {"cmbDataSource", "txtDsnPassword"}, nullptr, nullptr,
         "Must enter a Data Source Name"},
        {ConnectDialog::SqliteProvider, {"txtDatabaseFile"}, "txtDatabaseFile", "", "Must enter a Database File"},
    };
    for (const auto &kind : kinds) {
        chooseProvider(kind.provider);
        for (const char *name : all)
            if (!kind.shown.isEmpty()) {
                EXPECT_EQ(dialog()->findChild<QWidget *>(QString::fromLatin1(name))->isVisible(),
                          kind.shown.contains(name)) << name;
            }
        for (QLineEdit *edit : dialog()->findChildren<QLineEdit *>())
            if (edit->objectName().startsWith(QLatin1String("txt")))
                edit->setText(QStringLiteral("1"));
        if (kind.field)
            field(kind.field)->setText(QString::fromLatin1(kind.value));
        pressConnect();
        EXPECT_EQ(message(), QString::fromLatin1(kind.refusal));
        EXPECT_FALSE(field<QToolButton>("cmdDetails")->isVisible());
        EXPECT_TRUE(dialog()->isVisible());
    }
    for (const QLineEdit *edit : dialog()->findChildren<QLineEdit *>())
        if (edit->objectName().contains(QLatin1String("Password"))) {
            EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        }
    EXPECT_TRUE(shownConnection().isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_FALSE(window->isConnected());
}

TEST_F(Connection, AFailedConnectKeepsTheDialogOpenWithTheReasonInsideUntilCorrected)
{
    ASSERT_TRUE(store.isValid());
    openDialog();
    const QString missing = dir.filePath(QStringLiteral("none.db"));
    connectToFile(missing);
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_EQ(message(), QStringLiteral("Could not connect. The database file \"%1\" does not exist.").arg(missing));
    EXPECT_TRUE(details().startsWith(QStringLiteral("Error :-2147467259\n"))) << details().toStdString();
    EXPECT_FALSE(field<QPlainTextEdit>("txtDetails")->isVisible());
    field<QToolButton>("cmdDetails")->click();
    EXPECT_TRUE(field<QPlainTextEdit>("txtDetails")->isVisible());
    EXPECT_TRUE(shownConnection().isEmpty());
    expectState(true, true, false, false);
    EXPECT_TRUE(prompts.messages.isEmpty());

    // Only the wrong value is corrected; Enter connects.
    field("txtDatabaseFile")->setText(store.path());
    QTest::keyClick(field("txtDatabaseFile"), Qt::Key_Return);
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_TRUE(message().isEmpty());
    EXPECT_EQ(shownConnection(), store.connectionString());
    EXPECT_EQ(setup().connectionString, store.connectionString());
    expectState(false, false, true, true);
    click("cmdDisconnect");
    EXPECT_TRUE(shownConnection().isEmpty());
    EXPECT_TRUE(setup().connectionString.isEmpty());
    expectState(true, false, false, false);

    // A cancelled dialog leaves Disconnect as the connection is.
    openDialog();
    field<QPushButton>("cmdCancel")->click();
    EXPECT_FALSE(dialog()->isVisible());
    expectState(true, false, false, false);

    // Back on the first panel while connected, the box and Connect are usable
    // again; a failed connect leaves no connection, and says so.
    connectTo(store.connectionString());
    expectState(false, false, true, true);
    type("txtFileName", writeFile(QStringLiteral("items.csv"), "a\r\n"));
    click("cmdNext");
    click("cmdBack");
    type("txtVXRDB", QString());
    openDialog();
    connectToFile(missing);
    EXPECT_FALSE(message().isEmpty());
    expectState(true, true, false, false);
}

// A typed string is the set-up's; the box shows its password masked, and an
// edit of what it shows keeps the password the mask stands for. One that
// fails comes back in the dialog and stays in the box.
TEST_F(Connection, TheBoxHoldsTheTypedStringWithItsPasswordMasked)
{
    ASSERT_TRUE(store.isValid());
    const QString typed = store.connectionString() + QStringLiteral(";Password={a;b}");
    connectTo(typed);
    ASSERT_TRUE(window->isConnected());
    EXPECT_EQ(shownConnection(), store.connectionString() + QStringLiteral(";Password=****"));
    EXPECT_EQ(setup().connectionString, typed);
    type("txtVXRDB", QStringLiteral("Password=****;") + shownConnection());
    EXPECT_EQ(setup().connectionString, QStringLiteral("Password={a;b};") + typed);
    type("txtVXRDB", QStringLiteral("Provider=SQLite;Data Source=x;Password=new"));
    EXPECT_EQ(setup().connectionString, shownConnection());
    click("cmdDisconnect");

    const QString missing = dir.filePath(QStringLiteral("gone.db"));
    const QString failing = sqliteConnectionString(missing) + QStringLiteral(";Password={se;cret}");
    connectTo(failing);
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_EQ(field<QComboBox>("cmbProvider")->currentIndex(), ConnectDialog::SqliteProvider);
    EXPECT_EQ(field("txtDatabaseFile")->text(), missing);
    EXPECT_TRUE(message().contains(missing));
    // The password shows nowhere: the details give the string masked.
    EXPECT_TRUE(details().contains(QStringLiteral("Password=****"))) << details().toStdString();
    EXPECT_FALSE(details().contains(QStringLiteral("cret")));
    EXPECT_EQ(shownConnection(), failing);
    EXPECT_EQ(setup().connectionString, failing);
    expectState(true, false, false, false);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// A settings file names its database without the password; loading it
// without a connection offers that database, asking for the password.
TEST_F(Connection, LoadedSettingsOfferTheirDatabaseAndAskForThePassword)
{
    ASSERT_TRUE(store.isValid());
    connectTo(store.connectionString() + QStringLiteral(";Password={se;cret}"));
    ASSERT_TRUE(window->isConnected());
    const QString settings = dir.filePath(QStringLiteral("store.imp"));
    prompts.fileAnswers << settings << settings;
    click("cmdSave");
    prompts.takeOne(MessageKind::Plain);
    ASSERT_TRUE(readTestFile(settings).contains(store.path().toUtf8()));
    EXPECT_FALSE(readTestFile(settings).contains("cret"));
    click("cmdLoad"); // connected already: nothing is offered
    EXPECT_FALSE(dialog()->isVisible());

    const std::pair<QByteArray, QList<std::pair<const char *, QString>>> offers[] = {
        {"ConnectionString=" + store.connectionString().toUtf8(), {{"txtDatabaseFile", store.path()}}},
        // A server's fields come filled, and the password is typed, never
        // taken from the file (older files held it in plain text).
        {"ConnectionString=Provider=SQLOLEDB.1;Persist Security Info=False;User ID=clerk;Password=old;"
         "Initial Catalog=shop;Data Source=db.example",
         {{"txtServerName", QStringLiteral("db.example")}, {"txtUserName", QStringLiteral("clerk")},
          {"txtDatabase", QStringLiteral("shop")}, {"txtPassword", QString()}}},
        {"ConnectionString=Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=db.example;Port=5433;"
         "Database=shop;UID=clerk;PWD=old",
         {{"txtPgServer", QStringLiteral("db.example")}, {"txtPgPort", QStringLiteral("5433")},
          {"txtPgUser", QStringLiteral("clerk")}, {"txtPgPassword", QString()}}},
    };
    for (const auto &[line, fields] : offers) {
        window = newWindow();
        window->show();
        prompts.fileAnswers << writeFile(QStringLiteral("offer.imp"), "[Settings]\r\n" + line + "\r\n");
        click("cmdLoad");
        ASSERT_TRUE(dialog()->isVisible()) << line.toStdString();
        for (const auto &[name, value] : fields)
            EXPECT_EQ(field(name)->text(), value) << name;
        EXPECT_EQ(dialog()->focusWidget() == field(fields.last().first), fields.size() > 1);
        EXPECT_TRUE(message().startsWith(QStringLiteral("The settings file names this database.")));
        EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.texts().join(u'\n').toStdString();
    }
    field<QPushButton>("cmdCancel")->click();
    EXPECT_FALSE(window->isConnected());

    // The store the file names connects with one press.
    window = newWindow();
    window->show();
    prompts.fileAnswers << settings;
    click("cmdLoad");
    pressConnect();
    EXPECT_FALSE(dialog()->isVisible());
    expectState(false, false, true, true);
}

QString pgValue(const char *key)
{
    return connectionStringValue(parseConnectionString(qEnvironmentVariable("VXR_TEST_PG_CONNECT")),
                                 QString::fromLatin1(key));
}

// Real failures, each told in its own plain words; the driver's text is kept
// for the details. The PostgreSQL rows need the server the tests are given.
TEST_F(Connection, RealFailuresAreToldInPlainWords)
{
    const QString secret = QStringLiteral("se;cret");
    const QString pg = QStringLiteral("127.0.0.1"), port = pgValue("Port");
    const struct {
        int provider;
        QList<std::pair<const char *, QString>> fields;
        const char *plain;  // the start of what the dialog says
        const char *driver; // in the details
        bool needsServer;
    } failures[] = {
        {ConnectDialog::PostgresProvider,
         {{"txtPgServer", pg}, {"txtPgPort", QStringLiteral("1")}, {"txtPgDatabase", QStringLiteral("store")},
          {"txtPgPassword", secret}},
         "The server did not answer.", "refused", false},
        {ConnectDialog::DsnProvider, {{"cmbDataSource", QStringLiteral("NoSuchShop")}, {"txtDsnPassword", secret}},
         "There is no ODBC data source of that name", "Data source name not found", false},
        {ConnectDialog::PostgresProvider,
         {{"txtPgServer", pg}, {"txtPgPort", port}, {"txtPgDatabase", QStringLiteral("no_such_store")},
          {"txtPgPassword", secret}},
         "The server has no database of that name.", "no_such_store", true},
        {ConnectDialog::PostgresProvider,
         {{"txtPgServer", pg}, {"txtPgPort", port}, {"txtPgDatabase", QStringLiteral("postgres")},
          {"txtPgUser", QStringLiteral("nobody_here")}, {"txtPgPassword", secret}},
         "The server did not accept the user name or the password.", "nobody_here", true},
    };
    openDialog();
    for (const auto &failure : failures) {
        SCOPED_TRACE(failure.plain);
        if (failure.needsServer && !PostgresStore::isConfigured())
            continue;
        chooseProvider(failure.provider);
        // Enter in the field typed last connects, a combo box's too.
        QWidget *last = nullptr;
        for (const auto &[name, value] : failure.fields) {
            if (auto *edit = dialog()->findChild<QLineEdit *>(QString::fromLatin1(name))) {
                edit->setText(value);
                last = edit;
            } else {
                field<QComboBox>(name)->setEditText(value);
                last = field<QComboBox>(name)->lineEdit();
            }
        }
        QTest::keyClick(last, Qt::Key_Return);
        EXPECT_TRUE(dialog()->isVisible());
        EXPECT_TRUE(message().startsWith(QStringLiteral("Could not connect. ") + QString::fromLatin1(failure.plain)))
            << message().toStdString();
        EXPECT_TRUE(details().contains(QString::fromLatin1(failure.driver), Qt::CaseInsensitive))
            << details().toStdString();
        EXPECT_FALSE(details().contains(secret));
        EXPECT_FALSE(window->isConnected());
    }
    if (!PostgresStore::isConfigured())
        GTEST_SKIP() << "the rows that need a PostgreSQL server (VXR_TEST_PG_CONNECT) were left out";
}

} // namespace
} // namespace vxr::test

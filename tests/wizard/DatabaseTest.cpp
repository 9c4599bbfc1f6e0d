#include "WizardFixture.h"

#include "TestStores.h"

#include "database/ConnectionString.h"
#include "database/DbError.h"
#include "wizard/LogViewer.h"
#include "wizard/frmConnect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

namespace vxr::test {
namespace {

class Connection : public WizardTest
{
protected:
    frmConnect *dialog() { return window->connectDialog(); }
    template<typename T = QLineEdit>
    T *field(const char *name)
    {
        T *found = dialog()->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            ADD_FAILURE() << "no dialog field " << name;
        return found;
    }
    void pressConnect() { field<QPushButton>("cmdOK")->click(); }
    void chooseProvider(int provider) { field<QComboBox>("cmbProvider")->setCurrentIndex(provider); }
    // What the dialog says went wrong; empty while it says nothing.
    QString message()
    {
        return field<QFrame>("connectMessage")->isVisible() ? field<QLabel>("lblMessage")->text() : QString();
    }
    QString details() { return field<QPlainTextEdit>("txtDetails")->toPlainText(); }
    void expectState(bool connect, bool text, bool disconnect, bool next)
    {
        EXPECT_EQ(enabled("cmdConnect"), connect);
        EXPECT_EQ(enabled("txtVXRDB"), text);
        EXPECT_EQ(enabled("cmdDisconnect"), disconnect);
        EXPECT_EQ(enabled("cmdNext"), next);
    }
    QString shownConnection() { return control<QLineEdit>("txtVXRDB")->text(); }
    // Connect with the box empty: the dialog comes up, modal.
    void openDialog()
    {
        window->show();
        control<QPushButton>("cmdConnect")->click();
        ASSERT_TRUE(dialog()->isVisible());
        ASSERT_TRUE(dialog()->isModal());
    }

    TempSqliteStore store;
};

TEST_F(Connection, EachKindOfDatabaseShowsItsOwnFieldsAndNamesWhatIsMissing)
{
    openDialog();
    struct Kind
    {
        int provider;
        QList<const char *> shown;
        const char *cleared;
        const char *refusal;
    };
    const QList<const char *> all = {"txtServerName", "txtPassword", "txtPgServer", "txtPgPort",
                                     "txtPgPassword", "cmbDataSource", "txtDsnPassword", "txtDatabaseFile"};
    const Kind kinds[] = {
        {frmConnect::SqlServerProvider, {"txtServerName", "txtPassword"}, "txtServerName", "Must enter a Server Name"},
        {frmConnect::SqlServerProvider, {}, "txtDatabase", "Must enter a Database Name"},
        {frmConnect::PostgresProvider, {"txtPgServer", "txtPgPort", "txtPgPassword"}, "txtPgDatabase",
         "Must enter a Database Name"},
        {frmConnect::DsnProvider, {"cmbDataSource", "txtDsnPassword"}, nullptr, "Must enter a Data Source Name"},
        {frmConnect::SqliteProvider, {"txtDatabaseFile"}, "txtDatabaseFile", "Must enter a Database File"},
    };
    for (const Kind &kind : kinds) {
        chooseProvider(kind.provider);
        for (const char *name : kind.shown)
            EXPECT_TRUE(dialog()->findChild<QWidget *>(QString::fromLatin1(name))->isVisible()) << name;
        for (const char *name : all)
            if (!kind.shown.isEmpty() && !kind.shown.contains(name)) {
                EXPECT_FALSE(dialog()->findChild<QWidget *>(QString::fromLatin1(name))->isVisible()) << name;
            }
        for (QLineEdit *edit : dialog()->findChildren<QLineEdit *>())
            if (edit->objectName().startsWith(QLatin1String("txt")))
                edit->setText(QStringLiteral("1"));
        if (kind.cleared)
            field(kind.cleared)->clear();
        pressConnect();
        EXPECT_EQ(message(), QString::fromLatin1(kind.refusal));
        EXPECT_FALSE(field<QToolButton>("cmdDetails")->isVisible());
        EXPECT_TRUE(dialog()->isVisible());
    }
    for (const QLineEdit *password : dialog()->findChildren<QLineEdit *>())
        if (QByteArray(password->objectName().toLatin1()).contains("Password")) {
            EXPECT_EQ(password->echoMode(), QLineEdit::Password);
        }
    EXPECT_TRUE(shownConnection().isEmpty());
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_FALSE(window->Connection.isOpen());
}

// Whatever the operator types, the dialog's string gives the same values back
// to the parser, and filling a dialog from it shows the same fields again.
class ConnectionFields : public Connection, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(ConnectionFields, SurviveTheConnectionStringBothWays)
{
    const QString v = QString::fromUtf8(GetParam());
    const QList<std::pair<int, QList<const char *>>> forms = {
        {frmConnect::SqlServerProvider, {"txtServerName", "txtUserName", "txtPassword", "txtDatabase"}},
        {frmConnect::PostgresProvider, {"txtPgServer", "txtPgUser", "txtPgPassword", "txtPgDatabase"}},
        {frmConnect::DsnProvider, {"txtDsnUser", "txtDsnPassword"}},
    };
    const auto opener = [](const QString &, int, DbError *) { return false; };
    for (const auto &[provider, names] : forms) {
        chooseProvider(provider);
        for (const char *name : names)
            field(name)->setText(v);
        field<QComboBox>("cmbDataSource")->setEditText(QStringLiteral("Shop"));
        QString problem;
        const QString built = dialog()->builtConnectionString(&problem);
        ASSERT_FALSE(built.isEmpty()) << problem.toStdString();

        frmConnect other(prompts, opener);
        other.fillFrom(built);
        EXPECT_EQ(other.findChild<QComboBox *>(QStringLiteral("cmbProvider"))->currentIndex(), provider);
        for (const char *name : names)
            EXPECT_EQ(other.findChild<QLineEdit *>(QString::fromLatin1(name))->text(), v)
                << name << " from " << built.toStdString();
        QString again;
        EXPECT_EQ(other.builtConnectionString(&again), built);
    }
}

INSTANTIATE_TEST_SUITE_P(Awkward, ConnectionFields,
                         ::testing::Values("pass", "se;cret", "a;b=c", "{brace", "}", "\"q\"", "'a;'", "x y"));

TEST_F(Connection, EnterConnectsThroughTheDialogThenDisconnect)
{
    ASSERT_TRUE(store.isValid());
    openDialog();
    chooseProvider(frmConnect::SqliteProvider);
    field("txtDatabaseFile")->setText(store.path());
    QTest::keyClick(field("txtDatabaseFile"), Qt::Key_Return);
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_TRUE(window->Connection.isOpen());
    EXPECT_EQ(shownConnection(), store.connectionString());
    expectState(false, false, true, true);

    control<QPushButton>("cmdDisconnect")->click();
    EXPECT_FALSE(window->Connection.isOpen());
    EXPECT_TRUE(shownConnection().isEmpty());
    expectState(true, false, false, false);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Connection, AFailedConnectKeepsTheDialogOpenWithTheReasonInside)
{
    ASSERT_TRUE(store.isValid());
    openDialog();
    chooseProvider(frmConnect::SqliteProvider);
    const QString missing = dir.filePath(QStringLiteral("none.db"));
    field("txtDatabaseFile")->setText(missing);
    pressConnect();
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_EQ(message(), QStringLiteral("Could not connect. The database file \"%1\" does not exist.").arg(missing));
    EXPECT_TRUE(details().startsWith(QStringLiteral("Error :-2147467259\n"))) << details().toStdString();
    EXPECT_FALSE(field<QPlainTextEdit>("txtDetails")->isVisible());
    field<QToolButton>("cmdDetails")->click();
    EXPECT_TRUE(field<QPlainTextEdit>("txtDetails")->isVisible());
    EXPECT_TRUE(shownConnection().isEmpty());
    expectState(true, true, false, false);
    EXPECT_TRUE(prompts.messages.isEmpty());

    // Only the wrong value is corrected.
    field("txtDatabaseFile")->setText(store.path());
    pressConnect();
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_TRUE(message().isEmpty());
    EXPECT_TRUE(window->Connection.isOpen());

    // A cancelled dialog leaves Disconnect as the connection is.
    window->cmdDisconnect_Click();
    openDialog();
    field<QPushButton>("cmdCancel")->click();
    EXPECT_FALSE(dialog()->isVisible());
    expectState(true, false, false, false);
}

TEST_F(Connection, AFailedConnectWhileConnectedLeavesNoConnectionAndSaysSo)
{
    ASSERT_TRUE(store.isValid());
    connectTo(store.connectionString());
    ASSERT_TRUE(window->Connection.isOpen());
    // Back on panel 1 the box and Connect are usable again; the box emptied.
    window->ShowPanel(2);
    window->ShowPanel(1);
    control<QLineEdit>("txtVXRDB")->clear();
    openDialog();
    chooseProvider(frmConnect::SqliteProvider);
    field("txtDatabaseFile")->setText(dir.filePath(QStringLiteral("none.db")));
    pressConnect();
    EXPECT_FALSE(message().isEmpty());
    EXPECT_FALSE(window->Connection.isOpen());
    expectState(true, true, false, false);
}

TEST_F(Connection, ATypedStringThatFailsComesBackInTheDialogAndStaysInTheBox)
{
    const QString missing = dir.filePath(QStringLiteral("gone.db"));
    const QString typed = sqliteConnectionString(missing) + QStringLiteral(";Password={se;cret}");
    connectTo(typed);
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_EQ(field<QComboBox>("cmbProvider")->currentIndex(), frmConnect::SqliteProvider);
    EXPECT_EQ(field("txtDatabaseFile")->text(), missing);
    EXPECT_TRUE(message().contains(missing));
    // The password shows nowhere: the details give the string masked.
    EXPECT_TRUE(details().contains(QStringLiteral("Password=****"))) << details().toStdString();
    EXPECT_FALSE(details().contains(QStringLiteral("cret")));
    EXPECT_EQ(window->connectionText(), typed);
    expectState(true, true, false, false);
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Connection, TheBoxShowsThePasswordMaskedAndKeepsItThroughAnEdit)
{
    ASSERT_TRUE(store.isValid());
    const QString typed = store.connectionString() + QStringLiteral(";Password={a;b}");
    connectTo(typed);
    ASSERT_TRUE(window->Connection.isOpen());
    EXPECT_EQ(shownConnection(), store.connectionString() + QStringLiteral(";Password=****"));
    EXPECT_EQ(window->connectionText(), typed);

    // Editing what the box shows keeps the password the mask stands for.
    auto *box = control<QLineEdit>("txtVXRDB");
    box->setText(QStringLiteral("Password=****;") + shownConnection());
    EXPECT_EQ(window->connectionText(), QStringLiteral("Password={a;b};") + typed);
    box->setText(QStringLiteral("Provider=SQLite;Data Source=x;Password=new"));
    EXPECT_EQ(window->connectionText(), box->text());
}

// A settings file names its database without the password; loading it
// without a connection offers that database, asking for the password.
TEST_F(Connection, LoadedSettingsOfferTheirDatabaseAndAskForThePassword)
{
    ASSERT_TRUE(store.isValid());
    connectTo(store.connectionString() + QStringLiteral(";Password={se;cret}"));
    ASSERT_TRUE(window->Connection.isOpen());
    const QString settings = dir.filePath(QStringLiteral("store.imp"));
    prompts.fileAnswers << settings;
    control<QPushButton>("cmdSave")->click();
    ASSERT_TRUE(readTestFile(settings).contains(store.path().toUtf8()));
    EXPECT_FALSE(readTestFile(settings).contains("cret"));
    // Connected already: nothing is offered.
    prompts.fileAnswers << settings;
    control<QPushButton>("cmdLoad")->click();
    EXPECT_FALSE(dialog()->isVisible());

    window = newWindow();
    window->show();
    prompts.fileAnswers << settings;
    control<QPushButton>("cmdLoad")->click();
    ASSERT_TRUE(dialog()->isVisible());
    EXPECT_EQ(field<QComboBox>("cmbProvider")->currentIndex(), frmConnect::SqliteProvider);
    EXPECT_EQ(field("txtDatabaseFile")->text(), store.path());
    EXPECT_TRUE(message().startsWith(QStringLiteral("The settings file names this database."))) << message().toStdString();
    pressConnect();
    EXPECT_FALSE(dialog()->isVisible());
    EXPECT_TRUE(window->Connection.isOpen());
    expectState(false, false, true, true);

    // A server's fields come filled, and the password is typed, never taken
    // from the file (older files held it in plain text).
    const std::pair<const char *, QList<std::pair<const char *, const char *>>> servers[] = {
        {"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=clerk;Password=old;Initial Catalog=shop;"
         "Data Source=db.example",
         {{"txtServerName", "db.example"}, {"txtUserName", "clerk"}, {"txtDatabase", "shop"}, {"txtPassword", ""}}},
        {"Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=db.example;Port=5433;Database=shop;UID=clerk;PWD=old",
         {{"txtPgServer", "db.example"}, {"txtPgPort", "5433"}, {"txtPgUser", "clerk"}, {"txtPgPassword", ""}}},
    };
    for (const auto &[connection, fields] : servers) {
        const QString file = writeFile(QStringLiteral("server.imp"),
                                       QByteArray("[Settings]\r\nConnectionString=") + connection + "\r\n");
        window = newWindow();
        window->show();
        prompts.fileAnswers << file;
        control<QPushButton>("cmdLoad")->click();
        ASSERT_TRUE(dialog()->isVisible()) << connection;
        for (const auto &[name, value] : fields)
            EXPECT_EQ(field(name)->text(), QString::fromLatin1(value)) << name;
        EXPECT_EQ(dialog()->focusWidget(), field(fields.last().first));
        EXPECT_TRUE(message().contains(QStringLiteral("Type the password")));
        field<QPushButton>("cmdCancel")->click();
        EXPECT_FALSE(window->Connection.isOpen());
        EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.texts().join(u'\n').toStdString();
    }
}

// Real failures, each told in its own plain words; the driver's text is kept
// for the details. The PostgreSQL rows need the server the tests are given.
struct Failure
{
    const char *name;
    int provider;
    QList<std::pair<const char *, QString>> fields;
    const char *plain;   // the start of what the dialog says
    const char *driver;  // in the details
    bool needsServer;
};

void PrintTo(const Failure &failure, std::ostream *out)
{
    *out << failure.name;
}

class ConnectionFailures : public Connection, public ::testing::WithParamInterface<Failure>
{
};

QString pgValue(const char *key)
{
    return connectionStringValue(parseConnectionString(qEnvironmentVariable("VXR_TEST_PG_CONNECT")),
                                 QString::fromLatin1(key));
}

TEST_P(ConnectionFailures, AreToldInPlainWords)
{
    const Failure &failure = GetParam();
    if (failure.needsServer && !PostgresStore::isConfigured())
        GTEST_SKIP() << "no PostgreSQL server given (VXR_TEST_PG_CONNECT)";
    openDialog();
    chooseProvider(failure.provider);
    // Enter in the field typed last connects, a combo box's too.
    QWidget *last = nullptr;
    for (const auto &[name, value] : failure.fields) {
        QString text = value;
        text.replace(QStringLiteral("$PORT"), pgValue("Port"));
        if (auto *edit = dialog()->findChild<QLineEdit *>(QString::fromLatin1(name))) {
            edit->setText(text);
            last = edit;
        } else {
            field<QComboBox>(name)->setEditText(text);
            last = field<QComboBox>(name)->lineEdit();
        }
    }
    QTest::keyClick(last, Qt::Key_Return);
    EXPECT_TRUE(dialog()->isVisible());
    EXPECT_TRUE(message().startsWith(QStringLiteral("Could not connect. ") + QString::fromLatin1(failure.plain)))
        << message().toStdString();
    EXPECT_TRUE(details().contains(QString::fromLatin1(failure.driver), Qt::CaseInsensitive))
        << details().toStdString();
    EXPECT_FALSE(details().contains(QStringLiteral("se;cret")));
    EXPECT_FALSE(window->Connection.isOpen());
}

const QString Secret = QStringLiteral("se;cret");

INSTANTIATE_TEST_SUITE_P(
    Real, ConnectionFailures,
    ::testing::Values(
        Failure{"StoppedServer", frmConnect::PostgresProvider,
                {{"txtPgServer", QStringLiteral("127.0.0.1")}, {"txtPgPort", QStringLiteral("1")},
                 {"txtPgDatabase", QStringLiteral("store")}, {"txtPgPassword", Secret}},
                "The server did not answer.", "refused", false},
        Failure{"UnknownDataSource", frmConnect::DsnProvider,
                {{"cmbDataSource", QStringLiteral("NoSuchShop")}, {"txtDsnPassword", Secret}},
                "There is no ODBC data source of that name", "Data source name not found", false},
        Failure{"NoSuchDatabase", frmConnect::PostgresProvider,
                {{"txtPgServer", QStringLiteral("127.0.0.1")}, {"txtPgPort", QStringLiteral("$PORT")},
                 {"txtPgDatabase", QStringLiteral("no_such_store")}, {"txtPgPassword", Secret}},
                "The server has no database of that name.", "no_such_store", true},
        Failure{"UnknownUser", frmConnect::PostgresProvider,
                {{"txtPgServer", QStringLiteral("127.0.0.1")}, {"txtPgPort", QStringLiteral("$PORT")},
                 {"txtPgDatabase", QStringLiteral("postgres")}, {"txtPgUser", QStringLiteral("nobody_here")},
                 {"txtPgPassword", Secret}},
                "The server did not accept the user name or the password.", "nobody_here", true}),
    [](const ::testing::TestParamInfo<Failure> &info) { return std::string(info.param.name); });

TEST_F(Connection, PostgresThroughTheDialogWithAnAwkwardPassword)
{
    if (!PostgresStore::isConfigured())
        GTEST_SKIP() << "no PostgreSQL server given (VXR_TEST_PG_CONNECT)";
    openDialog();
    chooseProvider(frmConnect::PostgresProvider);
    field("txtPgServer")->setText(QStringLiteral("127.0.0.1"));
    field("txtPgPort")->setText(pgValue("Port"));
    field("txtPgUser")->setText(pgValue("Uid"));
    field("txtPgPassword")->setText(QStringLiteral("{se;cret}"));
    field("txtPgDatabase")->setText(QStringLiteral("postgres"));
    QTest::keyClick(field("txtPgDatabase"), Qt::Key_Enter);
    ASSERT_TRUE(window->Connection.isOpen()) << details().toStdString();
    EXPECT_EQ(window->Connection.dialect(), Dialect::PostgreSQL);
    EXPECT_TRUE(shownConnection().endsWith(QStringLiteral(";PWD=****"))) << shownConnection().toStdString();
    EXPECT_EQ(connectionStringValue(parseConnectionString(window->connectionText()), QStringLiteral("PWD")),
              QStringLiteral("{se;cret}"));
}

} // namespace
} // namespace vxr::test

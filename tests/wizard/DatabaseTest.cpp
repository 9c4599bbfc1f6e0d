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
    // The missing file is found before the run starts, so Import stays usable.
    EXPECT_TRUE(enabled("cmdImport"));
}

TEST_F(ImportPanel, ViewLogFileShowsTheLogInTheProgram)
{
    window->cmdViewLogFile_Click(); // no log yet
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains(window->LogPath));
    EXPECT_EQ(window->logViewer(), nullptr);

    // The program's own lines and a raw line of a Windows-1252 file.
    writeFile(QStringLiteral("VUVEDIZE.LOG"), "----\r\nImporting /data/items.csv\r\n[00002 <DUPL>] A1,Caf\xe9 cr\xe8me\r\n");
    window->cmdViewLogFile_Click();
    LogViewer *viewer = window->logViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(viewer->text()->isReadOnly());
    EXPECT_EQ(viewer->text()->toPlainText(),
              QStringLiteral("----\nImporting /data/items.csv\n[00002 <DUPL>] A1,Caf\u00e9 cr\u00e8me\n"));
    EXPECT_TRUE(prompts.opened.isEmpty());

    // A log that grew is read again; the editor stays one button away.
    QFile log(window->LogPath);
    ASSERT_TRUE(log.open(QIODevice::Append));
    log.write("[00003 <-2147217900>] B2\r\n");
    log.close();
    for (QPushButton *button : viewer->findChildren<QPushButton *>()) {
        if (button->text() == QStringLiteral("&Refresh"))
            button->click();
        else if (button->text() == QStringLiteral("Open in &Text Editor"))
            button->click();
    }
    EXPECT_TRUE(viewer->text()->toPlainText().endsWith(QStringLiteral("B2\n")));
    EXPECT_EQ(prompts.opened, QStringList{window->LogPath});
    EXPECT_EQ(prompts.messages.size(), 1);

    QTest::keyClick(viewer->text(), Qt::Key_Escape);
    EXPECT_FALSE(viewer->isVisible());
}

TEST_F(ImportPanel, ALargeLogShowsItsEnd)
{
    QByteArray big;
    const QByteArray line = QByteArray(99, 'x') + '\n';
    while (big.size() < LogViewer::ShownBytes + 1000)
        big += line;
    big += "the last line\n";
    writeFile(QStringLiteral("VUVEDIZE.LOG"), big);
    window->cmdViewLogFile_Click();
    ASSERT_NE(window->logViewer(), nullptr);
    const QString shown = window->logViewer()->text()->toPlainText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("(The start of the log"))) << shown.left(80).toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("the last line\n")));
    EXPECT_LE(shown.size(), LogViewer::ShownBytes + 200);
}

} // namespace
} // namespace vxr::test

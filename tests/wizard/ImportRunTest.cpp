#include "WizardFixture.h"

#include "TestStores.h"

#include "wizard/LogViewer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QElapsedTimer>
#include <QSqlDatabase>

namespace vxr::test {
namespace {

const QList<const char *> ItemFields = {"Item Lookup Code", "Description", "Price"};

// The import panel on a real SQLite store, the wizard shown.
class ImportPanel : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        ASSERT_TRUE(store.isValid()) << store.error().toStdString();
        window->show();
    }
    // Connects (unless connected), names the file, maps positions 1, 2, ...
    // to the fields and moves on to panel 4.
    void prepare(const QString &file, const QList<const char *> &fields = ItemFields)
    {
        if (!window->Connection.isOpen())
            connectTo(store.connectionString());
        ASSERT_TRUE(window->Connection.isOpen());
        control<QLineEdit>("txtFileName")->setText(file);
        window->cmdNext_Click();
        for (const char *name : fields)
            assign(QString::fromLatin1(name));
        window->cmdNext_Click();
        window->cmdNext_Click();
        ASSERT_EQ(window->CurrentPanel, 4);
    }
    void click(const char *name) { QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton); }
    // Imports content with one press of Import and waits for the end.
    void import(const QByteArray &content)
    {
        prepare(writeFile(QStringLiteral("items.csv"), content));
        click("cmdImport");
        ASSERT_TRUE(waitForRun());
    }
    bool waitForRun() { return QTest::qWaitFor([this] { return !window->importRunning(); }, 120000); }
    QString label(const char *name) { return control<QLabel>(name)->text(); }
    qint64 number(const char *name) { return label(name).toLongLong(); }
    qint64 rows(const char *table)
    {
        QSqlQuery query(window->Connection.database());
        EXPECT_TRUE(query.exec(QStringLiteral("SELECT COUNT(*) FROM ") + QString::fromLatin1(table)));
        return query.next() ? query.value(0).toLongLong() : -1;
    }
    // A file of unique items: "C0000001,Item 1,1.95" ...
    QString itemFile(int lines)
    {
        QByteArray content;
        content.reserve(lines * 24);
        for (int i = 1; i <= lines; ++i)
            content += QStringLiteral("C%1,Item %2,%3.95\r\n").arg(i, 7, 10, QLatin1Char('0')).arg(i).arg(i % 90).toLatin1();
        return writeFile(QStringLiteral("many.csv"), content);
    }
    // Starts a run of many lines and waits until it has processed some.
    void startLongRun(int lines)
    {
        prepare(itemFile(lines));
        click("cmdImport");
        ASSERT_TRUE(window->importRunning());
        ASSERT_TRUE(QTest::qWaitFor([this] { return number("lblRecordsProcessed") > 0; }, 60000));
        ASSERT_TRUE(window->importRunning()) << "the run ended before the test could act";
    }

    TempSqliteStore store;
};

TEST_F(ImportPanel, TheWindowStaysResponsiveAndCancelStopsWithAnHonestSummary)
{
    const int lines = 200000;
    startLongRun(lines);
    for (const char *name : {"cmdImport", "cmdTestRun", "cmdBack", "cmdNext"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_TRUE(enabled("cmdCancel"));
    auto *bar = control<QProgressBar>("prgImport");
    EXPECT_TRUE(QTest::qWaitFor([bar] { return bar->value() > 0; }, 30000)) << "the progress bar follows the run";

    // Timers fire and clicks land while the run goes on.
    bool fired = false;
    QTimer::singleShot(10, window.get(), [&fired] { fired = true; });
    EXPECT_TRUE(QTest::qWaitFor([&fired] { return fired; }, 10000));
    click("cmdViewLogFile");
    ASSERT_NE(window->logViewer(), nullptr);
    EXPECT_TRUE(window->logViewer()->isVisible());
    EXPECT_TRUE(window->logViewer()->text()->toPlainText().contains(QStringLiteral("many.csv")));
    // Closing asks first; a No leaves the run going.
    EXPECT_FALSE(window->close());
    EXPECT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->importRunning());

    click("cmdCancel");
    ASSERT_TRUE(waitForRun());
    EXPECT_TRUE(label("lblStatus").startsWith(QStringLiteral("Cancelled at line"))) << label("lblStatus").toStdString();
    ASSERT_TRUE(control("fraSummary")->isVisible());
    const qint64 added = number("lblRowsAdded");
    const qint64 notReached = number("lblLinesNotReached");
    EXPECT_GT(added, 0);
    EXPECT_GT(notReached, 0);
    EXPECT_EQ(added + notReached, lines);
    EXPECT_EQ(number("lblLinesFailed") + number("lblLinesSkipped") + number("lblRowsUpdated"), 0);
    // The store holds exactly what the summary says, and the reject file
    // exactly the lines that are not in it, from the next one on.
    EXPECT_EQ(rows("Item"), added);
    EXPECT_TRUE(label("lblOutcome").startsWith(QStringLiteral("Cancelled after line %1. The %1 row(s)").arg(added)))
        << label("lblOutcome").toStdString();
    const QString reject = control<QLabel>("lblRejectFile")->toolTip();
    const QList<QByteArray> rejected = readTestFile(reject).split('\n');
    EXPECT_EQ(rejected.size() - 1, notReached);
    EXPECT_TRUE(rejected.value(0).startsWith(QStringLiteral("C%1,").arg(added + 1, 7, 10, QLatin1Char('0')).toLatin1()))
        << rejected.value(0).toStdString();
    click("cmdOpenRejectFile");
    EXPECT_EQ(prompts.opened, QStringList{reject});

    for (const char *name : {"cmdImport", "cmdTestRun", "cmdBack"})
        EXPECT_TRUE(enabled(name)) << name;
    EXPECT_FALSE(enabled("cmdCancel"));
    EXPECT_TRUE(window->Connection.isOpen()) << "the run used a connection of its own";
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.texts().join(u'\n').toStdString();
}

TEST_F(ImportPanel, ExitDuringARunCancelsItAndClosesOnceItHasStopped)
{
    startLongRun(200000);
    prompts.answerYes = true;
    click("cmdExit");
    EXPECT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(window->isVisible()) << "the window waits for the run to stop";
    click("cmdExit"); // asked once
    EXPECT_EQ(prompts.questions.size(), 1);
    ASSERT_TRUE(waitForRun());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 5000));
    EXPECT_TRUE(label("lblStatus").startsWith(QStringLiteral("Cancelled at line")));
    EXPECT_EQ(rows("Item"), number("lblRowsAdded"));
    EXPECT_GT(number("lblLinesNotReached"), 0);
}

// A run waiting for a lock another program holds keeps the window usable,
// says it is not moving, and gives way to Cancel at once.
TEST_F(ImportPanel, CancelCutsShortAWaitForALock)
{
    prepare(writeFile(QStringLiteral("items.csv"), "A1,Mug,7.95\r\nB2,Teapot,21.5\r\n"));
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock-holder"));
        holder.setDatabaseName(store.path());
        ASSERT_TRUE(holder.open());
        QSqlQuery lock(holder);
        ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
        ASSERT_TRUE(lock.exec(QStringLiteral("INSERT INTO Department (Name) VALUES ('held')")));

        click("cmdImport");
        ASSERT_TRUE(QTest::qWaitFor([this] { return label("lblStatus") == QStringLiteral("Importing..."); }, 10000));
        // The run's connection waits up to the connect time-out (15 s) for
        // the lock; the window goes on, and the pace says nothing moves.
        bool fired = false;
        QTimer::singleShot(1500, window.get(), [&fired] { fired = true; });
        EXPECT_TRUE(QTest::qWaitFor([&fired] { return fired; }, 10000));
        ASSERT_TRUE(window->importRunning());
        EXPECT_EQ(label("lblTimeLeft"), QStringLiteral("Estimating..."));
        QElapsedTimer clock;
        clock.start();
        click("cmdCancel");
        ASSERT_TRUE(waitForRun());
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("lock-holder"));
    EXPECT_TRUE(label("lblStatus").startsWith(QStringLiteral("Cancelled at line"))) << label("lblStatus").toStdString();
    EXPECT_EQ(number("lblRowsAdded"), 0);
    EXPECT_EQ(number("lblLinesNotReached"), 2);
    EXPECT_EQ(rows("Item"), 0);
    EXPECT_EQ(rows("Department"), 0);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.texts().join(u'\n').toStdString();
}

// Import and Test Run name what is missing and start nothing.
struct Refusal
{
    const char *name;
    int table; // entry of the table list
    QList<const char *> fields;
    const char *message;
};

void PrintTo(const Refusal &refusal, std::ostream *out)
{
    *out << refusal.name;
}

class Refusals : public ImportPanel, public ::testing::WithParamInterface<Refusal>
{
};

TEST_P(Refusals, NameWhatIsMissing)
{
    const Refusal &refusal = GetParam();
    control<QComboBox>("cmbTable")->setCurrentIndex(refusal.table);
    prepare(writeFile(QStringLiteral("items.csv"), "A1,Mug,7.95\r\n"), refusal.fields);
    for (const char *button : {"cmdImport", "cmdTestRun"}) {
        prompts.messages.clear();
        click(button);
        EXPECT_FALSE(window->importRunning());
        ASSERT_EQ(prompts.messages.size(), 1) << button;
        EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
        EXPECT_EQ(prompts.messages[0].text, QString::fromUtf8(refusal.message)) << button;
    }
    EXPECT_FALSE(QFile::exists(window->LogPath));
    EXPECT_EQ(label("lblStatus"), QStringLiteral("None"));
}

INSTANTIATE_TEST_SUITE_P(
    Missing, Refusals,
    ::testing::Values(
        Refusal{"NothingMapped", 0, {}, "No text position is mapped to a field."},
        Refusal{"ItemKey", 0, {"Description", "Price"},
                "The key field \"Item Lookup Code\" of Inventory is not mapped to a text position."},
        Refusal{"CustomerKey", 1, {"Last Name"},
                "The key field \"Account Number\" of Customers is not mapped to a text position."}),
    [](const ::testing::TestParamInfo<Refusal> &info) { return std::string(info.param.name); });

TEST_F(ImportPanel, ATestRunStoresNothingThenImportStores)
{
    prepare(writeFile(QStringLiteral("items.csv"), "A1,Mug,7.95\r\nB2,Teapot,21.5\r\nA1,Mug again,8\r\n"));
    click("cmdTestRun");
    ASSERT_TRUE(waitForRun());
    EXPECT_EQ(label("lblStatus"), QStringLiteral("Test run complete: nothing stored"));
    EXPECT_EQ(control<QGroupBox>("fraSummary")->title(), QStringLiteral("Test run summary"));
    EXPECT_EQ(number("lblRowsAdded"), 2);
    EXPECT_EQ(number("lblLinesFailed"), 1);
    EXPECT_EQ(rows("Item"), 0);
    EXPECT_TRUE(label("lblOutcome").startsWith(QStringLiteral("Test run: nothing was stored.")));

    // What the test run showed is what the import does.
    click("cmdImport");
    ASSERT_TRUE(waitForRun());
    EXPECT_EQ(label("lblStatus"), QStringLiteral("Complete"));
    EXPECT_EQ(control<QGroupBox>("fraSummary")->title(), QStringLiteral("Import summary"));
    EXPECT_EQ(number("lblRowsAdded"), 2);
    EXPECT_EQ(rows("Item"), 2);
}

TEST_F(ImportPanel, ImportsTheFileAndShowsWhatHappenedOnThePanel)
{
    control<QCheckBox>("chkSkipFirstLine")->setChecked(true);
    import("Code,Name,Price\r\nA1,Mug,7.95\r\nB2,Teapot,21.5\r\nA1,Mug again,8\r\n");
    EXPECT_EQ(label("lblStatus"), QStringLiteral("Complete"));
    EXPECT_EQ(label("lblRecordsProcessed"), QStringLiteral("4"));
    EXPECT_EQ(label("lblPercentCompleted"), QStringLiteral("100%"));
    EXPECT_EQ(label("lblErrorsEncountered"), QStringLiteral("1"));
    EXPECT_EQ(control<QProgressBar>("prgImport")->value(), control<QProgressBar>("prgImport")->maximum());
    const QList<std::pair<const char *, qint64>> counts = {
        {"lblRowsAdded", 2}, {"lblRowsUpdated", 0}, {"lblLinesSkipped", 1}, {"lblLinesFailed", 1},
        {"lblLinesNotReached", 0}};
    for (const auto &[name, count] : counts)
        EXPECT_EQ(number(name), count) << name;
    EXPECT_EQ(rows("Item"), 2);
    EXPECT_TRUE(prompts.messages.isEmpty()) << "the summary is on the panel, not in a message box";

    EXPECT_TRUE(readTestFile(window->LogPath).contains("[00004 <DUPL>] A1,Mug again,8"));
    // The failed line is in the reject file, after the skipped first line.
    const QString reject = control<QLabel>("lblRejectFile")->toolTip();
    EXPECT_TRUE(control("cmdOpenRejectFile")->isVisible());
    EXPECT_EQ(readTestFile(reject), QByteArray("Code,Name,Price\r\nA1,Mug again,8\r\n"));
    click("cmdOpenLog");
    ASSERT_NE(window->logViewer(), nullptr);
    EXPECT_TRUE(window->logViewer()->isVisible());
}

TEST_F(ImportPanel, WithoutTheDuplicateOptionAnItemIsUpdatedAndNoRejectFileIsOffered)
{
    control<QCheckBox>("chkDuplicate")->setChecked(false);
    import("A1,Mug,7.95\r\nA1,Mug again,8\r\n");
    EXPECT_EQ(label("lblErrorsEncountered"), QStringLiteral("0"));
    EXPECT_EQ(number("lblRowsUpdated"), 1);
    EXPECT_FALSE(control("cmdOpenRejectFile")->isVisible());
    EXPECT_FALSE(control("lblRejectFile")->isVisible());
}

TEST_F(ImportPanel, NewImportKeepsTheConnectionAndASecondImportWorks)
{
    import("A1,Mug,7.95\r\nB2,Teapot,21.5\r\n");
    EXPECT_EQ(rows("Item"), 2);
    click("cmdNewImport");
    EXPECT_EQ(window->CurrentPanel, 1);
    EXPECT_TRUE(control("frmPanel1")->isVisible());
    EXPECT_TRUE(window->Connection.isOpen());
    for (const char *name : {"cmdNext", "cmdDisconnect"})
        EXPECT_TRUE(enabled(name)) << name;
    for (const char *name : {"cmdConnect", "cmdBack"})
        EXPECT_FALSE(enabled(name)) << name;
    EXPECT_TRUE(control<QLineEdit>("txtFileName")->text().isEmpty());
    EXPECT_TRUE(control<QLineEdit>("txtLoadSettings")->text().isEmpty());
    for (int row = 1; row <= MappingRows; ++row)
        EXPECT_TRUE(window->gridText(row, frmMain::GridIdColumn).isEmpty()) << row;
    EXPECT_EQ(label("lblStatus"), QStringLiteral("None"));
    EXPECT_FALSE(control("fraSummary")->isVisibleTo(window.get()));

    import("C3,Jug,12\r\n");
    EXPECT_EQ(label("lblStatus"), QStringLiteral("Complete"));
    EXPECT_EQ(number("lblRowsAdded"), 1);
    EXPECT_EQ(rows("Item"), 3);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.texts().join(u'\n').toStdString();
}

TEST_F(ImportPanel, ARunWhoseFileWentMissingIsRefusedAndImportStaysUsable)
{
    const QString file = writeFile(QStringLiteral("items.csv"), "A1,Mug,7.95\r\n");
    prepare(file);
    ASSERT_TRUE(QFile::remove(file));
    click("cmdImport");
    EXPECT_FALSE(window->importRunning());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
    EXPECT_NE(label("lblStatus"), QStringLiteral("Complete"));
    EXPECT_TRUE(enabled("cmdImport"));
}

TEST_F(ImportPanel, ARunThatCannotOpenTheStoreFailsOnThePanelAndSaysSoOnce)
{
    prepare(writeFile(QStringLiteral("items.csv"), "A1,Mug,7.95\r\n"));
    // The run opens its own connection: a store gone since the window
    // connected fails it, and the window's connection is left as it was.
    ASSERT_TRUE(QFile::rename(store.path(), store.path() + QStringLiteral(".moved")));
    click("cmdImport");
    ASSERT_TRUE(waitForRun());
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("The import failed: the database cannot be opened")))
        << prompts.messages[0].text.toStdString();
    EXPECT_TRUE(label("lblStatus").startsWith(QStringLiteral("Failed: ")));
    EXPECT_TRUE(label("lblOutcome").endsWith(QStringLiteral("Nothing was stored."))) << label("lblOutcome").toStdString();
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

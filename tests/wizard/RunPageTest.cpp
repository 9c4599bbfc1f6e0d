#include "WizardFixture.h"

#include "wizard/LogViewer.h"
#include "wizard/RunPage.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace vxr::test {
namespace {

// The import panel on a real SQLite store, the wizard shown.
class ImportPanel : public WizardTest
{
protected:
    // Connects (unless connected), names the file, maps positions 1 to 3 to
    // the item's key, description and price, and moves on to panel 4.
    void prepare(const QByteArray &content)
    {
        if (!window->isConnected())
            connectWithFile(content);
        else
            type("txtFileName", writeFile(QStringLiteral("items.csv"), content));
        window->show();
        goToPanel(2);
        for (const char *name : {"Item Lookup Code", "Description", "Price"})
            assign(QString::fromLatin1(name));
        goToPanel(4);
    }
    // Imports content with one press of Import and waits for the end.
    void import(const QByteArray &content)
    {
        prepare(content);
        click("cmdImport");
        ASSERT_TRUE(waitForRun());
    }
    bool waitForRun() { return QTest::qWaitFor([this] { return !window->importRunning(); }, 120000); }
    QString label(const char *name) { return control<QLabel>(name)->text(); }
    qint64 number(const char *name) { return label(name).toLongLong(); }
    // Starts a run of many unique items and waits until it has processed some.
    void startLongRun(int lines)
    {
        QByteArray content;
        for (int i = 1; i <= lines; ++i)
            content += QStringLiteral("C%1,Item %2,%3.95\r\n").arg(i, 7, 10, QLatin1Char('0')).arg(i).arg(i % 90).toLatin1();
        prepare(content);
        click("cmdImport");
        ASSERT_TRUE(window->importRunning());
        ASSERT_TRUE(QTest::qWaitFor([this] { return number("lblRecordsProcessed") > 0; }, 60000));
        ASSERT_TRUE(window->importRunning()) << "the run ended before the test could act";
    }
};

TEST_F(ImportPanel, TheWindowStaysResponsiveAndCancelStopsWithAnHonestSummary)
{
    const int lines = 200000;
    startLongRun(lines);
    EXPECT_EQ(enabledOf({"cmdImport", "cmdTestRun", "cmdBack", "cmdNext", "cmdCancel"}), "cmdCancel");
    auto *bar = control<QProgressBar>("prgImport");
    EXPECT_TRUE(QTest::qWaitFor([bar] { return bar->value() > 0; }, 30000)) << "the progress bar follows the run";
    EXPECT_TRUE(QTest::qWaitFor([this] { return label("lblLinesPerSecond").toLongLong() > 0; }, 30000));

    // Timers fire and clicks land while the run goes on.
    bool fired = false;
    QTimer::singleShot(10, window.get(), [&fired] { fired = true; });
    EXPECT_TRUE(QTest::qWaitFor([&fired] { return fired; }, 10000));
    click("cmdViewLogFile");
    ASSERT_NE(window->logViewer(), nullptr);
    EXPECT_TRUE(window->logViewer()->isVisible());
    // Closing asks first; a No leaves the run going.
    EXPECT_FALSE(window->close());
    EXPECT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->importRunning());

    QTest::mouseClick(control<QPushButton>("cmdCancel"), Qt::LeftButton);
    ASSERT_TRUE(waitForRun());
    EXPECT_TRUE(label("lblStatus").startsWith(QStringLiteral("Cancelled at line"))) << label("lblStatus").toStdString();
    ASSERT_TRUE(control("fraSummary")->isVisible());
    const qint64 added = number("lblRowsAdded");
    EXPECT_GT(added, 0);
    EXPECT_EQ(added + number("lblLinesNotReached"), lines);
    EXPECT_TRUE(label("lblOutcome").startsWith(QStringLiteral("Cancelled after line %1.").arg(added)))
        << label("lblOutcome").toStdString();
    EXPECT_EQ(label("lblTimeLeft"), QStringLiteral("None"));
    // The lines not reached are in the reject file, one click away.
    const QString reject = control<QLabel>("lblRejectFile")->toolTip();
    EXPECT_TRUE(QFileInfo(reject).isFile()) << reject.toStdString();
    click("cmdOpenRejectFile");
    EXPECT_EQ(prompts.opened, QStringList{reject});

    EXPECT_EQ(enabledOf({"cmdImport", "cmdTestRun", "cmdBack", "cmdCancel"}), "cmdImport cmdTestRun cmdBack");
    EXPECT_TRUE(window->isConnected()) << "the run used a connection of its own";
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
}

TEST_F(ImportPanel, ATestRunThenAnImportShowWhatHappenedOnThePanel)
{
    prepare("Code,Name,Price\r\nA1,Mug,7.95\r\nB2,Teapot,21.5\r\nA1,Mug again,8\r\n");
    click("cmdBack");
    click("chkSkipFirstLine");
    click("cmdNext");
    const struct { const char *button, *status, *title, *outcome; } runs[] = {
        {"cmdTestRun", "Test run complete: nothing stored", "Test run summary", "Test run: nothing was stored."},
        {"cmdImport", "Complete", "Import summary", "The import is complete"},
    };
    for (const auto &run : runs) {
        click(run.button);
        ASSERT_TRUE(waitForRun());
        EXPECT_EQ(label("lblStatus"), QString::fromLatin1(run.status));
        EXPECT_EQ(control<QGroupBox>("fraSummary")->title(), QString::fromLatin1(run.title));
        EXPECT_TRUE(label("lblOutcome").startsWith(QString::fromLatin1(run.outcome))) << label("lblOutcome").toStdString();
        const std::pair<const char *, const char *> labels[] = {
            {"lblRecordsProcessed", "4"}, {"lblPercentCompleted", "100%"}, {"lblErrorsEncountered", "1"},
            {"lblRowsAdded", "2"}, {"lblRowsUpdated", "0"}, {"lblLinesSkipped", "1"}, {"lblLinesFailed", "1"},
            {"lblLinesNotReached", "0"}};
        for (const auto &[name, text] : labels)
            EXPECT_EQ(label(name), QString::fromLatin1(text)) << run.button << " " << name;
        EXPECT_EQ(control<QProgressBar>("prgImport")->value(), control<QProgressBar>("prgImport")->maximum());
        EXPECT_TRUE(control("cmdOpenRejectFile")->isVisible());
    }
    EXPECT_TRUE(prompts.messages.isEmpty()) << "the summary is on the panel, not in a message box";
    click("cmdOpenLog");
    ASSERT_NE(window->logViewer(), nullptr);
    EXPECT_TRUE(window->logViewer()->isVisible());
}

TEST_F(ImportPanel, NewImportKeepsTheConnectionAndASecondImportWorks)
{
    import("A1,Mug,7.95\r\nB2,Teapot,21.5\r\n");
    EXPECT_FALSE(control("cmdOpenRejectFile")->isVisible()) << "no line failed: no reject file";
    click("cmdNewImport");
    EXPECT_EQ(window->currentPanel(), 1);
    EXPECT_TRUE(window->isConnected());
    EXPECT_EQ(enabledOf({"cmdNext", "cmdDisconnect", "cmdConnect", "cmdBack"}), "cmdNext cmdDisconnect");
    EXPECT_TRUE(control<QLineEdit>("txtFileName")->text().isEmpty());
    EXPECT_TRUE(control<QLineEdit>("txtLoadSettings")->text().isEmpty());
    EXPECT_TRUE(setup().textFile.isEmpty());
    EXPECT_FALSE(setup().hasMapping());
    EXPECT_EQ(label("lblStatus"), QStringLiteral("None"));
    EXPECT_FALSE(control("fraSummary")->isVisibleTo(window.get()));

    import("C3,Jug,12\r\n");
    EXPECT_EQ(label("lblStatus"), QStringLiteral("Complete"));
    EXPECT_EQ(number("lblRowsAdded"), 1);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.texts().join(u'\n').toStdString();
}

TEST_F(ImportPanel, ARunThatCannotOpenTheStoreFailsOnThePanelAndSaysSoOnce)
{
    prepare("A1,Mug,7.95\r\n");
    // The run opens its own connection: a store gone since the window
    // connected fails it, and the window's connection is left as it was.
    ASSERT_TRUE(QFile::rename(store.path(), store.path() + QStringLiteral(".moved")));
    click("cmdImport");
    ASSERT_TRUE(waitForRun());
    EXPECT_TRUE(prompts.takeOne().startsWith(QStringLiteral("The import failed: the database cannot be opened")));
    EXPECT_TRUE(label("lblStatus").startsWith(QStringLiteral("Failed: ")));
    EXPECT_TRUE(label("lblOutcome").endsWith(QStringLiteral("Nothing was stored."))) << label("lblOutcome").toStdString();
    EXPECT_TRUE(enabled("cmdImport"));
}

// The summary shows a run's problems by line and names its report; one click
// on Use Strict Values ticks the option on panel 1, and the next run fails the
// line instead of storing 0.
TEST_F(ImportPanel, TheSummaryListsProblemsByLineAndSwitchesToStrictValuesInOneClick)
{
    prepare("A1,Mug,abc\r\nB2,A description far longer than its column,2\r\n");
    const auto testRun = [this] {
        click("cmdTestRun");
        EXPECT_TRUE(waitForRun());
        return label("lblProblems");
    };
    const QString path = QFileInfo(setup().textFile).dir().filePath(QStringLiteral("items.test-problems.csv"));
    EXPECT_EQ(testRun(), QStringLiteral("Line 1, Price \"abc\": No number: stored as 0.\n"
                                        "Line 2, Description \"A description far longer than its column\": Longer "
                                        "than its column: cut to 30 characters.\nThe problems report ")
                             + QDir::toNativeSeparators(path) + QStringLiteral(" lists them."));
    ASSERT_TRUE(control("cmdStrictValues")->isVisible());
    click("cmdOpenProblems");
    EXPECT_EQ(prompts.opened, QStringList({path}));

    click("cmdStrictValues");
    EXPECT_TRUE(setup().strictValues);
    EXPECT_TRUE(control<QCheckBox>("chkStrict")->isChecked()) << "panel 1 shows the switch";
    EXPECT_FALSE(control("cmdStrictValues")->isVisible());
    EXPECT_TRUE(testRun().startsWith(QStringLiteral("Line 1, Price \"abc\": Failed (error 3421): A value cannot be read")));
    EXPECT_FALSE(control("cmdStrictValues")->isVisible());
}

TEST_F(ImportPanel, ViewLogFileShowsTheLogInTheProgram)
{
    const QString log = setup().logPath;
    window->show();
    window->runPage()->onViewLogClicked(); // no log yet
    EXPECT_TRUE(prompts.takeOne(MessageKind::Information).contains(log));
    EXPECT_EQ(window->logViewer(), nullptr);

    // The program's own lines and a raw line of a Windows-1252 file.
    writeFile(QStringLiteral("VUVEDIZE.LOG"), "----\r\nImporting /data/items.csv\r\n[00002 <DUPL>] A1,Caf\xe9 cr\xe8me\r\n");
    window->runPage()->onViewLogClicked();
    LogViewer *viewer = window->logViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(viewer->text()->isReadOnly());
    EXPECT_EQ(viewer->text()->toPlainText(),
              QStringLiteral("----\nImporting /data/items.csv\n[00002 <DUPL>] A1,Caf\u00e9 cr\u00e8me\n"));

    // A log that grew is read again; the editor stays one button away.
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("[00003 <-2147217900>] B2\r\n");
    file.close();
    const auto press = [viewer](const char *caption) {
        for (QPushButton *button : viewer->findChildren<QPushButton *>())
            if (button->text() == QLatin1String(caption))
                button->click();
    };
    press("&Refresh");
    press("Open in &Text Editor");
    EXPECT_TRUE(viewer->text()->toPlainText().endsWith(QStringLiteral("B2\n")));
    EXPECT_EQ(prompts.opened, QStringList{log});

    // Of a large log, its end is shown.
    QByteArray big;
    while (big.size() < LogViewer::ShownBytes + 1000)
        big += QByteArray(99, 'x') + '\n';
    writeFile(QStringLiteral("VUVEDIZE.LOG"), big + "the last line\n");
    press("&Refresh");
    const QString shown = viewer->text()->toPlainText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("(The start of the log"))) << shown.left(80).toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("the last line\n")));
    EXPECT_LE(shown.size(), LogViewer::ShownBytes + 200);
    EXPECT_TRUE(prompts.messages.isEmpty());

    QTest::keyClick(viewer->text(), Qt::Key_Escape);
    EXPECT_FALSE(viewer->isVisible());
}

} // namespace
} // namespace vxr::test

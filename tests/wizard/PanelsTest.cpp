#include "WizardFixture.h"

#include "wizard/ManualLocation.h"
#include "wizard/VersionText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QApplication>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

namespace vxr::test {
namespace {

TEST(VersionText, RevisionLetterRule)
{
    EXPECT_EQ(VersionText(1, 5, 0), QStringLiteral("1.05 beta"));
    EXPECT_EQ(VersionText(1, 5, 6), QStringLiteral("1.056 beta"));
    EXPECT_EQ(VersionText(1, 5, 12), QStringLiteral("1.0512 beta"));
}

TEST_F(WizardTest, FirstStateOfTheWindowAndThePanelOneOptions)
{
    EXPECT_EQ(control<QLabel>("lblVersion")->text(), QStringLiteral("1.05e beta"));
    window->show();
    EXPECT_TRUE(control("frmPanel1")->isVisible());
    for (const char *off : {"cmdNext", "cmdBack", "cmdDisconnect", "lstFields"})
        EXPECT_FALSE(enabled(off)) << off;
    EXPECT_TRUE(enabled("cmdConnect"));
    EXPECT_EQ(control<QComboBox>("cmbTable")->currentText(), QStringLiteral("Inventory"));
    EXPECT_EQ(window->Reader.DelimiterCode, 44);
    control<QCheckBox>("chkQuote")->click();
    control<QCheckBox>("chkDuplicate")->click();
    EXPECT_FALSE(window->Reader.QuotesAsDelimiters);
    EXPECT_FALSE(window->DuplicatesAsErrors);
    auto *delimiters = control<QComboBox>("cmbDelimiter");
    delimiters->setCurrentIndex(delimiters->findText(QStringLiteral("TAB")));
    EXPECT_EQ(window->Reader.DelimiterCode, 9);
}

TEST_F(WizardTest, BrowseStartsFromTheTypedNameAndCancelKeepsIt)
{
    auto *fileName = control<QLineEdit>("txtFileName");
    auto *browse = control<QPushButton>("cmdBrowse");
    browse->click(); // cancelled with nothing typed
    EXPECT_TRUE(fileName->text().isEmpty());
    prompts.fileAnswers << QStringLiteral("/data/items.csv");
    browse->click();
    browse->click(); // cancelled
    EXPECT_EQ(prompts.openInitials.last(), QStringLiteral("/data/items.csv"));
    EXPECT_EQ(fileName->text(), QStringLiteral("/data/items.csv"));
}

TEST_F(WizardTest, HelpShowsTheManualOnScreenAndEscapeClosesIt)
{
    window->HelpPath = dir.filePath(QStringLiteral("missing.html"));
    control<QPushButton>("cmdHelp")->click();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains(window->HelpPath));

    // The wizard near the screen's bottom right corner.
    const QRect screen = window->screen()->availableGeometry();
    window->show();
    window->move(screen.right() - 200, screen.bottom() - 150);
    window->HelpPath = sourcePath(QStringLiteral("docs/help/Vexaro Import.html"));
    control<QPushButton>("cmdHelp")->click();
    HelpWindow *help = window->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->browser()->toPlainText().contains(QStringLiteral("vxrimp import")));
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(screen.contains(help->frameGeometry()));
    QTest::keyClick(help->browser(), Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

// The manual beside the program (its build tree), in share/vxrimp/ of the
// prefix it is installed in, or in the user's data folder.
TEST(ManualLocation, IsFoundWhereverItIsInstalled)
{
    QTemporaryDir dir;
    const ScopedDataHome dataHome(dir.filePath(QStringLiteral("data")));
    const auto place = [&dir](const QString &folder) {
        QDir().mkpath(dir.filePath(folder));
        const QString path = dir.filePath(folder + u'/' + manualFileName());
        EXPECT_TRUE(writeTestFile(path, "<html></html>"));
        return path;
    };
    const QString prefixBin = dir.filePath(QStringLiteral("prefix/bin"));
    QDir().mkpath(prefixBin);
    EXPECT_EQ(manualPath(prefixBin), dir.filePath(QStringLiteral("prefix/bin/")) + manualFileName())
        << "not found: the first place looked";
    const QString inData = place(QStringLiteral("data/vxrimp"));
    EXPECT_EQ(manualPath(prefixBin), inData);
    const QString inShare = place(QStringLiteral("prefix/share/vxrimp"));
    EXPECT_EQ(manualPath(prefixBin), inShare);
    EXPECT_EQ(manualPath(dir.filePath(QStringLiteral("prefix/bin/../bin"))), inShare);
    const QString beside = place(QStringLiteral("prefix/bin"));
    EXPECT_EQ(manualPath(prefixBin), beside);
}

TEST_F(WizardTest, TheDisclaimerCanBeHiddenForGood)
{
    // Shown at the next start while the box was left unchecked.
    window = newWindow(1);
    prompts.hideDisclaimer = true;
    window = newWindow(1);
    window = newWindow(0);
    window = newWindow(0);
    // Another user (another settings folder) sees it again.
    QTemporaryDir other;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, other.path());
    window = newWindow(1);
}

// Tab visits the controls of the panel on show in reading order (top to
// bottom, left to right), then the window's buttons, and nothing hidden or
// disabled; it neither stops on the other panels nor gets lost in a grid.
TEST_F(WizardTest, TabGoesThroughWhatIsShownInReadingOrder)
{
    QLineEdit *fileName = control<QLineEdit>("txtFileName");
    fileName->setText(writeFile(QStringLiteral("items.csv"), "1001,Mug\r\n"));
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (int panel = 1; panel <= 4; ++panel) {
        window->ShowPanel(panel);
        window->CurrentPanel = panel;
        QWidget *start = control("cmdExit");
        start->setFocus();
        QList<QWidget *> visited;
        for (int step = 0; step < 40; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget *now = QApplication::focusWidget();
            if (now == start)
                break;
            visited << now;
        }
        ASSERT_EQ(QApplication::focusWidget(), start) << "panel " << panel << ": Tab does not come round";
        QStringList names;
        for (QWidget *w : visited)
            names << w->objectName();
        QPoint previous(-1, -1);
        for (QWidget *w : visited) {
            EXPECT_TRUE(w->isVisible() && w->isEnabled()) << w->objectName().toStdString();
            const QPoint at = w->mapTo(window.get(), QPoint(0, 0));
            const bool later = at.y() > previous.y() + 8 || (std::abs(at.y() - previous.y()) <= 8 && at.x() > previous.x());
            EXPECT_TRUE(later) << "panel " << panel << ": " << names.join(u' ').toStdString();
            previous = at;
        }
        EXPECT_TRUE(names.contains(QStringLiteral("cmdHelp"))) << names.join(u' ').toStdString();
    }
}

const QString InvalidFile = QStringLiteral("Invalid File Name.  Please make sure this file exists.");

class Navigation : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        textFile = writeFile(QStringLiteral("items.csv"), "1001,Mug,3.20\r\n");
        control<QLineEdit>("txtFileName")->setText(textFile);
        window->show();
    }
    // The panels are stacked, so the current one is the only one on show.
    void expectOnlyPanelVisible(int panel)
    {
        EXPECT_EQ(window->CurrentPanel, panel);
        EXPECT_TRUE(control(("frmPanel" + QByteArray::number(panel)).constData())->isVisible()) << panel;
    }

    QString textFile;
};

TEST_F(Navigation, NextRefusesAMissingFileOrTable)
{
    auto *fileName = control<QLineEdit>("txtFileName");
    for (const QString &bad : {QStringLiteral("   "), dir.filePath(QStringLiteral("nothing.csv")), dir.path()}) {
        prompts.messages.clear();
        fileName->setText(bad);
        window->cmdNext_Click();
        EXPECT_EQ(prompts.texts(), QStringList{InvalidFile}) << bad.toStdString();
        expectOnlyPanelVisible(1);
    }
    prompts.messages.clear();
    fileName->setText(textFile);
    control<QComboBox>("cmbTable")->setCurrentIndex(-1);
    window->cmdNext_Click();
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("You must select a Destination Table.")});
    expectOnlyPanelVisible(1);
}

TEST_F(Navigation, EachPanelEnablesItsOwnControlsAndNextChecksTheFileAgain)
{
    struct Expect
    {
        int panel;
        QList<const char *> on, off;
    };
    const QList<Expect> steps = {
        {2, {"cmdBack", "cmdNext", "MSFlexGrid1", "lstFields", "cmdConnect", "txtVXRDB"},
         {"cmdDisconnect", "txtFileName", "cmbTable", "chkSkipFirstLine"}},
        {3, {"chkSkipFirstLine", "msflexpreview"}, {"MSFlexGrid1", "lstFields", "cmdImport"}},
        {4, {"cmdBack", "cmdImport", "cmdViewLogFile", "cmdSave"}, {"cmdNext", "chkSkipFirstLine"}},
    };
    for (const Expect &step : steps) {
        if (step.panel == 3)
            control<QTableWidget>("MSFlexGrid1")->setCurrentCell(9, 0);
        window->cmdNext_Click();
        expectOnlyPanelVisible(step.panel);
        for (const char *name : step.on)
            EXPECT_TRUE(enabled(name)) << "panel " << step.panel << " " << name;
        for (const char *name : step.off)
            EXPECT_FALSE(enabled(name)) << "panel " << step.panel << " " << name;
    }
    EXPECT_TRUE(prompts.messages.isEmpty());

    window->cmdBack_Click();
    window->cmdBack_Click();
    EXPECT_EQ(window->gridRow(), 1); // entering the mapping panel selects row 1

    // A file removed after panel 1 is noticed by the next Next; Back still works.
    ASSERT_TRUE(QFile::remove(textFile));
    window->cmdNext_Click();
    EXPECT_EQ(prompts.texts(), QStringList{InvalidFile});
    expectOnlyPanelVisible(2);
    window->cmdBack_Click();
    window->cmdBack_Click(); // stays on the first panel
    expectOnlyPanelVisible(1);
    for (const char *name : {"cmdConnect", "cmdDisconnect", "cmdNext", "txtFileName"})
        EXPECT_TRUE(enabled(name)) << name;
    EXPECT_FALSE(enabled("cmdBack"));
}

} // namespace
} // namespace vxr::test

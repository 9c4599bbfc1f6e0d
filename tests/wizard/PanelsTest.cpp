#include "TestWorkbook.h"
#include "WizardFixture.h"

#include "wizard/HelpWindow.h"
#include "wizard/ManualLocation.h"
#include "wizard/VersionText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>

#include "catalogue/TableCatalogue.h"

#include <functional>

namespace vxr::test {
namespace {

TEST(VersionText, RevisionLetterRule)
{
    const struct { int revision; const char *text; } cases[] = {
        {0, "1.05 beta"}, {1, "1.05a beta"}, {5, "1.05e beta"}, {6, "1.056 beta"}, {12, "1.0512 beta"}};
    for (const auto &c : cases)
        EXPECT_EQ(versionText(1, 5, c.revision), QString::fromLatin1(c.text));
}

// The manual beside the program (its build tree), in share/vxrimp/ of the
// prefix it is installed in, or in the user's data folder.
TEST(ManualLocation, IsFoundWhereverItIsInstalled)
{
    QTemporaryDir dir;
    const ScopedEnvironment dataHome("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")));
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

// The window starts with the default set-up; each control of the set-up
// panel edits the set-up it shows.
TEST_F(WizardTest, TheSetUpPanelShowsAndEditsTheSetUp)
{
    EXPECT_EQ(control<QLabel>("lblVersion")->text(), applicationVersionText());
    EXPECT_EQ(enabledOf({"cmdNext", "cmdBack", "cmdDisconnect", "cmdConnect"}), "cmdConnect");
    EXPECT_EQ(control<QComboBox>("cmbTable")->currentText(), QStringLiteral("Inventory"));
    EXPECT_EQ(setup().tableId, ItemTable);
    EXPECT_TRUE(control<QCheckBox>("chkQuote")->isChecked() && control<QCheckBox>("chkDuplicate")->isChecked());

    const auto choose = [this](const char *list, const QString &text) {
        auto *box = control<QComboBox>(list);
        box->setCurrentIndex(box->findText(text));
        emit box->activated(box->currentIndex());
    };
    // Types a name into an editable list and leaves it, as the operator would.
    const auto typeName = [this](const char *list, const QString &text) {
        auto *box = control<QComboBox>(list);
        box->setEditText(text);
        emit box->lineEdit()->editingFinished();
    };
    const struct { std::function<void()> act; std::function<bool(const ImportSetup &)> holds; const char *what; } edits[] = {
        {[&] { type("txtFileName", QStringLiteral("/data/typed.csv")); },
         [](const ImportSetup &s) { return s.textFile == QStringLiteral("/data/typed.csv"); }, "text file"},
        {[&] {
             const QString book = dir.filePath(QStringLiteral("book.ods"));
             writeTestOds(book, "<table:table table:name=\"Items\"/><table:table table:name=\"Other\"/>");
             type("txtFileName", book);
             choose("cmbSheet", QStringLiteral("Other"));
         },
         [this](const ImportSetup &s) { return s.sheet == u"Other" && control<QComboBox>("cmbSheet")->count() == 2; },
         "workbook's sheet"},
        {[&] { prompts.fileAnswers << QStringLiteral("/data/items.csv"); click("cmdBrowse"); },
         [](const ImportSetup &s) { return s.textFile == QStringLiteral("/data/items.csv"); }, "browse"},
        {[&] { choose("cmbDelimiter", QStringLiteral("TAB")); },
         [](const ImportSetup &s) { return s.delimiterCode == 9; }, "delimiter"},
        {[&] { click("chkQuote"); }, [](const ImportSetup &s) { return !s.quotesAsDelimiters; }, "quotes"},
        {[&] { click("chkDuplicate"); }, [](const ImportSetup &s) { return !s.duplicatesAsErrors; }, "duplicates"},
        {[&] { click("chkStripApostrophes"); }, [](const ImportSetup &s) { return s.stripApostrophes; }, "apostrophes"},
        {[&] { click("chkStrict"); }, [](const ImportSetup &s) { return s.strictValues; }, "strict"},
        {[&] { choose("cmbEncoding", QStringLiteral("Central European (Windows-1250)")); },
         [](const ImportSetup &s) { return s.encoding.name() == QStringLiteral("windows-1250"); }, "encoding listed"},
        {[&] { typeName("cmbEncoding", QStringLiteral("ISO-8859-2")); },
         [](const ImportSetup &s) { return s.encoding.name() == QStringLiteral("ISO-8859-2"); }, "encoding typed"},
        {[&] { typeName("cmbLocale", QStringLiteral("de_DE")); },
         [](const ImportSetup &s) { return s.localeName == QStringLiteral("de_DE"); }, "locale"},
        {[&] { choose("cmbTable", QStringLiteral("Customers")); },
         [](const ImportSetup &s) { return s.tableId == CustomerTable; }, "table"},
    };
    for (const auto &edit : edits) {
        edit.act();
        EXPECT_TRUE(edit.holds(setup())) << edit.what;
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
    // Browse starts from the file named; cancelled, it keeps it.
    click("cmdBrowse");
    EXPECT_EQ(prompts.openInitials.last(), QStringLiteral("/data/items.csv"));
    EXPECT_EQ(setup().textFile, QStringLiteral("/data/items.csv"));

    // A name nobody knows is refused, and the list shows the set-up's again.
    typeName("cmbEncoding", QStringLiteral("klingon-8"));
    EXPECT_TRUE(prompts.takeOne().contains(QStringLiteral("klingon-8")));
    EXPECT_EQ(setup().encoding.name(), QStringLiteral("ISO-8859-2"));
    EXPECT_EQ(control<QComboBox>("cmbEncoding")->currentText(), QStringLiteral("Central European (ISO-8859-2)"));
    typeName("cmbLocale", QStringLiteral("nowhere"));
    prompts.takeOne();
    EXPECT_EQ(setup().localeName, QStringLiteral("de_DE"));
}

TEST_F(WizardTest, HelpShowsTheManualOnScreenAndEscapeClosesIt)
{
    window->setManualPath(dir.filePath(QStringLiteral("missing.html")));
    click("cmdHelp");
    EXPECT_TRUE(prompts.takeOne(MessageKind::Exclamation).contains(window->manualPath()));

    // The wizard near the screen's bottom right corner.
    const QRect screen = window->screen()->availableGeometry();
    window->show();
    window->move(screen.right() - 200, screen.bottom() - 150);
    window->setManualPath(sourcePath(QStringLiteral("docs/help/Vexaro Import.html")));
    click("cmdHelp");
    HelpWindow *help = window->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->browser()->toPlainText().contains(QStringLiteral("vxrimp import")));
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(screen.contains(help->frameGeometry()));
    QTest::keyClick(help->browser(), Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
}

TEST_F(WizardTest, TheDisclaimerCanBeHiddenForGood)
{
    // Shown at the next start while the box was left unchecked.
    window = newWindow(1);
    prompts.hideDisclaimer = true;
    window = newWindow(1);
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
    connectWithFile("1001,Mug\r\n");
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (int panel = 1; panel <= 4; ++panel) {
        goToPanel(panel);
        QWidget *start = control("cmdExit");
        start->setFocus();
        QList<QWidget *> visited;
        for (int step = 0; step < 40; ++step) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            if (QApplication::focusWidget() == start)
                break;
            visited << QApplication::focusWidget();
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

TEST_F(WizardTest, NextChecksTheFileAndTableAndOnlyThePanelOnShowIsUsable)
{
    connectWithFile("1001,Mug,3.20\r\n");
    const QString textFile = setup().textFile;
    for (const QString &bad : {QStringLiteral("   "), dir.filePath(QStringLiteral("nothing.csv")), dir.path()}) {
        type("txtFileName", bad);
        click("cmdNext");
        EXPECT_EQ(prompts.takeOne(), InvalidFile) << bad.toStdString();
    }
    type("txtFileName", textFile);
    control<QComboBox>("cmbTable")->setCurrentIndex(-1);
    click("cmdNext");
    EXPECT_EQ(prompts.takeOne(), QStringLiteral("You must select a Destination Table."));
    EXPECT_EQ(window->currentPanel(), 1);
    control<QComboBox>("cmbTable")->setCurrentIndex(0);

    window->show();
    const struct { int panel; QList<const char *> on, off; } steps[] = {
        {2, {"cmdBack", "cmdNext", "MSFlexGrid1", "lstFields"}, {"txtFileName", "cmbTable", "chkSkipFirstLine"}},
        {3, {"chkSkipFirstLine", "msflexpreview"}, {"MSFlexGrid1", "lstFields", "cmdImport"}},
        {4, {"cmdBack", "cmdImport", "cmdViewLogFile", "cmdSave"}, {"cmdNext", "cmdCancel", "chkSkipFirstLine"}},
    };
    for (const auto &step : steps) {
        if (step.panel == 3)
            selectPosition(10);
        click("cmdNext");
        EXPECT_EQ(window->currentPanel(), step.panel);
        EXPECT_TRUE(control(("frmPanel" + QByteArray::number(step.panel)).constData())->isVisible());
        for (const char *name : step.on)
            EXPECT_TRUE(enabled(name)) << "panel " << step.panel << " " << name;
        for (const char *name : step.off)
            EXPECT_FALSE(enabled(name)) << "panel " << step.panel << " " << name;
    }
    EXPECT_TRUE(prompts.messages.isEmpty());

    // A file removed after panel 1 is noticed by the next Next; Back still works.
    click("cmdBack");
    click("cmdBack");
    EXPECT_EQ(window->mappingPage()->currentPosition(), 1) << "entering the mapping panel selects position 1";
    ASSERT_TRUE(QFile::remove(setup().textFile));
    click("cmdNext");
    EXPECT_EQ(prompts.takeOne(), InvalidFile);
    EXPECT_EQ(window->currentPanel(), 2);
    click("cmdBack");
    EXPECT_EQ(window->currentPanel(), 1);
    // Back on the first panel another database can be chosen.
    EXPECT_EQ(enabledOf({"cmdConnect", "txtVXRDB", "cmdDisconnect", "cmdNext", "txtFileName", "cmdBack"}),
              "cmdConnect txtVXRDB cmdDisconnect cmdNext txtFileName");
}

} // namespace
} // namespace vxr::test

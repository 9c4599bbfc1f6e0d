#include "WizardFixture.h"

#include "TestSupport.h"

#include "wizard/VersionText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextBrowser>

namespace vxr::test {
namespace {

TEST(VersionText, RevisionLetterRule)
{
    EXPECT_EQ(VersionText(1, 5, 5), QStringLiteral("1.05e beta"));
    EXPECT_EQ(VersionText(1, 5, 1), QStringLiteral("1.05a beta"));
    EXPECT_EQ(VersionText(1, 5, 0), QStringLiteral("1.05 beta"));
    EXPECT_EQ(VersionText(1, 5, 6), QStringLiteral("1.056 beta"));
    EXPECT_EQ(VersionText(1, 5, 12), QStringLiteral("1.0512 beta"));
    EXPECT_EQ(VersionText(2, 10, 3), QStringLiteral("2.010c beta"));
}

TEST(Startup, DisclaimerComesOnceBeforeTheListsAreFilled)
{
    ScriptedPrompts prompts;
    frmMain window(prompts);
    int tablesWhenShown = -1;
    prompts.onMessage = [&] {
        if (tablesWhenShown < 0)
            tablesWhenShown = window.findChild<QComboBox *>(QStringLiteral("cmbTable"))->count();
    };
    window.Form_Load();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].caption, QStringLiteral("Vexaro Vevazezi Import Wizard - Disclaimer"));
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Exclamation);
    EXPECT_EQ(tablesWhenShown, 0);
    EXPECT_TRUE(window.LogPath.endsWith(QStringLiteral("VUVEDIZE.LOG")));
}

TEST_F(WizardTest, FirstStateOfTheWindow)
{
    EXPECT_EQ(control<QLabel>("lblVersion")->text(), QStringLiteral("1.05e beta"));
    window->show();
    EXPECT_TRUE(control("frmPanel1")->isVisible());
    EXPECT_FALSE(control("frmPanel2")->isVisible());
    for (const char *off : {"cmdNext", "cmdBack", "cmdDisconnect", "lstFields"})
        EXPECT_FALSE(enabled(off)) << off;
    EXPECT_TRUE(enabled("cmdConnect"));

    auto *tables = control<QComboBox>("cmbTable");
    const QList<int> tableIds = {1, 2, 3, 5, 6, 7, 8};
    ASSERT_EQ(tables->count(), tableIds.size());
    for (int i = 0; i < tables->count(); ++i)
        EXPECT_EQ(tables->itemData(i).toInt(), tableIds[i]);
    EXPECT_EQ(tables->currentText(), QStringLiteral("Inventory"));
    EXPECT_EQ(control<QComboBox>("cmbDelimiter")->currentText(), QStringLiteral("Comma (,)"));
    EXPECT_EQ(window->Reader.DelimiterCode, 44);

    // The Inventory fields, SupplierList's among them, the first selected.
    auto *fields = control<QListWidget>("lstFields");
    EXPECT_EQ(fields->currentRow(), 0);
    EXPECT_FALSE(fields->findItems(QStringLiteral("MPQ"), Qt::MatchExactly).isEmpty());
    EXPECT_EQ(fields->findItems(QStringLiteral("Cost"), Qt::MatchExactly).value(0)->data(Qt::UserRole).toInt(), 112);

    EXPECT_TRUE(window->Reader.QuotesAsDelimiters);
    EXPECT_TRUE(window->DuplicatesAsErrors);
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
    browse->click();
    EXPECT_TRUE(fileName->text().isEmpty());
    ASSERT_EQ(prompts.openDialogs.size(), 1);
    EXPECT_EQ(prompts.openDialogs[0].title, QStringLiteral("Open Text File"));
    EXPECT_EQ(prompts.openDialogs[0].filter,
              QStringLiteral("TEXT & CSV Files (*.txt *.csv);;Text Files (*.txt);;CSV Files (*.csv);;All Files (*)"));

    prompts.fileAnswers << QStringLiteral("/data/items.csv");
    browse->click();
    browse->click(); // cancelled
    EXPECT_EQ(prompts.openDialogs.last().initial, QStringLiteral("/data/items.csv"));
    EXPECT_EQ(fileName->text(), QStringLiteral("/data/items.csv"));
}

TEST_F(WizardTest, HelpShowsTheManualOrSaysWhereItWasLookedFor)
{
    window->HelpPath = dir.filePath(QStringLiteral("missing.html"));
    control<QPushButton>("cmdHelp")->click();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains(window->HelpPath));

    window->HelpPath = sourcePath(QStringLiteral("docs/help/Vexaro Import.html"));
    control<QPushButton>("cmdHelp")->click();
    ASSERT_NE(window->helpWindow(), nullptr);
    EXPECT_TRUE(window->helpWindow()->isVisible());
    EXPECT_TRUE(window->helpWindow()->browser()->toPlainText().contains(QStringLiteral("vxrimp import")));
}

} // namespace
} // namespace vxr::test

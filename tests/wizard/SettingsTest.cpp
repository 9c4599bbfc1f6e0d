#include "WizardFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>

namespace vxr::test {
namespace {

const QString SavedPrefix = QStringLiteral("Your settings have been saved to ");

class Settings : public WizardTest
{
protected:
    void load(const QString &path)
    {
        prompts.fileAnswers << path;
        click("cmdLoad");
    }
    void chooseName(const char *list, const QString &value)
    {
        auto *box = control<QComboBox>(list);
        box->setEditText(value);
        emit box->lineEdit()->editingFinished();
    }
    bool checked(const char *name) { return control<QCheckBox>(name)->isChecked(); }
};

bool sameSetup(const ImportSetup &a, const ImportSetup &b)
{
    return a.tableId == b.tableId && a.textFile == b.textFile && a.delimiterCode == b.delimiterCode
        && a.quotesAsDelimiters == b.quotesAsDelimiters && a.duplicatesAsErrors == b.duplicatesAsErrors
        && a.skipFirstLine == b.skipFirstLine && a.firstLineHeader == b.firstLineHeader
        && a.encoding.name() == b.encoding.name() && a.localeName == b.localeName
        && a.stripApostrophes == b.stripApostrophes && a.strictValues == b.strictValues && a.fieldIds == b.fieldIds;
}

TEST_F(Settings, SaveThenLoadInAFreshWindowAndSaveAgain)
{
    click("chkQuote");
    click("chkDuplicate");
    control<QComboBox>("cmbDelimiter")->setCurrentIndex(2); // Semi-Colon (;)
    control<QComboBox>("cmbTable")->setCurrentIndex(1);     // Customers
    type("txtFileName", QStringLiteral("/data/customers.txt"));
    control<QCheckBox>("chkSkipFirstLine")->setChecked(true);
    control<QCheckBox>("chkFirstLine")->setChecked(true);
    chooseName("cmbEncoding", QStringLiteral("windows-1250"));
    chooseName("cmbLocale", QStringLiteral("de_DE"));
    click("chkStripApostrophes");
    click("chkStrict");
    assign(QStringLiteral("Account Number"));
    selectPosition(5);
    assign(QStringLiteral("Last Name"));
    const ImportSetup saved = setup();

    const QString path = dir.filePath(QStringLiteral("customers"));
    prompts.fileAnswers << path;
    click("cmdSave");
    const QString file = path + QStringLiteral(".imp");
    EXPECT_EQ(prompts.takeOne(MessageKind::Plain), SavedPrefix + file);
    EXPECT_EQ(control<QLineEdit>("txtLoadSettings")->text(), file);
    EXPECT_EQ(window->mappingPage()->currentPosition(), 52); // the grid was read to its end

    window = newWindow();
    load(file);
    EXPECT_TRUE(sameSetup(setup(), saved));
    EXPECT_EQ(window->mappingPage()->currentPosition(), 1);
    // What the panels show is the set-up loaded.
    EXPECT_EQ(control<QComboBox>("cmbTable")->currentText(), QStringLiteral("Customers"));
    EXPECT_EQ(control<QComboBox>("cmbDelimiter")->currentText(), QStringLiteral("Semi-Colon (;)"));
    EXPECT_EQ(control<QLineEdit>("txtFileName")->text(), QDir::toNativeSeparators(saved.textFile));
    EXPECT_EQ(control<QComboBox>("cmbLocale")->currentData().toString(), QStringLiteral("de_DE"));
    EXPECT_FALSE(checked("chkQuote") || checked("chkDuplicate"));
    EXPECT_TRUE(checked("chkSkipFirstLine") && checked("chkFirstLine") && checked("chkStripApostrophes")
                && checked("chkStrict"));
    EXPECT_TRUE(prompts.messages.isEmpty());

    // The loaded file is the one the next save writes, without a dialog.
    click("cmdSave");
    EXPECT_EQ(prompts.saveDialogs, 1);
    EXPECT_EQ(prompts.takeOne(MessageKind::Plain), SavedPrefix + file);

    // A save that cannot write says so; a cancelled one says nothing.
    type("txtLoadSettings", dir.filePath(QStringLiteral("no/such/folder/x.imp")));
    click("cmdSave");
    EXPECT_TRUE(prompts.takeOne().startsWith(QStringLiteral("Your settings could not be saved to ")));
    type("txtLoadSettings", QString());
    click("cmdSave");
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(control<QLineEdit>("txtLoadSettings")->text().isEmpty());
}

TEST_F(Settings, LoadingReplacesTheWholeSetUpOrNothing)
{
    // Same table as now: positions the file leaves empty are unmapped too.
    selectPosition(7);
    assign(QStringLiteral("Notes"));
    writeFile(QStringLiteral("items.csv"), "a\r\n");
    const QString path = writeFile(QStringLiteral("hand.imp"),
                                   "[Settings]\rTableName=0\rFileName=items.csv\r"
                                   "[FieldMappings]\rField1=Bogus name\rField2=Cost\rField_ID2=112\r");
    load(path);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(setup().textFile, dir.filePath(QStringLiteral("items.csv"))); // beside the settings file
    ImportSetup expected;
    expected.fieldIds[2] = 112;
    EXPECT_EQ(setup().fieldIds, expected.fieldIds);
    EXPECT_EQ(control<QLineEdit>("txtLoadSettings")->text(), QDir::toNativeSeparators(path));

    // A cancelled load changes nothing, nor does a file with a value the
    // set-up cannot take, which is refused with the key named.
    const ImportSetup before = setup();
    click("cmdLoad");
    EXPECT_EQ(control<QLineEdit>("txtLoadSettings")->text(), QDir::toNativeSeparators(path));
    load(writeFile(QStringLiteral("bad.imp"), "[Settings]\r\nFieldDelimiter=42\r\n"));
    EXPECT_TRUE(prompts.takeOne().contains(QStringLiteral("FieldDelimiter=42")));
    EXPECT_TRUE(sameSetup(setup(), before));
}

TEST_F(Settings, AHeaderLineMapsTheFreePositionsByName)
{
    connectWithFile("item_lookup_code,DESCRIPTION,Selling Price,Price,On Hand\r\nA1,Mug,1,7.95,3\r\n");
    goToPanel(2);
    selectPosition(5);
    assign(QStringLiteral("Quantity")); // the operator's own choice stands
    click("chkFirstLine");
    const int expected[] = {116, 114, 0, 127, 134};
    for (int position = 1; position <= 5; ++position)
        EXPECT_EQ(setup().fieldIds[position], expected[position - 1]) << position;
    EXPECT_TRUE(prompts.takeOne(MessageKind::Exclamation).contains(QStringLiteral("3 \"Selling Price\"")));

    // Without the key field mapped, Import is refused before anything starts.
    selectPosition(1);
    QTest::keyClick(control("MSFlexGrid1"), Qt::Key_Delete);
    goToPanel(4);
    click("cmdImport");
    EXPECT_TRUE(prompts.takeOne().contains(QStringLiteral("\"Item Lookup Code\"")));
    EXPECT_FALSE(window->importRunning());
    EXPECT_EQ(control<QLabel>("lblStatus")->text(), QStringLiteral("None"));
}

} // namespace
} // namespace vxr::test

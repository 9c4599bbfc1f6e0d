#include "WizardFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>

#include "import/SetupFile.h"

#include <array>
#include <functional>

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
    EXPECT_TRUE(sameSettings(setup(), saved));
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
    EXPECT_TRUE(sameSettings(setup(), before));
}

// A header line maps the positions the operator left free; without the key
// field mapped, Import is refused before anything starts.
TEST_F(Settings, AHeaderLineKeepsTheOperatorsMappingAndImportNeedsTheKeyField)
{
    connectWithFile("Mystery,DESCRIPTION,On Hand\r\nA1,Mug,3\r\n");
    goToPanel(2);
    selectPosition(3);
    assign(QStringLiteral("Quantity")); // "On Hand" would only suggest it
    click("chkFirstLine");
    EXPECT_EQ((std::array{setup().fieldIds[1], setup().fieldIds[2], setup().fieldIds[3]}), (std::array{0, 114, 134}));
    EXPECT_TRUE(prompts.takeOne(MessageKind::Exclamation).contains(QStringLiteral("1 \"Mystery\"")));
    goToPanel(4);
    click("cmdImport");
    EXPECT_TRUE(prompts.takeOne().contains(QStringLiteral("\"Item Lookup Code\"")));
    EXPECT_FALSE(window->importRunning());
    EXPECT_EQ(control<QLabel>("lblStatus")->text(), QStringLiteral("None"));
}

// Each change Save would put over a loaded settings file is asked about, and
// a No leaves the file as it was; so is leaving unsaved changes.
TEST_F(Settings, SavingOverAnotherSetUpOrLeavingChangesAsksFirst)
{
    writeFile(QStringLiteral("inventory.csv"), readTestFile(sourcePath(QStringLiteral("examples/inventory.csv"))));
    const QString shipped =
        writeFile(QStringLiteral("inventory.imp"), readTestFile(sourcePath(QStringLiteral("examples/inventory.imp"))));
    const QByteArray original = readTestFile(shipped);
    // asked: what the question names; unsaved: the change is one Exit asks about.
    const struct { std::function<void()> change; QString asked; bool unsaved; } changes[] = {
        {[&] { type("txtFileName", dir.filePath(QStringLiteral("other.csv"))); },
         "Text file: " + QDir::toNativeSeparators(dir.filePath(QStringLiteral("inventory.csv"))), true},
        {[&] { control<QComboBox>("cmbTable")->setCurrentIndex(1); }, "Destination table: Inventory -> Customers", true},
        {[&] { connectTo(store.connectionString()); }, "Database: none -> " + store.connectionString(), false},
        {[&] { click("chkStrict"); }, QString(), true},
    };
    for (const auto &change : changes) {
        window = newWindow();
        load(shipped);
        EXPECT_TRUE(window->close()) << "nothing changed since the load";
        prompts.answerYes = true; // to the mapping a new table clears
        change.change();
        prompts.answerYes = false;
        prompts.questions.clear();
        prompts.messages.clear();
        click("cmdSave");
        if (change.asked.isEmpty()) {
            EXPECT_TRUE(prompts.questions.isEmpty());
            EXPECT_EQ(prompts.takeOne(MessageKind::Plain), SavedPrefix + shipped);
            ASSERT_TRUE(writeTestFile(shipped, original));
            continue;
        }
        ASSERT_EQ(prompts.questions.size(), 1) << change.asked.toStdString();
        EXPECT_TRUE(prompts.questions.first().contains(change.asked)) << prompts.questions.first().toStdString();
        EXPECT_TRUE(prompts.messages.isEmpty());
        EXPECT_EQ(readTestFile(shipped), original);
        EXPECT_EQ(window->close(), !change.unsaved) << change.asked.toStdString();
        EXPECT_EQ(prompts.questions.size(), change.unsaved ? 2 : 1);
    }
    // Save As writes another file, which the next save writes without asking.
    prompts.fileAnswers << dir.filePath(QStringLiteral("mine"));
    click("cmdSaveAs");
    const QString mine = dir.filePath(QStringLiteral("mine.imp"));
    EXPECT_EQ(prompts.takeOne(MessageKind::Plain), SavedPrefix + mine);
    EXPECT_EQ(control<QLineEdit>("txtLoadSettings")->text(), QDir::toNativeSeparators(mine));
    EXPECT_EQ(readTestFile(shipped), original);
    prompts.questions.clear();
    click("cmdSave");
    EXPECT_EQ(prompts.takeOne(MessageKind::Plain), SavedPrefix + mine);
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(prompts.questions.isEmpty());
}

// The set-up panel offers the delimiter that splits the file's first lines
// into steady columns; a settings file with auto takes it.
TEST_F(Settings, TheSetUpPanelOffersTheDelimiterTheFileSplitsBy)
{
    auto *offer = control<QLabel>("lblDelimiterOffer");
    const QString semicolons = writeFile(QStringLiteral("semi.csv"), "SKU;Description;Price\r\nA1;Mug, blue;4,50\r\nA2;Plate;3,00\r\n");
    type("txtFileName", semicolons);
    EXPECT_FALSE(offer->isHidden());
    EXPECT_EQ(offer->text(), QStringLiteral("The first lines of the text file split into 3 columns at Semi-Colon (;), "
                                            "but into no steady columns at Comma (,)."));
    click("cmdUseDelimiter");
    EXPECT_EQ(setup().delimiterCode, ';');
    EXPECT_EQ(control<QComboBox>("cmbDelimiter")->currentText(), QStringLiteral("Semi-Colon (;)"));
    EXPECT_TRUE(offer->isHidden());

    auto *delimiter = control<QComboBox>("cmbDelimiter");
    delimiter->setCurrentIndex(delimiter->count() - 1);
    QTest::keyClicks(control("txtOtherDelimiter"), QStringLiteral("~"));
    EXPECT_EQ(setup().delimiterCode, '~');
    EXPECT_FALSE(offer->isHidden());
    type("txtFileName", writeFile(QStringLiteral("one.csv"), "A1\r\nA2\r\n"));
    EXPECT_TRUE(offer->isHidden());

    load(writeFile(QStringLiteral("auto.imp"), "[Settings]\r\nFieldDelimiterChar=auto\r\nFileName=semi.csv\r\n"));
    EXPECT_EQ(setup().delimiterCode, ';');
    EXPECT_TRUE(setup().delimiterAuto);
    EXPECT_TRUE(offer->isHidden());
}

} // namespace
} // namespace vxr::test

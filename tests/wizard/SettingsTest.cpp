#include "WizardFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vxr::test {
namespace {

const QString SavedPrefix = QStringLiteral("Your settings have been saved to ");

class Settings : public WizardTest
{
protected:
    void load(const QString &path)
    {
        prompts.fileAnswers << path;
        control<QPushButton>("cmdLoad")->click();
    }
    void save() { control<QPushButton>("cmdSave")->click(); }
    QString text(const char *name) { return control<QLineEdit>(name)->text(); }
    bool checked(const char *name) { return control<QCheckBox>(name)->isChecked(); }
    // Types a name into an editable list, as the operator would, and leaves it.
    void chooseText(const char *name, const QString &value)
    {
        auto *list = control<QComboBox>(name);
        list->setEditText(value);
        emit list->lineEdit()->editingFinished();
    }
};

TEST_F(Settings, SaveThenLoadInAFreshWindowAndSaveAgain)
{
    control<QCheckBox>("chkQuote")->setChecked(false);
    control<QCheckBox>("chkDuplicate")->setChecked(false);
    control<QComboBox>("cmbDelimiter")->setCurrentIndex(2); // Semi-Colon (;)
    control<QComboBox>("cmbTable")->setCurrentIndex(1);     // Customers
    control<QLineEdit>("txtFileName")->setText(QStringLiteral("/data/customers.txt"));
    control<QCheckBox>("chkSkipFirstLine")->setChecked(true);
    control<QCheckBox>("chkFirstLine")->setChecked(true);
    chooseText("cmbEncoding", QStringLiteral("windows-1250"));
    chooseText("cmbLocale", QStringLiteral("de_DE"));
    control<QCheckBox>("chkStripApostrophes")->setChecked(true);
    control<QCheckBox>("chkStrict")->setChecked(true);
    assign(QStringLiteral("Account Number"));
    window->setGridRow(5);
    assign(QStringLiteral("Last Name"));

    const QString path = dir.filePath(QStringLiteral("customers"));
    prompts.fileAnswers << path;
    save();
    const QString saved = path + QStringLiteral(".imp");
    EXPECT_EQ(prompts.texts(), QStringList{SavedPrefix + saved});
    EXPECT_EQ(text("txtLoadSettings"), saved);
    EXPECT_EQ(window->gridRow(), 52);

    window = newWindow();
    load(saved);
    EXPECT_FALSE(window->Reader.QuotesAsDelimiters);
    EXPECT_FALSE(window->DuplicatesAsErrors);
    EXPECT_EQ(window->Reader.DelimiterCode, 59);
    EXPECT_EQ(control<QComboBox>("cmbTable")->currentText(), QStringLiteral("Customers"));
    EXPECT_EQ(text("txtFileName"), QStringLiteral("/data/customers.txt"));
    EXPECT_EQ(window->gridText(1, 1), QStringLiteral("Account Number"));
    EXPECT_EQ(window->Fields[window->Reader.FieldMap[5].FieldIndex].DisplayName, QStringLiteral("Last Name"));
    EXPECT_EQ(window->gridRow(), 1);
    // The first-line options and the format come back too.
    EXPECT_TRUE(checked("chkSkipFirstLine"));
    EXPECT_TRUE(checked("chkFirstLine"));
    EXPECT_EQ(window->Reader.Encoding.name(), QStringLiteral("windows-1250"));
    EXPECT_EQ(window->LocaleName, QStringLiteral("de_DE"));
    EXPECT_EQ(window->Regional.DecimalSeparator, QStringLiteral(","));
    EXPECT_TRUE(window->Reader.StripApostrophes);
    EXPECT_TRUE(checked("chkStrict"));
    EXPECT_TRUE(prompts.messages.isEmpty());

    // The loaded file is the one the next save writes, without a dialog.
    save();
    EXPECT_EQ(prompts.saveDialogs, 1);
    EXPECT_EQ(prompts.texts(), QStringList{SavedPrefix + saved});

    // A save that cannot write says so; a cancelled one says nothing.
    control<QLineEdit>("txtLoadSettings")->setText(dir.filePath(QStringLiteral("no/such/folder/x.imp")));
    save();
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(prompts.messages[1].kind, MessageKind::Critical);
    control<QLineEdit>("txtLoadSettings")->clear();
    save();
    EXPECT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(text("txtLoadSettings").isEmpty());
}

TEST_F(Settings, AFileWithAnUnusableKeyIsRefusedAndChangesNothing)
{
    control<QComboBox>("cmbDelimiter")->setCurrentIndex(3);
    window->setGridRow(7);
    assign(QStringLiteral("Notes"));
    const struct { const char *settings; const char *key; } refused[] = {
        {"[Settings]\r\nTableName=0\r\n[FieldMappings]\r\nField_ID1=9999\r\n", "Field_ID1=9999"},
        {"[Settings]\r\nTableName=0\r\n[FieldMappings]\r\nField_ID4=201\r\n", "Field_ID4=201"},
        {"[Settings]\r\nFieldDelimiter=42\r\n", "FieldDelimiter=42"},
        {"[Settings]\r\nQuoteDelimiter=yes\r\n", "QuoteDelimiter=yes"},
        {"[Settings]\r\nEncoding=IBM037\r\n", "Encoding=IBM037"},
    };
    for (const auto &file : refused) {
        prompts.messages.clear();
        load(writeFile(QStringLiteral("hand.imp"), file.settings));
        ASSERT_EQ(prompts.messages.size(), 1) << file.key;
        EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
        EXPECT_TRUE(prompts.messages[0].text.contains(QLatin1String(file.key))) << prompts.messages[0].text.toStdString();
        EXPECT_EQ(window->Reader.DelimiterCode, 47);
        EXPECT_EQ(window->gridText(7, 1), QStringLiteral("Notes"));
    }
}

TEST_F(Settings, LoadingKeepsGridAndMappingInAgreement)
{
    // Same table as now: positions the file leaves empty are unmapped too.
    window->setGridRow(7);
    assign(QStringLiteral("Notes"));
    writeFile(QStringLiteral("items.csv"), "a\r\n");
    const QString path = writeFile(QStringLiteral("hand.imp"),
                                   "[Settings]\rTableName=0\rFileName=items.csv\r"
                                   "[FieldMappings]\rField1=Bogus name\rField2=Cost\rField_ID2=112\rField3=Name only\r");
    load(path);
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(window->Reader.DelimiterCode, 44);                               // missing: the first entry
    EXPECT_EQ(text("txtFileName"), dir.filePath(QStringLiteral("items.csv"))); // beside the settings file
    EXPECT_TRUE(window->Reader.StripApostrophes); // a file from before the key existed
    EXPECT_EQ(window->gridText(2, 1), QStringLiteral("Cost"));
    EXPECT_NE(window->Reader.FieldMap[2].FieldIndex, 0);
    for (int row : {1, 3, 7}) {
        EXPECT_TRUE(window->gridText(row, 1).isEmpty()) << row;
        EXPECT_EQ(window->Reader.FieldMap[row].FieldIndex, 0) << row;
    }
    EXPECT_EQ(text("txtLoadSettings"), path);

    // A cancelled load changes nothing.
    control<QPushButton>("cmdLoad")->click();
    EXPECT_EQ(window->gridText(2, 1), QStringLiteral("Cost"));
    EXPECT_EQ(text("txtLoadSettings"), path);
}

TEST_F(Settings, AHeaderLineMapsTheFreePositionsByName)
{
    const QString file = writeFile(QStringLiteral("items.csv"),
                                   "item_lookup_code,DESCRIPTION,Selling Price,Price,On Hand\r\nA1,Mug,1,7.95,3\r\n");
    control<QLineEdit>("txtFileName")->setText(file);
    window->setGridRow(5);
    assign(QStringLiteral("Quantity")); // the operator's own choice stands
    control<QCheckBox>("chkFirstLine")->setChecked(true); // the box lives on panel 2
    window->chkFirstLine_Click();
    EXPECT_EQ(window->gridText(1, 1), QStringLiteral("Item Lookup Code"));
    EXPECT_EQ(window->gridText(2, 1), QStringLiteral("Description"));
    EXPECT_TRUE(window->gridText(3, 1).isEmpty());
    EXPECT_EQ(window->gridText(4, 1), QStringLiteral("Price"));
    EXPECT_EQ(window->gridText(5, 1), QStringLiteral("Quantity"));
    EXPECT_EQ(window->Fields[window->Reader.FieldMap[1].FieldIndex].FieldID, 116);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("3 \"Selling Price\"")));

    // Without the key field mapped, Import is refused before anything starts.
    window->setGridRow(1);
    window->MSFlexGrid1_DblClick();
    prompts.messages.clear();
    const bool nextBefore = enabled("cmdNext");
    window->cmdImport_Click();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains(QStringLiteral("\"Item Lookup Code\"")))
        << prompts.messages[0].text.toStdString();
    EXPECT_EQ(enabled("cmdNext"), nextBefore);
    EXPECT_EQ(control<QLabel>("lblStatus")->text(), QStringLiteral("None"));
}

} // namespace
} // namespace vxr::test

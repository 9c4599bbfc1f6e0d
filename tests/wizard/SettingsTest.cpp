#include "WizardFixture.h"

#include <QCheckBox>
#include <QComboBox>
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
    EXPECT_FALSE(checked("chkSkipFirstLine"));
    EXPECT_FALSE(checked("chkFirstLine"));
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

TEST_F(Settings, LoadingKeepsGridAndMappingInAgreement)
{
    control<QComboBox>("cmbDelimiter")->setCurrentIndex(3);
    // Same table as now: positions the file leaves empty are unmapped too.
    window->setGridRow(7);
    assign(QStringLiteral("Notes"));
    writeFile(QStringLiteral("items.csv"), "a\r\n");
    const QString path = writeFile(QStringLiteral("hand.imp"),
                                   "[Settings]\r\nFieldDelimiter=42\r\nTableName=0\r\nFileName=items.csv\r\n"
                                   "[FieldMappings]\r\nField1=Bogus\r\nField_ID1=9999\r\n"
                                   "Field2=Cost\r\nField_ID2=112\r\nField3=Name only\r\n"
                                   "Field4=Account Number\r\nField_ID4=201\r\n");
    load(path);
    EXPECT_EQ(window->Reader.DelimiterCode, 44); // 42 is no entry: the first one
    EXPECT_EQ(text("txtFileName"), dir.filePath(QStringLiteral("items.csv"))); // beside the settings file
    EXPECT_NE(window->Reader.FieldMap[2].FieldIndex, 0);
    // An unknown id, a name without an id and another table's field are left
    // out, and so is the position the file leaves empty.
    for (int row : {1, 3, 4, 7}) {
        EXPECT_TRUE(window->gridText(row, 1).isEmpty()) << row;
        EXPECT_TRUE(window->gridText(row, 2).isEmpty()) << row;
        EXPECT_EQ(window->Reader.FieldMap[row].FieldIndex, 0) << row;
    }
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.startsWith(QStringLiteral("3 ")));
    EXPECT_EQ(text("txtLoadSettings"), path);

    // A cancelled load changes nothing.
    control<QPushButton>("cmdLoad")->click();
    EXPECT_EQ(window->gridText(2, 1), QStringLiteral("Cost"));
    EXPECT_EQ(text("txtLoadSettings"), path);
}

} // namespace
} // namespace vxr::test

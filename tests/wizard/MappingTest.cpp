#include "WizardFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QHeaderView>
#include <QTableWidget>
#include <QTest>

namespace vxr::test {
namespace {

class Mapping : public WizardTest
{
protected:
    // Every grid row shows exactly what its FieldMap position maps.
    void expectAgreement()
    {
        for (int row = 1; row <= 52; ++row) {
            const int index = window->Reader.FieldMap[row].FieldIndex;
            EXPECT_EQ(window->gridText(row, 1), index ? window->Fields[index].DisplayName : QString()) << row;
            EXPECT_EQ(window->gridText(row, 2), index ? QString::number(window->Fields[index].FieldID) : QString())
                << row;
        }
    }
    int mappedId(int position) { return window->Fields[window->Reader.FieldMap[position].FieldIndex].FieldID; }
};

TEST_F(Mapping, DoubleClicksAssignMoveDownRefuseATakenFieldAndRemove)
{
    window->setGridRow(3);
    assign(QStringLiteral("Cost"));
    EXPECT_EQ(mappedId(3), 112);
    EXPECT_EQ(window->gridRow(), 4);

    assign(QStringLiteral("Cost"));
    ASSERT_EQ(prompts.texts(), QStringList{QStringLiteral("Database Field \"Cost\" is already assigned to Field 3")});
    EXPECT_EQ(window->gridRow(), 4);
    EXPECT_EQ(window->Reader.FieldMap[4].FieldIndex, 0);

    // Assigning over a field replaces it; MPQ is the SupplierList field.
    window->setGridRow(3);
    assign(QStringLiteral("Price"));
    EXPECT_EQ(mappedId(3), 127);
    assign(QStringLiteral("MPQ"));
    EXPECT_EQ(window->Fields[window->Reader.FieldMap[4].FieldIndex].TableID, 4);

    // The last row takes a field and stays the current row.
    window->setGridRow(52);
    assign(QStringLiteral("Description"));
    assign(QStringLiteral("Notes"));
    EXPECT_EQ(mappedId(52), 124);
    EXPECT_EQ(window->gridRow(), 52);

    // A double-click on the grid empties the row clicked; the field is free again.
    auto *grid = control<QTableWidget>("MSFlexGrid1");
    emit grid->cellDoubleClicked(2, 1);
    EXPECT_EQ(window->Reader.FieldMap[3].FieldIndex, 0);
    emit grid->cellDoubleClicked(9, 1); // a row without a field stays empty
    assign(QStringLiteral("Price"));
    EXPECT_EQ(mappedId(10), 127);
    EXPECT_EQ(prompts.messages.size(), 1);
    expectAgreement();
}

TEST_F(Mapping, ChoosingATableDiscardsTheMappingAndListsItsFields)
{
    assign(QStringLiteral("Cost"));
    assign(QStringLiteral("Price"));
    control<QComboBox>("cmbTable")->setCurrentIndex(1); // Customers
    for (int position = 0; position <= FieldMapLastPosition; ++position)
        EXPECT_EQ(window->Reader.FieldMap[position].FieldIndex, 0) << position;
    expectAgreement();
    auto *list = control<QListWidget>("lstFields");
    ASSERT_GT(list->count(), 0);
    EXPECT_EQ(list->currentRow(), 0);
    // Whichever field is assigned, the grid shows its whole name.
    const auto *grid = control<QTableWidget>("MSFlexGrid1");
    for (int i = 0; i < list->count(); ++i) {
        EXPECT_EQ(window->Fields.byId(list->item(i)->data(Qt::UserRole).toInt()).TableID, 2);
        EXPECT_GT(grid->columnWidth(1), grid->fontMetrics().horizontalAdvance(list->item(i)->text()))
            << list->item(i)->text().toStdString();
    }
}

TEST_F(Mapping, TheKeyboardAssignsFindsAndRemovesFields)
{
    window->show();
    window->ShowPanel(2);
    auto *list = control<QListWidget>("lstFields");
    auto *grid = control<QTableWidget>("MSFlexGrid1");
    auto *filter = control<QLineEdit>("txtFieldFilter");
    const auto select = [list](const char *name) {
        list->setCurrentItem(list->findItems(QString::fromLatin1(name), Qt::MatchExactly).value(0));
    };
    window->setGridRow(2);
    select("Cost");
    QTest::keyClick(list, Qt::Key_Return);
    select("Price");
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(mappedId(2), 112);
    EXPECT_EQ(mappedId(3), 127);
    EXPECT_EQ(window->gridRow(), 4);
    // A mapped field is marked in the list with the position it fills.
    EXPECT_EQ(list->findItems(QStringLiteral("Cost"), Qt::MatchExactly).value(0)->toolTip(),
              QStringLiteral("Assigned to Field 2"));

    // The filter keeps the fields whose name holds the text; arrows move
    // among them and Enter assigns the one selected.
    QTest::keyClicks(filter, QStringLiteral("desc"));
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
        if (!list->item(i)->isHidden())
            shown << list->item(i)->text();
    ASSERT_GE(shown.size(), 2) << shown.join(u',').toStdString();
    for (const QString &name : shown)
        EXPECT_TRUE(name.contains(QStringLiteral("desc"), Qt::CaseInsensitive)) << name.toStdString();
    EXPECT_EQ(list->currentItem()->text(), shown[0]);
    QTest::keyClick(filter, Qt::Key_Down);
    QTest::keyClick(filter, Qt::Key_Enter);
    EXPECT_EQ(window->gridText(4, frmMain::GridNameColumn), shown[1]);

    // Delete in the grid removes the current row's field; Enter there assigns.
    window->setGridRow(2);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(window->Reader.FieldMap[2].FieldIndex, 0);
    EXPECT_TRUE(list->findItems(QStringLiteral("Cost"), Qt::MatchExactly).value(0)->toolTip().isEmpty());
    filter->clear();
    select("Cost");
    window->setGridRow(7);
    QTest::keyClick(grid, Qt::Key_Enter);
    EXPECT_EQ(mappedId(7), 112);
    EXPECT_TRUE(prompts.messages.isEmpty());
    expectAgreement();
}

TEST_F(Mapping, TheSampleColumnShowsTheFirstLineOrItsColumnNames)
{
    control<QLineEdit>("txtFileName")->setText(writeFile(QStringLiteral("named.csv"),
                                                         "Code,Name,Price\r\nA1,\"Mug, large\",7.95\r\n"));
    auto *grid = control<QTableWidget>("MSFlexGrid1");
    const auto samples = [this] {
        return QStringList{window->gridText(1, frmMain::GridSampleColumn),
                           window->gridText(2, frmMain::GridSampleColumn),
                           window->gridText(3, frmMain::GridSampleColumn),
                           window->gridText(4, frmMain::GridSampleColumn)};
    };
    const auto heading = [grid] { return grid->horizontalHeaderItem(frmMain::GridSampleColumn)->text(); };
    window->ShowPanel(2);
    EXPECT_EQ(samples(), (QStringList{QStringLiteral("Code"), QStringLiteral("Name"), QStringLiteral("Price"), QString()}));
    EXPECT_EQ(heading(), QStringLiteral("Sample Value"));
    // The sample stands beside the position; the field id is not shown.
    EXPECT_EQ(grid->horizontalHeader()->visualIndex(frmMain::GridSampleColumn), 1);
    EXPECT_TRUE(grid->isColumnHidden(frmMain::GridIdColumn));

    control<QCheckBox>("chkSkipFirstLine")->setChecked(true);
    window->ShowPanel(2);
    EXPECT_EQ(samples(), (QStringList{QStringLiteral("A1"), QStringLiteral("Mug, large"), QStringLiteral("7.95"), QString()}));
    control<QCheckBox>("chkFirstLine")->setChecked(true);
    EXPECT_EQ(heading(), QStringLiteral("Column Name"));
    EXPECT_EQ(window->firstLineTexts().mid(0, 3),
              (QStringList{QStringLiteral("Code"), QStringLiteral("Name"), QStringLiteral("Price")}));

    // Another table keeps the positions' texts out of the mapping it discards.
    control<QComboBox>("cmbTable")->setCurrentIndex(1);
    window->ShowPanel(2);
    EXPECT_EQ(samples().value(0), QStringLiteral("Code"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

class Preview : public WizardTest
{
protected:
    // Data row (1..19) and column (0..50) of the preview.
    QString cell(int row, int column)
    {
        const QTableWidgetItem *item = preview()->item(row - 1, column);
        return item ? item->text() : QString();
    }
    QTableWidget *preview() { return control<QTableWidget>("msflexpreview"); }
    void paint(const QString &file)
    {
        control<QLineEdit>("txtFileName")->setText(file);
        window->PreviewPaint();
    }
};

TEST_F(Preview, ShowsTheFirstLinesSplitUnderTheMappedNames)
{
    QByteArray content;
    for (int field = 1; field <= 60; ++field)
        content += (field > 1 ? "," : "") + ("f" + QByteArray::number(field));
    content += "\r\nL2,b,\"c, d\"\r\n";
    for (int line = 3; line <= 25; ++line)
        content += "L" + QByteArray::number(line) + "\r\n";
    window->setGridRow(2);
    assign(QStringLiteral("Cost"));
    paint(writeFile(QStringLiteral("many.csv"), content));

    EXPECT_EQ(preview()->columnCount(), 51);
    EXPECT_TRUE(preview()->horizontalHeaderItem(0)->text().isEmpty());
    EXPECT_EQ(preview()->horizontalHeaderItem(1)->text(), QStringLiteral("Cost"));
    EXPECT_EQ(cell(1, 50), QStringLiteral("f51")); // a wide line shows its first 51 fields
    EXPECT_EQ(cell(2, 2), QStringLiteral("c, d"));
    EXPECT_TRUE(cell(2, 3).isEmpty()); // a short line leaves the rest empty
    EXPECT_EQ(cell(19, 0), QStringLiteral("L19"));

    // The skip box shifts the lines up at once.
    window->ShowPanel(3);
    control<QCheckBox>("chkSkipFirstLine")->click();
    EXPECT_EQ(cell(1, 0), QStringLiteral("L2"));
    EXPECT_EQ(cell(19, 0), QStringLiteral("L20"));

    // The quote option of panel 1 governs the split.
    control<QCheckBox>("chkQuote")->setChecked(false);
    window->PreviewPaint();
    EXPECT_EQ(cell(1, 2), QStringLiteral("\"c"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Preview, AVanishedFileGivesAMessageAndAnEmptyPreview)
{
    const QString file = writeFile(QStringLiteral("gone.csv"), "a,b\r\n");
    paint(file);
    ASSERT_EQ(cell(1, 0), QStringLiteral("a"));
    ASSERT_TRUE(QFile::remove(file));
    window->PreviewPaint();
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].text.contains(file));
    EXPECT_TRUE(cell(1, 0).isEmpty());
    EXPECT_TRUE(preview()->updatesEnabled());

    // The next painting is not blocked by the failed one.
    writeFile(QStringLiteral("gone.csv"), "again\r\n");
    window->PreviewPaint();
    EXPECT_EQ(cell(1, 0), QStringLiteral("again"));
    EXPECT_TRUE(cell(2, 0).isEmpty());
}

} // namespace
} // namespace vxr::test

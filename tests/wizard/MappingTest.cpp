#include "WizardFixture.h"

#include <QComboBox>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>

namespace vxr::test {
namespace {

class Mapping : public WizardTest
{
protected:
    // The grid row and FieldMap position agree: same field or both empty.
    void expectAgreement()
    {
        for (int row = 1; row <= 52; ++row) {
            const int index = window->Reader.FieldMap[row].FieldIndex;
            if (index == 0) {
                EXPECT_TRUE(window->gridText(row, 1).isEmpty()) << row;
                EXPECT_TRUE(window->gridText(row, 2).isEmpty()) << row;
            } else {
                EXPECT_EQ(window->gridText(row, 1), window->Fields[index].DisplayName) << row;
                EXPECT_EQ(window->gridText(row, 2), QString::number(window->Fields[index].FieldID)) << row;
            }
        }
    }
    int mappedId(int position) { return window->Fields[window->Reader.FieldMap[position].FieldIndex].FieldID; }
};

TEST_F(Mapping, TheGridIsPreparedWithItsRowsAndHeadings)
{
    auto *grid = control<QTableWidget>("MSFlexGrid1");
    EXPECT_EQ(grid->rowCount(), 52);
    EXPECT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Field No."));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("Field Name"));
    EXPECT_EQ(window->gridText(1, 0), QStringLiteral("Field 1"));
    EXPECT_EQ(window->gridText(52, 0), QStringLiteral("Field 52"));
}

TEST_F(Mapping, DoubleClickAssignsMovesDownAndRefusesATakenField)
{
    window->setGridRow(3);
    assign(QStringLiteral("Cost"));
    EXPECT_EQ(window->gridText(3, 1), QStringLiteral("Cost"));
    EXPECT_EQ(window->gridText(3, 2), QStringLiteral("112"));
    EXPECT_EQ(mappedId(3), 112);
    EXPECT_EQ(window->gridRow(), 4);

    assign(QStringLiteral("Cost"));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Database Field \"Cost\" is already assigned to Field 3"));
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
    EXPECT_EQ(window->gridRow(), 4);
    EXPECT_EQ(window->Reader.FieldMap[4].FieldIndex, 0);

    // Assigning over a field replaces it.
    window->setGridRow(3);
    assign(QStringLiteral("Price"));
    EXPECT_EQ(mappedId(3), 127);
    // A SupplierList field offered with the Inventory ones.
    assign(QStringLiteral("MPQ"));
    EXPECT_EQ(window->Fields[window->Reader.FieldMap[4].FieldIndex].TableID, 4);
    expectAgreement();
}

TEST_F(Mapping, TheLastRowTakesAFieldAndStays)
{
    window->setGridRow(52);
    assign(QStringLiteral("Description"));
    EXPECT_EQ(window->gridText(52, 1), QStringLiteral("Description"));
    EXPECT_EQ(mappedId(52), 114);
    EXPECT_EQ(window->gridRow(), 52);
    assign(QStringLiteral("Notes"));
    EXPECT_EQ(mappedId(52), 124);
    EXPECT_EQ(window->gridRow(), 52);
    expectAgreement();
}

TEST_F(Mapping, DoubleClickOnTheGridRemovesTheMapping)
{
    window->setGridRow(1);
    assign(QStringLiteral("Cost"));
    assign(QStringLiteral("Price"));
    window->setGridRow(1);
    window->MSFlexGrid1_DblClick();
    EXPECT_TRUE(window->gridText(1, 1).isEmpty());
    EXPECT_EQ(window->Reader.FieldMap[1].FieldIndex, 0);
    EXPECT_EQ(mappedId(2), 127);
    window->setGridRow(10);
    window->MSFlexGrid1_DblClick();
    EXPECT_EQ(window->Reader.FieldMap[10].FieldIndex, 0);
    // "Cost" is free again.
    assign(QStringLiteral("Cost"));
    EXPECT_TRUE(prompts.messages.isEmpty());
    expectAgreement();
}

TEST_F(Mapping, TheMouseWorksOnListAndGrid)
{
    window->resize(760, 560);
    window->show();
    window->ShowPanel(2);
    auto *list = control<QListWidget>("lstFields");
    auto *grid = control<QTableWidget>("MSFlexGrid1");
    const QRect costRect = list->visualItemRect(list->findItems(QStringLiteral("Cost"), Qt::MatchExactly).value(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, costRect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, costRect.center());
    EXPECT_EQ(mappedId(1), 112);

    const QRect cell = grid->visualRect(grid->model()->index(0, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(window->Reader.FieldMap[1].FieldIndex, 0);
    EXPECT_TRUE(window->gridText(1, 1).isEmpty());
}

TEST_F(Mapping, ChoosingATableDiscardsTheMappingAndListsItsFields)
{
    assign(QStringLiteral("Cost"));
    assign(QStringLiteral("Price"));
    control<QComboBox>("cmbTable")->setCurrentIndex(1); // Customers
    for (int row = 1; row <= 52; ++row) {
        EXPECT_TRUE(window->gridText(row, 1).isEmpty());
        EXPECT_TRUE(window->gridText(row, 2).isEmpty());
    }
    for (int position = 0; position <= FieldMapLastPosition; ++position)
        EXPECT_EQ(window->Reader.FieldMap[position].FieldIndex, 0) << position;
    auto *list = control<QListWidget>("lstFields");
    EXPECT_TRUE(list->findItems(QStringLiteral("Cost"), Qt::MatchExactly).isEmpty());
    ASSERT_GT(list->count(), 0);
    EXPECT_EQ(list->currentRow(), 0);
    for (int i = 0; i < list->count(); ++i)
        EXPECT_EQ(window->Fields.byId(list->item(i)->data(Qt::UserRole).toInt()).TableID, 2);
}

} // namespace
} // namespace vxr::test

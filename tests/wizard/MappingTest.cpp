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

TEST_F(Mapping, DoubleClickAssignsMovesDownAndRefusesATakenField)
{
    window->setGridRow(3);
    assign(QStringLiteral("Cost"));
    EXPECT_EQ(window->gridText(3, 2), QStringLiteral("112"));
    EXPECT_EQ(mappedId(3), 112);
    EXPECT_EQ(window->gridRow(), 4);

    assign(QStringLiteral("Cost"));
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(prompts.messages[0].text, QStringLiteral("Database Field \"Cost\" is already assigned to Field 3"));
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
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
    expectAgreement();
}

TEST_F(Mapping, DoubleClickOnTheGridRemovesTheMapping)
{
    assign(QStringLiteral("Cost"));
    assign(QStringLiteral("Price"));
    window->setGridRow(1);
    window->MSFlexGrid1_DblClick();
    EXPECT_EQ(window->Reader.FieldMap[1].FieldIndex, 0);
    EXPECT_EQ(mappedId(2), 127);
    window->setGridRow(10);
    window->MSFlexGrid1_DblClick();
    assign(QStringLiteral("Cost")); // free again
    EXPECT_TRUE(prompts.messages.isEmpty());
    expectAgreement();
}

TEST_F(Mapping, TheMouseWorksOnListAndGrid)
{
    window->show();
    window->ShowPanel(2);
    auto *list = control<QListWidget>("lstFields");
    auto *grid = control<QTableWidget>("MSFlexGrid1");
    const QPoint cost =
        list->visualItemRect(list->findItems(QStringLiteral("Cost"), Qt::MatchExactly).value(0)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cost);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cost);
    EXPECT_EQ(mappedId(1), 112);

    const QPoint cell = grid->visualRect(grid->model()->index(0, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(window->Reader.FieldMap[1].FieldIndex, 0);
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
    for (int i = 0; i < list->count(); ++i)
        EXPECT_EQ(window->Fields.byId(list->item(i)->data(Qt::UserRole).toInt()).TableID, 2);
}

} // namespace
} // namespace vxr::test

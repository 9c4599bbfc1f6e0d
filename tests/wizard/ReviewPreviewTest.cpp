#include "WizardFixture.h"

#include <QLabel>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>

namespace vxr::test {
namespace {

// A mixed file: a key the store holds, values read as 0 or empty and cut, a
// department found and one to add, a key repeated, then many good lines.
QByteArray mixedFile()
{
    QByteArray text = "A1,Hammer,9.50,2026-07-16,Tools\n"
                      "B2,A description far longer than thirty,abc,31.02.2026,Garden\n"
                      "B3,Saw,12.5,2026-01-02 10:20:30,tools\n"
                      "B3,Saw again,1,,\n";
    for (int n = 0; n < 3000; ++n)
        text += QStringLiteral("C%1,Item %1,%1.25,,Tools\n").arg(n).toUtf8();
    return text;
}

TEST_F(WizardTest, TheReviewPanelShowsTheValuesAsStoredAndCountsTheWholeFile)
{
    const SqliteFile seeding(store.path());
    ASSERT_TRUE(seeding.exec(QStringLiteral("INSERT INTO Department (Name, Code) VALUES ('Tools', 'T')"))
                && seeding.exec(QStringLiteral("INSERT INTO Item (ItemLookupCode, Description) VALUES ('A1', 'Old')")));
    connectWithFile(mixedFile());
    goToPanel(2);
    selectPosition(1);
    for (const char *field : {"Item Lookup Code", "Description", "Price", "Sale Start Date", "Department"})
        assign(QString::fromLatin1(field));
    const QStringList before = everyRow(store.connectionString());
    goToPanel(3);

    auto *count = control<QLabel>("lblProblemCount");
    QTRY_VERIFY_WITH_TIMEOUT(count->text().contains(QStringLiteral("lines:")), 60000);
    EXPECT_EQ(count->text(), QStringLiteral("3,004 lines: 2 would fail, 3 values in 1 lines would be stored changed "
                                            "(read as 0 or empty, or cut)."));
    EXPECT_EQ(everyRow(store.connectionString()), before) << "the preview writes nothing";

    auto *grid = control<QTableWidget>("msflexpreview");
    const auto cell = [grid](int row, int column) { return grid->item(row, column); };
    // tip: part of the tooltip; empty: none.
    const struct { int row, column; QString shown; bool marked; const char *tip; } cases[] = {
        {0, 0, "A1", true, "in the store already"},
        {0, 2, "9.5", false, ""},
        {1, 1, "A description far longer than ", true, "cut to 30 characters"},
        {1, 2, "0", true, "No number: stored as 0."},
        {1, 3, "", true, "No date: stored empty."},
        {1, 4, "Garden (new)", false, "adds it to Department"},
        {2, 3, "2026-01-02 10:20:30", false, ""},
        {2, 4, "1 (tools)", false, ""},
        {3, 0, "B3", true, "An earlier line has this key"},
    };
    for (const auto &c : cases) {
        QTableWidgetItem *item = cell(c.row, c.column);
        ASSERT_TRUE(item) << c.row << "," << c.column;
        EXPECT_EQ(item->text(), c.shown) << c.row << "," << c.column;
        EXPECT_EQ(!item->icon().isNull(), c.marked) << c.row << "," << c.column;
        EXPECT_EQ(item->background().style() != Qt::NoBrush, c.marked) << c.row << "," << c.column;
        EXPECT_TRUE(item->toolTip().contains(QLatin1String(c.tip)) && item->toolTip().isEmpty() == !*c.tip)
            << c.row << "," << c.column << ": " << item->toolTip().toStdString();
    }
    EXPECT_FALSE(grid->verticalHeaderItem(0)->icon().isNull()) << "a line that fails is marked";
    EXPECT_TRUE(grid->verticalHeaderItem(1)->icon().isNull());

    // The text as read stays a click away.
    click("optAsRead");
    EXPECT_EQ(cell(1, 2)->text(), QStringLiteral("abc"));
    EXPECT_TRUE(cell(1, 2)->icon().isNull());
    click("optAsStored");
    EXPECT_EQ(cell(1, 2)->text(), QStringLiteral("0"));
}

} // namespace
} // namespace vxr::test

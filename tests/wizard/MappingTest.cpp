#include "WizardFixture.h"

#include "catalogue/FieldTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

namespace vxr::test {
namespace {

class Mapping : public WizardTest
{
protected:
    QTableView *grid() { return control<QTableView>("MSFlexGrid1"); }
    QListWidget *list() { return control<QListWidget>("lstFields"); }
    // What the grid shows in a column of a position (1-based).
    QString shown(int position, int column) { return grid()->model()->index(position - 1, column).data().toString(); }
    QStringList headings()
    {
        QStringList texts;
        for (int visual = 0; visual < grid()->model()->columnCount(); ++visual)
            texts << grid()->model()->headerData(grid()->horizontalHeader()->logicalIndex(visual), Qt::Horizontal).toString();
        return texts;
    }
    int position() { return window->mappingPage()->currentPosition(); }
    // The set-up's mapping is what the grid shows.
    void expectGridShowsSetUp()
    {
        for (int row = 1; row <= MappingRows; ++row) {
            const int fieldId = setup().fieldIds[row];
            EXPECT_EQ(shown(row, 2), fieldId ? window->fields().byId(fieldId).displayName : QString()) << row;
        }
    }
};

TEST_F(Mapping, DoubleClicksAssignMoveDownRefuseATakenFieldAndRemove)
{
    selectPosition(3);
    assign(QStringLiteral("Cost"));
    EXPECT_EQ(setup().fieldIds[3], 112);
    EXPECT_EQ(position(), 4);

    assign(QStringLiteral("Cost"));
    EXPECT_EQ(prompts.takeOne(), QStringLiteral("Database Field \"Cost\" is already assigned to Field 3"));
    EXPECT_EQ(position(), 4);
    EXPECT_EQ(setup().fieldIds[4], 0);

    // Assigning over a field replaces it; MPQ is a SupplierList field of items.
    selectPosition(3);
    assign(QStringLiteral("Price"));
    EXPECT_EQ(setup().fieldIds[3], 127);
    assign(QStringLiteral("MPQ"));
    EXPECT_EQ(window->fields().byId(setup().fieldIds[4]).tableId, 4);

    // The last row takes a field and stays the current row.
    selectPosition(52);
    assign(QStringLiteral("Description"));
    assign(QStringLiteral("Notes"));
    EXPECT_EQ(setup().fieldIds[52], 124);
    EXPECT_EQ(position(), 52);

    // A double-click on the grid empties the row clicked; the field is free again.
    emit grid()->doubleClicked(grid()->model()->index(2, 1));
    EXPECT_EQ(setup().fieldIds[3], 0);
    emit grid()->doubleClicked(grid()->model()->index(9, 1)); // a row without a field stays empty
    assign(QStringLiteral("Price"));
    EXPECT_EQ(setup().fieldIds[10], 127);
    EXPECT_TRUE(prompts.messages.isEmpty());
    expectGridShowsSetUp();
}

// Another table asks before it clears a mapping, then lists its own fields;
// going back to a table gives its mapping back.
TEST_F(Mapping, AnotherTableAsksBeforeClearingTheMappingAndGivesItBack)
{
    assign(QStringLiteral("Item Lookup Code"));
    assign(QStringLiteral("Description"));
    const auto items = setup().fieldIds;
    auto *table = control<QComboBox>("cmbTable");
    table->setCurrentIndex(1);
    ASSERT_EQ(prompts.questions.size(), 1);
    EXPECT_TRUE(prompts.questions.first().contains(QStringLiteral("the 2 text position(s) mapped to fields of Inventory")));
    EXPECT_EQ(table->currentText(), QStringLiteral("Inventory"));
    EXPECT_EQ(setup().fieldIds, items);

    prompts.answerYes = true;
    table->setCurrentIndex(1); // Customers
    EXPECT_EQ(setup().tableId, CustomerTable);
    EXPECT_FALSE(setup().hasMapping());
    expectGridShowsSetUp();
    ASSERT_GT(list()->count(), 0);
    EXPECT_EQ(list()->currentRow(), 0);
    EXPECT_EQ(position(), 1);
    // Whichever field is assigned, the grid shows its whole name.
    for (int i = 0; i < list()->count(); ++i) {
        EXPECT_EQ(window->fields().byId(list()->item(i)->data(Qt::UserRole).toInt()).tableId, 2);
        EXPECT_GT(grid()->columnWidth(2), grid()->fontMetrics().horizontalAdvance(list()->item(i)->text()))
            << list()->item(i)->text().toStdString();
    }
    table->setCurrentIndex(2); // nothing mapped: nothing asked
    EXPECT_EQ(prompts.questions.size(), 2);
    selectPosition(1);
    assign(QStringLiteral("Supplier Name"));
    const auto suppliers = setup().fieldIds;
    table->setCurrentIndex(0);
    EXPECT_EQ(setup().fieldIds, items);
    table->setCurrentIndex(2);
    EXPECT_EQ(setup().fieldIds, suppliers);
    EXPECT_EQ(prompts.questions.size(), 4);
}

TEST_F(Mapping, TheKeyboardAssignsFindsAndRemovesFields)
{
    connectWithFile("A1,Mug\r\n");
    window->show();
    goToPanel(2);
    auto *filter = control<QLineEdit>("txtFieldFilter");
    const auto pick = [this](const char *name) {
        list()->setCurrentItem(list()->findItems(QString::fromLatin1(name), Qt::MatchExactly).value(0));
    };
    const auto tip = [this](const char *name) {
        return list()->findItems(QString::fromLatin1(name), Qt::MatchExactly).value(0)->toolTip();
    };
    selectPosition(2);
    pick("Cost");
    QTest::keyClick(list(), Qt::Key_Return);
    pick("Price");
    QTest::keyClick(list(), Qt::Key_Space);
    EXPECT_EQ(setup().fieldIds[2], 112);
    EXPECT_EQ(setup().fieldIds[3], 127);
    EXPECT_EQ(position(), 4);
    // A mapped field is marked in the list with the position it fills.
    EXPECT_EQ(tip("Cost"), QStringLiteral("Assigned to Field 2"));

    // The filter keeps the fields whose name holds the text; arrows move
    // among them and Enter assigns the one selected.
    QTest::keyClicks(filter, QStringLiteral("desc"));
    QStringList visible;
    for (int i = 0; i < list()->count(); ++i)
        if (!list()->item(i)->isHidden())
            visible << list()->item(i)->text();
    ASSERT_GE(visible.size(), 2) << visible.join(u',').toStdString();
    for (const QString &name : visible)
        EXPECT_TRUE(name.contains(QStringLiteral("desc"), Qt::CaseInsensitive)) << name.toStdString();
    EXPECT_EQ(list()->currentItem()->text(), visible[0]);
    QTest::keyClick(filter, Qt::Key_Down);
    QTest::keyClick(filter, Qt::Key_Enter);
    EXPECT_EQ(shown(4, 2), visible[1]);

    // Delete in the grid removes the current row's field; Enter there assigns.
    selectPosition(2);
    QTest::keyClick(grid(), Qt::Key_Delete);
    EXPECT_EQ(setup().fieldIds[2], 0);
    EXPECT_TRUE(tip("Cost").isEmpty());
    filter->clear();
    pick("Cost");
    selectPosition(7);
    QTest::keyClick(grid(), Qt::Key_Enter);
    EXPECT_EQ(setup().fieldIds[7], 112);
    EXPECT_TRUE(prompts.messages.isEmpty());
    expectGridShowsSetUp();
}

TEST_F(Mapping, TheSampleColumnShowsTheFirstLineOrItsColumnNames)
{
    connectWithFile("Code,Name,Price\r\nA1,\"Mug, large\",7.95\r\n");
    const auto samples = [this] { return QStringList{shown(1, 1), shown(2, 1), shown(3, 1), shown(4, 1)}; };
    goToPanel(2);
    EXPECT_EQ(samples(), (QStringList{QStringLiteral("Code"), QStringLiteral("Name"), QStringLiteral("Price"), QString()}));
    // The sample stands beside the position.
    EXPECT_EQ(headings(), (QStringList{QStringLiteral("Field No."), QStringLiteral("Sample Value"),
                                       QStringLiteral("Field Name")}));

    click("cmdNext");
    click("chkSkipFirstLine");
    click("cmdBack");
    EXPECT_EQ(samples(), (QStringList{QStringLiteral("A1"), QStringLiteral("Mug, large"), QStringLiteral("7.95"), QString()}));
    click("chkFirstLine");
    EXPECT_TRUE(setup().firstLineHeader);
    EXPECT_EQ(headings().value(1), QStringLiteral("Column Name"));
    EXPECT_EQ(samples().value(0), QStringLiteral("Code"));
    prompts.messages.clear(); // the names that map nothing

    // Another table keeps the positions' texts.
    click("cmdBack");
    control<QComboBox>("cmbTable")->setCurrentIndex(1);
    click("cmdNext");
    EXPECT_EQ(samples().value(0), QStringLiteral("Code"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// Enter in the search box maps the field the text picks, and nothing when
// several fit equally well, such as the fields starting "Buydown".
TEST_F(Mapping, EnterInTheSearchBoxMapsOnlyAFieldTheTextPicks)
{
    connectWithFile("A1\r\n");
    window->show();
    goToPanel(2);
    auto *filter = control<QLineEdit>("txtFieldFilter");
    const struct { const char *text; int fieldId; bool severalMatch; } rows[] = {
        {"price", 127, false}, {"quantity", 134, false}, {"buydown", 0, true},
        {"pric", 0, true},     {"vendor", 142, false},   {"nothing like it", 0, false},
        {"tare weight\b", 0, true}, // Tare Weight, picked before the last key, is no longer the choice
    };
    int position = 1;
    for (const auto &row : rows) {
        filter->clear();
        selectPosition(position);
        QTest::keyClicks(filter, QString::fromLatin1(row.text));
        QTest::keyClick(filter, Qt::Key_Return);
        EXPECT_EQ(setup().fieldIds[position], row.fieldId) << row.text;
        EXPECT_EQ(control("lblFieldSearch")->isVisible(), row.severalMatch) << row.text;
        position += row.fieldId ? 1 : 0;
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

// Column names that only suggest a field wait beside the grid for the
// operator: one mapped meanwhile by hand drops its suggestion, and Accept
// maps the rest.
TEST_F(Mapping, SuggestionsFromColumnNamesWaitToBeAccepted)
{
    connectWithFile("Item No.,Description,Retail Price,On Hand,Mystery\r\nA1,Mug,7.95,3,x\r\n");
    window->show();
    goToPanel(2);
    click("chkFirstLine");
    EXPECT_TRUE(prompts.takeOne(MessageKind::Exclamation).endsWith(QStringLiteral("5 \"Mystery\"")));
    // The grid shows the suggestions in italics where nothing is mapped.
    const auto fieldColumn = [this] { return QStringList{shown(1, 2), shown(2, 2), shown(3, 2), shown(4, 2)}; };
    EXPECT_EQ(fieldColumn(), (QStringList{QStringLiteral("Item Lookup Code"), QStringLiteral("Description"),
                                          QStringLiteral("Price"), QStringLiteral("Quantity")}));
    EXPECT_EQ((std::array{setup().fieldIds[1], setup().fieldIds[2], setup().fieldIds[3]}), (std::array{0, 114, 0}));
    EXPECT_TRUE(grid()->model()->index(0, 2).data(Qt::FontRole).value<QFont>().italic());
    EXPECT_TRUE(control<QLabel>("lblSuggestions")->text().contains(QStringLiteral("suggest 3 more fields")));

    selectPosition(3);
    assign(QStringLiteral("Cost"));
    selectPosition(6);
    assign(QStringLiteral("Quantity"));
    EXPECT_EQ(fieldColumn(), (QStringList{QStringLiteral("Item Lookup Code"), QStringLiteral("Description"),
                                          QStringLiteral("Cost"), QString()}));
    click("cmdAcceptSuggestions");
    const int expected[] = {116, 114, 112, 0, 0, 134};
    for (int position = 1; position <= 6; ++position)
        EXPECT_EQ(setup().fieldIds[position], expected[position - 1]) << position;
    EXPECT_FALSE(control("cmdAcceptSuggestions")->isVisible());
    EXPECT_FALSE(grid()->model()->index(0, 2).data(Qt::FontRole).value<QFont>().italic());
    expectGridShowsSetUp();
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
};

TEST_F(Preview, ShowsTheFirstLinesSplitAsTheImportSplitsThemUnderTheMappedNames)
{
    QByteArray content;
    for (int field = 1; field <= 60; ++field)
        content += (field > 1 ? "," : "") + ("f" + QByteArray::number(field));
    content += "\r\nL2,b,\"c, d\"\r\n";
    for (int line = 3; line <= 25; ++line)
        content += "L" + QByteArray::number(line) + "\r\n";
    connectWithFile(content);
    goToPanel(2);
    selectPosition(2);
    assign(QStringLiteral("Cost"));
    click("cmdNext");

    EXPECT_EQ(preview()->columnCount(), 51);
    EXPECT_TRUE(preview()->horizontalHeaderItem(0)->text().isEmpty());
    EXPECT_EQ(preview()->horizontalHeaderItem(1)->text(), QStringLiteral("Cost"));
    EXPECT_EQ(cell(1, 50), QStringLiteral("f51")); // a wide line shows its first 51 fields
    EXPECT_EQ(cell(2, 2), QStringLiteral("c, d"));
    EXPECT_TRUE(cell(2, 3).isEmpty()); // a short line leaves the rest empty
    EXPECT_EQ(cell(19, 0), QStringLiteral("L19"));

    // The skip box shifts the lines up at once.
    click("chkSkipFirstLine");
    EXPECT_TRUE(setup().skipFirstLine);
    EXPECT_EQ(cell(1, 0), QStringLiteral("L2"));
    EXPECT_EQ(cell(19, 0), QStringLiteral("L20"));

    // The options of panel 1 govern the split.
    click("cmdBack");
    click("cmdBack");
    click("chkQuote");
    goToPanel(3);
    EXPECT_EQ(cell(1, 2), QStringLiteral("\"c"));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(Preview, AVanishedFileGivesAMessageAndAnEmptyPreview)
{
    connectWithFile("a,b\r\n");
    goToPanel(3);
    ASSERT_EQ(cell(1, 0), QStringLiteral("a"));
    ASSERT_TRUE(QFile::remove(setup().textFile));
    click("chkSkipFirstLine"); // which reads the file again
    EXPECT_TRUE(prompts.takeOne().contains(QDir::toNativeSeparators(setup().textFile)));
    EXPECT_TRUE(cell(1, 0).isEmpty());

    writeFile(QStringLiteral("items.csv"), "again\r\n");
    click("chkSkipFirstLine");
    EXPECT_EQ(cell(1, 0), QStringLiteral("again"));
    EXPECT_TRUE(cell(2, 0).isEmpty());
}

} // namespace
} // namespace vxr::test

#include "WizardFixture.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>

namespace vxr::test {
namespace {

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

TEST_F(Preview, ShowsTheFirstLinesUnderTheMappedNames)
{
    QByteArray content;
    for (int line = 1; line <= 25; ++line)
        content += "L" + QByteArray::number(line) + ",b,\"c, d\"\r\n";
    window->setGridRow(2);
    assign(QStringLiteral("Cost"));
    paint(writeFile(QStringLiteral("many.csv"), content));

    EXPECT_EQ(preview()->rowCount(), 19);
    EXPECT_EQ(preview()->columnCount(), 51);
    EXPECT_TRUE(preview()->horizontalHeaderItem(0)->text().isEmpty());
    EXPECT_EQ(preview()->horizontalHeaderItem(1)->text(), QStringLiteral("Cost"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("L1"));
    EXPECT_EQ(cell(1, 2), QStringLiteral("c, d"));
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

TEST_F(Preview, ShortAndWideLines)
{
    QByteArray wide;
    for (int field = 1; field <= 60; ++field)
        wide += (field > 1 ? "," : "") + ("f" + QByteArray::number(field));
    paint(writeFile(QStringLiteral("short.csv"), "a,b,c\r\n" + wide + "\r\n"));
    EXPECT_EQ(cell(1, 2), QStringLiteral("c"));
    EXPECT_TRUE(cell(1, 3).isEmpty());
    EXPECT_EQ(cell(2, 50), QStringLiteral("f51"));
    EXPECT_EQ(preview()->columnCount(), 51);
    EXPECT_TRUE(cell(3, 0).isEmpty());
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
}

} // namespace
} // namespace vxr::test

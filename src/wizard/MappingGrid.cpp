// The field mapping grid of panel 2 and the database field list beside it.
// Every change goes to the grid and to the reader's FieldMap together, so the
// two always agree.
#include "frmMain.h"

#include "UserPrompts.h"

#include <QHeaderView>
#include <QListWidget>
#include <QTableWidget>

namespace vxr {

namespace {
constexpr int GridRows = 52;
constexpr int NameColumn = frmMain::GridNameColumn;
constexpr int IdColumn = frmMain::GridIdColumn;
// Room beside a cell's or heading's text for the cell margins.
constexpr int TextPadding = 16;
} // namespace

void frmMain::PrepGrid()
{
    MSFlexGrid1->clear();
    MSFlexGrid1->setColumnCount(3);
    MSFlexGrid1->setRowCount(GridRows);
    MSFlexGrid1->setHorizontalHeaderLabels({QStringLiteral("Field No."), QStringLiteral("Field Name"), QString()});
    // The first column keeps its heading readable whatever the font.
    const int headingWidth = MSFlexGrid1->fontMetrics().horizontalAdvance(QStringLiteral("Field No.")) + TextPadding;
    MSFlexGrid1->setColumnWidth(0, std::max(twipsToPixels(900), headingWidth));
    MSFlexGrid1->setColumnWidth(1, twipsToPixels(1800));
    MSFlexGrid1->setColumnWidth(2, twipsToPixels(2000));
    for (int row = 1; row <= GridRows; ++row) {
        MSFlexGrid1->setItem(row - 1, 0, new QTableWidgetItem(QStringLiteral("Field ") + QString::number(row)));
        MSFlexGrid1->setItem(row - 1, NameColumn, new QTableWidgetItem);
        MSFlexGrid1->setItem(row - 1, IdColumn, new QTableWidgetItem);
    }
    MSFlexGrid1->setCurrentCell(0, 0);
    for (int position = 0; position <= FieldMapLastPosition; ++position)
        Reader.SetMapping(position, 0);
}

// The name column is at least as wide as the longest name in the field list,
// so that whichever field is assigned shows in full.
void frmMain::fitNameColumn()
{
    const QFontMetrics metrics = MSFlexGrid1->fontMetrics();
    int width = twipsToPixels(1800);
    for (int i = 0; i < lstFields->count(); ++i)
        width = std::max(width, metrics.horizontalAdvance(lstFields->item(i)->text()) + TextPadding);
    MSFlexGrid1->setColumnWidth(NameColumn, width);
}

int frmMain::gridRow() const
{
    const int row = MSFlexGrid1->currentRow();
    return row < 0 ? 1 : row + 1;
}

void frmMain::setGridRow(int row)
{
    const int column = std::max(MSFlexGrid1->currentColumn(), 0);
    MSFlexGrid1->setCurrentCell(row - 1, column);
}

QString frmMain::gridText(int row, int column) const
{
    const QTableWidgetItem *item = MSFlexGrid1->item(row - 1, column);
    return item ? item->text() : QString();
}

void frmMain::setGridText(int row, int column, const QString &text)
{
    QTableWidgetItem *item = MSFlexGrid1->item(row - 1, column);
    if (item)
        item->setText(text);
    else
        MSFlexGrid1->setItem(row - 1, column, new QTableWidgetItem(text));
}

void frmMain::lstFields_DblClick()
{
    const QListWidgetItem *selected = lstFields->currentItem();
    if (!selected)
        return;
    const QString name = selected->text();
    for (int row = 1; row <= GridRows; ++row) {
        if (gridText(row, NameColumn) == name) {
            m_prompts.message(MessageKind::Critical, QStringLiteral("Database Field \"") + name
                                                         + QStringLiteral("\" is already assigned to Field ")
                                                         + QString::number(row));
            return;
        }
    }
    const int row = gridRow();
    const int fieldId = selected->data(Qt::UserRole).toInt();
    setGridText(row, NameColumn, name);
    setGridText(row, IdColumn, QString::number(fieldId));
    // The next double-click fills the next position; the last row stays put.
    MSFlexGrid1->setCurrentCell(std::min(row + 1, GridRows) - 1, NameColumn);
    Reader.SetMapping(row, fieldId);
}

void frmMain::MSFlexGrid1_DblClick()
{
    const int row = gridRow();
    setGridText(row, NameColumn, QString());
    setGridText(row, IdColumn, QString());
    MSFlexGrid1->setCurrentCell(row - 1, NameColumn);
    Reader.SetMapping(row, 0);
}

} // namespace vxr

#include "StoredCells.h"

#include <QApplication>
#include <QStyle>
#include <QTableWidget>

namespace vxr {

namespace {

const QColor FailsColour(0xf4, 0xc7, 0xc3);   // light red
const QColor ChangedColour(0xfc, 0xe8, 0xb2); // light amber

void markItem(QTableWidgetItem *item, CellMark mark, const QString &problem)
{
    QStyle *style = QApplication::style();
    if (mark == CellMark::Fails) {
        item->setBackground(FailsColour);
        item->setIcon(style->standardIcon(QStyle::SP_MessageBoxCritical));
    } else if (mark == CellMark::Changed) {
        item->setBackground(ChangedColour);
        item->setIcon(style->standardIcon(QStyle::SP_MessageBoxWarning));
    } else if (!problem.isEmpty()) {
        // Something worth knowing (a row to be added): in italics.
        QFont font = item->font();
        font.setItalic(true);
        item->setFont(font);
    }
    if (mark != CellMark::None)
        item->setForeground(QColor(Qt::black));
    item->setToolTip(problem);
}

} // namespace

void showStoredLine(QTableWidget *grid, int row, const PreviewLine &line, int columns)
{
    for (int column = 0; column < columns && column + 1 < line.cells.size(); ++column) {
        const PreviewCell &cell = line.cells.at(column + 1);
        auto *item = new QTableWidgetItem(cell.shown);
        markItem(item, cell.mark, cell.problem);
        grid->setItem(row, column, item);
    }
    auto *heading = new QTableWidgetItem(QString::number(row + 1));
    if (line.fails) {
        heading->setIcon(QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical));
        heading->setToolTip(line.problem.isEmpty() ? QStringLiteral("This line would fail.") : line.problem);
    }
    grid->setVerticalHeaderItem(row, heading);
}

} // namespace vxr

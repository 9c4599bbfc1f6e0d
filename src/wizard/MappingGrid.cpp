// The field mapping grid of panel 2 and the database field list beside it.
// Every change goes to the grid and to the reader's FieldMap together, so the
// two always agree. Besides the mouse (double-clicks) the keyboard maps: Enter
// or Space in the list, the filter box or the grid assigns the selected field
// to the grid's current row, Delete (or Backspace) in the grid removes it.
#include "frmMain.h"

#include "UserPrompts.h"

#include <QCheckBox>
#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QTableWidget>

#include <algorithm>

namespace vxr {

namespace {
constexpr int GridRows = 52;
constexpr int NameColumn = frmMain::GridNameColumn;
constexpr int IdColumn = frmMain::GridIdColumn;
constexpr int SampleColumn = frmMain::GridSampleColumn;
// Room beside a cell's or heading's text for the cell margins.
constexpr int TextPadding = 16;
constexpr int WidestSample = 220;

bool isKey(const QKeyEvent *key, std::initializer_list<int> keys)
{
    if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    return std::find(keys.begin(), keys.end(), key->key()) != keys.end();
}

QString sampleHeading(bool firstRowHoldsNames)
{
    return firstRowHoldsNames ? QStringLiteral("Column Name") : QStringLiteral("Sample Value");
}

} // namespace

void frmMain::PrepGrid()
{
    MSFlexGrid1->clear();
    MSFlexGrid1->setColumnCount(4);
    MSFlexGrid1->setRowCount(GridRows);
    MSFlexGrid1->setHorizontalHeaderLabels({QStringLiteral("Field No."), QStringLiteral("Field Name"),
                                            QStringLiteral("Field ID"), sampleHeading(chkFirstLine->isChecked())});
    // The id travels with the row (settings files store it) but says nothing
    // to the operator; the sample of the text sits beside the position.
    MSFlexGrid1->setColumnHidden(IdColumn, true);
    QHeaderView *header = MSFlexGrid1->horizontalHeader();
    if (header->visualIndex(SampleColumn) != 1)
        header->moveSection(header->visualIndex(SampleColumn), 1);
    // The first column keeps its heading readable whatever the font.
    const int headingWidth = MSFlexGrid1->fontMetrics().horizontalAdvance(QStringLiteral("Field No.")) + TextPadding;
    MSFlexGrid1->setColumnWidth(0, std::max(twipsToPixels(900), headingWidth));
    MSFlexGrid1->setColumnWidth(NameColumn, twipsToPixels(1800));
    MSFlexGrid1->setColumnWidth(SampleColumn, twipsToPixels(2000));
    for (int row = 1; row <= GridRows; ++row) {
        MSFlexGrid1->setItem(row - 1, 0, new QTableWidgetItem(QStringLiteral("Field ") + QString::number(row)));
        MSFlexGrid1->setItem(row - 1, NameColumn, new QTableWidgetItem);
        MSFlexGrid1->setItem(row - 1, IdColumn, new QTableWidgetItem);
        MSFlexGrid1->setItem(row - 1, SampleColumn, new QTableWidgetItem);
    }
    MSFlexGrid1->setCurrentCell(0, 0);
    for (int position = 0; position <= FieldMapLastPosition; ++position)
        Reader.SetMapping(position, 0);
    markAssignedFields();
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
    if (column == NameColumn)
        markAssignedFields();
}

void frmMain::setGridMapping(int row, int fieldId)
{
    const int index = fieldId ? Fields.FindFieldIndex(fieldId) : 0;
    setGridText(row, IdColumn, index ? QString::number(fieldId) : QString());
    setGridText(row, NameColumn, index ? Fields[index].DisplayName : QString());
    Reader.SetMapping(row, index ? fieldId : 0);
}

// Fields already on a row of the grid are shown dimmed in the list, with the
// position they fill, so the operator sees what is left to map.
void frmMain::markAssignedFields()
{
    QHash<QString, int> rowOf;
    for (int row = 1; row <= GridRows; ++row) {
        const QString name = gridText(row, NameColumn);
        if (!name.isEmpty())
            rowOf.insert(name, row);
    }
    const QColor dimmed = lstFields->palette().color(QPalette::Disabled, QPalette::Text);
    for (int i = 0; i < lstFields->count(); ++i) {
        QListWidgetItem *item = lstFields->item(i);
        const int row = rowOf.value(item->text());
        QFont font = item->font();
        font.setItalic(row > 0);
        item->setFont(font);
        item->setForeground(row > 0 ? QBrush(dimmed) : QBrush());
        item->setToolTip(row > 0 ? QStringLiteral("Assigned to Field %1").arg(row) : QString());
    }
}

void frmMain::lstFields_DblClick()
{
    const QListWidgetItem *selected = lstFields->currentItem();
    if (!selected || selected->isHidden())
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
    // The next assignment fills the next position; the last row stays put.
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

// Shows only the fields whose name holds the filter text; the selection moves
// to the first of them when the selected one is hidden.
void frmMain::filterFieldList(const QString &text)
{
    const QString wanted = text.trimmed();
    QListWidgetItem *firstShown = nullptr;
    for (int i = 0; i < lstFields->count(); ++i) {
        QListWidgetItem *item = lstFields->item(i);
        const bool shown = wanted.isEmpty() || item->text().contains(wanted, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (shown && !firstShown)
            firstShown = item;
    }
    QListWidgetItem *current = lstFields->currentItem();
    if (!current || current->isHidden())
        lstFields->setCurrentItem(firstShown);
}

// Moves the list's selection to the next (step 1) or previous (-1) shown field.
void frmMain::stepFieldList(int step)
{
    for (int i = lstFields->currentRow() + step; i >= 0 && i < lstFields->count(); i += step) {
        if (!lstFields->item(i)->isHidden()) {
            lstFields->setCurrentRow(i);
            return;
        }
    }
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == lstFields && isKey(key, {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})) {
        lstFields_DblClick();
        return true;
    }
    if (watched == txtFieldFilter) {
        if (isKey(key, {Qt::Key_Return, Qt::Key_Enter})) {
            lstFields_DblClick();
            return true;
        }
        if (isKey(key, {Qt::Key_Down, Qt::Key_Up})) {
            stepFieldList(key->key() == Qt::Key_Down ? 1 : -1);
            return true;
        }
    }
    if (watched == MSFlexGrid1) {
        if (isKey(key, {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})) {
            lstFields_DblClick();
            return true;
        }
        if (isKey(key, {Qt::Key_Delete, Qt::Key_Backspace})) {
            MSFlexGrid1_DblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// The sample column: the texts of the file's first line (the column names
// when the first row holds them), or of its second line when the first is
// skipped, split as the import splits them. A file that cannot be read leaves
// the column empty; the preview says why.
void frmMain::fillSampleColumn()
{
    const bool names = chkFirstLine->isChecked();
    MSFlexGrid1->horizontalHeaderItem(SampleColumn)->setText(sampleHeading(names));
    m_firstLineTexts.clear();
    for (int row = 1; row <= GridRows; ++row)
        MSFlexGrid1->item(row - 1, SampleColumn)->setText(QString());

    const auto close = qScopeGuard([this] { Reader.CloseTextFile(); });
    if (!Reader.OpenTextFile(txtFileName->text()))
        return;
    Reader.RewindTextFile();
    if (!names && chkSkipFirstLine->isChecked() && !Reader.AtEndOfFile())
        Reader.ReadNextRecord();
    if (Reader.AtEndOfFile())
        return;
    Reader.ReadNextRecord();
    if (Reader.hasReadError())
        return;
    int width = 0;
    for (int row = 1; row <= GridRows; ++row) {
        const QString text = Reader.FieldMap[row].Text;
        m_firstLineTexts << text;
        MSFlexGrid1->item(row - 1, SampleColumn)->setText(text);
        width = std::max(width, MSFlexGrid1->fontMetrics().horizontalAdvance(text) + TextPadding);
    }
    const int heading = MSFlexGrid1->fontMetrics().horizontalAdvance(sampleHeading(names)) + 2 * TextPadding;
    MSFlexGrid1->setColumnWidth(SampleColumn, std::clamp(width, heading, WidestSample));
}

} // namespace vxr

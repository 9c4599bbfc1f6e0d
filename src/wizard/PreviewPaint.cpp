// The preview of panel 3: the first lines of the text file split exactly as
// the import will split them, under the names of the mapped fields.
#include "frmMain.h"

#include "UserPrompts.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTableWidget>

#include <algorithm>

namespace vxr {

namespace {
constexpr int PreviewLines = 19;
constexpr int PreviewColumns = 51;
} // namespace

void frmMain::PreviewPaint()
{
    // The grid is drawn once, when it is complete.
    msflexpreview->setUpdatesEnabled(false);
    const auto resumeDrawing = qScopeGuard([this] { msflexpreview->setUpdatesEnabled(true); });
    // A painting asked for while one is filling the grid is dropped.
    if (m_previewBusy)
        return;
    m_previewBusy = true;
    const auto idle = qScopeGuard([this] { m_previewBusy = false; });

    msflexpreview->clear();
    msflexpreview->setRowCount(PreviewLines);
    msflexpreview->setColumnCount(PreviewColumns);
    QStringList headings;
    for (int position = 1; position <= PreviewColumns; ++position)
        headings << gridText(position, GridNameColumn);
    msflexpreview->setHorizontalHeaderLabels(headings);

    const QString path = txtFileName->text();
    const auto unreadable = [&] {
        const QString reason = Reader.errorString();
        Reader.CloseTextFile();
        msflexpreview->clearContents();
        m_prompts.message(MessageKind::Critical, QStringLiteral("The text file cannot be previewed:\r\n")
                                                     + QDir::toNativeSeparators(path)
                                                     + (reason.isEmpty() ? QString() : QStringLiteral("\r\n") + reason));
    };
    if (!Reader.OpenTextFile(path)) {
        unreadable();
        return;
    }
    Reader.RewindTextFile();
    // A first line of column names is not imported either.
    if ((chkSkipFirstLine->isChecked() || chkFirstLine->isChecked()) && !Reader.AtEndOfFile())
        Reader.ReadNextRecord();
    for (int row = 0; row < PreviewLines && !Reader.AtEndOfFile(); ++row) {
        Reader.ReadNextRecord();
        if (Reader.hasReadError()) {
            unreadable();
            return;
        }
        for (int position = 1; position <= PreviewColumns; ++position)
            msflexpreview->setItem(row, position - 1, new QTableWidgetItem(Reader.FieldMap[position].Text));
    }
    Reader.CloseTextFile();
    fitPreviewColumns();
}

// Columns as wide as their heading and data, within reason.
void frmMain::fitPreviewColumns()
{
    msflexpreview->resizeColumnsToContents();
    for (int column = 0; column < msflexpreview->columnCount(); ++column)
        msflexpreview->setColumnWidth(column, std::clamp(msflexpreview->columnWidth(column), 60, 220));
}

void frmMain::chkSkipFirstLine_Click()
{
    PreviewPaint();
}

} // namespace vxr

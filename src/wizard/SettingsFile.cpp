// Saving the wizard's set-up to an ".imp" settings file and loading it back.
#include "frmMain.h"

#include "UserPrompts.h"

#include "import/SessionSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>

namespace vxr {

namespace {

const QString SettingsFilter = QStringLiteral("Import Settings (*.imp)");

// The whole number a text starts with (after blanks); 0 when it has none.
int leadingNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?\\d{1,9})"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

// A list index from a settings file; an index the list does not have falls
// back to the first entry, as a missing key does.
int indexWithin(const QComboBox *list, int index)
{
    return index >= 0 && index < list->count() ? index : 0;
}

// A relative text file name in a settings file means the file beside the
// settings file, when it is there; the program's working folder says nothing.
QString textFileBeside(const QString &settingsFile, const QString &textFile)
{
    if (textFile.isEmpty() || !QFileInfo(textFile).isRelative())
        return textFile;
    const QString beside = QFileInfo(settingsFile).absoluteDir().filePath(textFile);
    return QFileInfo(beside).isFile() ? QDir::toNativeSeparators(QDir::cleanPath(beside)) : textFile;
}

} // namespace

void frmMain::cmdLoad_Click()
{
    LoadSettings();
}

void frmMain::cmdSave_Click()
{
    SaveSettings();
}

void frmMain::LoadSettings()
{
    const QString initial = txtLoadSettings->text().isEmpty() ? QCoreApplication::applicationDirPath()
                                                              : txtLoadSettings->text();
    const QString fileName =
        m_prompts.getOpenFileName(QStringLiteral("Load Saved Settings"), initial, SettingsFilter);
    // Cancelling the dialog keeps the current set-up rather than clearing it.
    if (fileName.isEmpty())
        return;
    txtLoadSettings->setText(QDir::toNativeSeparators(fileName));
    ReadSettings(fileName);
    focusAfterLoad();
}

void frmMain::focusAfterLoad()
{
    // Connecting is the next step; while connected, moving on is.
    for (QWidget *candidate : {static_cast<QWidget *>(cmdConnect), static_cast<QWidget *>(cmdNext),
                               static_cast<QWidget *>(txtFileName)}) {
        if (candidate->isEnabled()) {
            candidate->setFocus();
            return;
        }
    }
}

void frmMain::selectTableIndex(int index)
{
    // The table-change handling runs even when the entry does not change, so
    // that positions the file leaves empty are unmapped as well.
    const int before = cmbTable->currentIndex();
    cmbTable->setCurrentIndex(index);
    if (cmbTable->currentIndex() == before)
        cmbTable_Click();
}

void frmMain::ReadSettings(const QString &fileName)
{
    const SessionSettings settings = SessionSettings::read(fileName);
    chkQuote->setChecked(settings.QuoteDelimiter);
    chkDuplicate->setChecked(settings.Duplicate);
    cmbDelimiter->setCurrentIndex(indexWithin(cmbDelimiter, settings.FieldDelimiter));
    selectTableIndex(indexWithin(cmbTable, settings.TableName));
    txtFileName->setText(textFileBeside(fileName, settings.FileName));
    for (int row = 1; row <= MappingRows; ++row)
        setGridText(row, GridNameColumn, settings.FieldNames[row - 1]);
    for (int row = 1; row <= MappingRows; ++row)
        setGridText(row, GridIdColumn, settings.FieldIds[row - 1]);
    setGridRow(1);

    const int dropped = applyMappingFromGrid();
    if (dropped > 0) {
        m_prompts.message(MessageKind::Exclamation,
                          QString::number(dropped)
                              + QStringLiteral(" field mapping(s) of the settings file do not belong to the table \"")
                              + cmbTable->currentText() + QStringLiteral("\" and were left out."));
    }
}

// Maps every grid row that carries a field id. A row whose id is not one of
// the chosen table's fields, or that has a name but no id, is emptied, so that
// what the grid shows is what will be imported. Returns the number emptied.
int frmMain::applyMappingFromGrid()
{
    const QList<int> offered = Fields.offeredFieldIndices(cmbTable->currentData().toInt());
    int dropped = 0;
    for (int row = 1; row <= MSFlexGrid1->rowCount(); ++row) {
        const QString idText = gridText(row, GridIdColumn);
        if (idText.isEmpty()) {
            if (!gridText(row, GridNameColumn).isEmpty()) {
                setGridText(row, GridNameColumn, QString());
                ++dropped;
            }
            continue;
        }
        const int fieldId = leadingNumber(idText);
        const int index = Fields.FindFieldIndex(fieldId);
        if (index == 0 || !offered.contains(index)) {
            setGridText(row, GridNameColumn, QString());
            setGridText(row, GridIdColumn, QString());
            Reader.SetMapping(row, 0);
            ++dropped;
            continue;
        }
        // The catalogue's name, so that the "already assigned" check sees it.
        setGridText(row, GridNameColumn, Fields[index].DisplayName);
        Reader.SetMapping(row, fieldId);
    }
    return dropped;
}

void frmMain::SaveSettings()
{
    QString target = txtLoadSettings->text();
    if (target.isEmpty()) {
        target = m_prompts.getSaveFileName(QStringLiteral("Save Session Settings"), QString(), SettingsFilter);
        if (target.isEmpty())
            return;
        if (QFileInfo(target).suffix().isEmpty())
            target += QStringLiteral(".imp");
        target = QDir::toNativeSeparators(target);
        txtLoadSettings->setText(target);
    }

    SessionSettings settings;
    settings.SkipFirstLine = chkSkipFirstLine->isChecked();
    settings.QuoteDelimiter = chkQuote->isChecked();
    settings.Duplicate = chkDuplicate->isChecked();
    settings.FirstLineHeader = chkFirstLine->isChecked();
    settings.FieldDelimiter = cmbDelimiter->currentIndex();
    settings.TableName = cmbTable->currentIndex();
    settings.FileName = txtFileName->text();
    settings.ConnectionString = txtVXRDB->text();
    for (int row = 1; row <= MappingRows; ++row) {
        settings.FieldNames[row - 1] = gridText(row, GridNameColumn);
        settings.FieldIds[row - 1] = gridText(row, GridIdColumn);
    }
    // The cells are read one after another, which leaves the last one current:
    // the next field double-clicked goes to position 52.
    MSFlexGrid1->setCurrentCell(MappingRows - 1, 2);

    QString error;
    if (!settings.write(QDir::fromNativeSeparators(target), &error)) {
        m_prompts.message(MessageKind::Critical, QStringLiteral("Your settings could not be saved to ") + target
                                                     + (error.isEmpty() ? QString() : QStringLiteral("\r\n") + error));
        return;
    }
    m_prompts.message(MessageKind::Plain, QStringLiteral("Your settings have been saved to ") + target);
}

} // namespace vxr

// Saving the wizard's set-up to an ".imp" settings file and loading it back.
#include "frmMain.h"

#include "UserPrompts.h"
#include "frmConnect.h"

#include "import/HeaderLine.h"
#include "import/PanelChoices.h"
#include "import/SetupFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace vxr {

namespace {

const QString SettingsFilter = QStringLiteral("Import Settings (*.imp)");

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
    const bool read = ReadSettings(fileName);
    focusAfterLoad();
    if (read)
        offerNamedConnection(fileName);
}

// Without a connection, the database the settings file names is offered in
// the connection dialog; the operator types the password (files never hold
// one) or cancels.
void frmMain::offerNamedConnection(const QString &settingsFile)
{
    if (Connection.isOpen())
        return;
    const QString named = readSetupConnection(settingsFile);
    if (!named.isEmpty())
        m_connect->offerConnection(named);
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

// A file with a value the set-up cannot take is refused as a whole, with the
// key named; the panels keep what they showed.
bool frmMain::ReadSettings(const QString &fileName)
{
    ImportSetup setup = currentSetup();
    QString error;
    if (!readSetupFile(fileName, Fields, &setup, &error)) {
        m_prompts.message(MessageKind::Critical, sentence(error));
        return false;
    }
    showSetup(setup);
    if (setup.firstLineHeader)
        fillGridFromHeader(true);
    return true;
}

ImportSetup frmMain::currentSetup() const
{
    ImportSetup setup;
    setup.tableId = cmbTable->currentData().toInt();
    setup.textFile = txtFileName->text();
    setup.delimiterCode = Reader.DelimiterCode;
    setup.quotesAsDelimiters = chkQuote->isChecked();
    setup.duplicatesAsErrors = chkDuplicate->isChecked();
    setup.skipFirstLine = chkSkipFirstLine->isChecked();
    setup.firstLineHeader = chkFirstLine->isChecked();
    setup.encoding = Reader.Encoding;
    setup.localeName = LocaleName;
    setup.stripApostrophes = chkStripApostrophes->isChecked();
    setup.strictValues = chkStrict->isChecked();
    setup.connectionString = connectionText();
    setup.logPath = LogPath;
    for (int row = 1; row <= MappingRows; ++row)
        setup.fieldIds[row] = gridText(row, GridIdColumn).toInt();
    return setup;
}

void frmMain::showSetup(const ImportSetup &setup)
{
    chkQuote->setChecked(setup.quotesAsDelimiters);
    chkDuplicate->setChecked(setup.duplicatesAsErrors);
    cmbDelimiter->setCurrentIndex(std::max(delimiterIndex(setup.delimiterCode), 0));
    selectTableIndex(std::max(offeredTableIndex(setup.tableId), 0));
    txtFileName->setText(QDir::toNativeSeparators(setup.textFile));
    chkSkipFirstLine->setChecked(setup.skipFirstLine);
    chkFirstLine->setChecked(setup.firstLineHeader);
    showEncoding(setup.encoding);
    showLocale(setup.localeName);
    chkStripApostrophes->setChecked(setup.stripApostrophes);
    chkStrict->setChecked(setup.strictValues);
    showMapping(setup);
    setGridRow(1);
}

// Every grid row and the reader's mapping from the set-up, with the
// catalogue's names, so that the "already assigned" check sees them.
void frmMain::showMapping(const ImportSetup &setup)
{
    for (int row = 1; row <= MappingRows; ++row) {
        const int fieldId = setup.fieldIds[row];
        setGridText(row, GridNameColumn, fieldId ? Fields.byId(fieldId).DisplayName : QString());
        setGridText(row, GridIdColumn, fieldId ? QString::number(fieldId) : QString());
        Reader.SetMapping(row, fieldId);
    }
}

void frmMain::chkFirstLine_Click()
{
    if (chkFirstLine->isChecked())
        fillGridFromHeader(true);
}

void frmMain::fillGridFromHeader(bool tell)
{
    ImportSetup setup = currentSetup();
    if (!QFileInfo(setup.textFile).isFile())
        return;
    QString error;
    const std::optional<QList<HeaderColumn>> columns = applyHeaderLine(Fields, setup, &error);
    if (!columns) {
        if (tell)
            m_prompts.message(MessageKind::Critical, sentence(error));
        return;
    }
    showMapping(setup);
    QStringList unmatched;
    for (const HeaderColumn &column : *columns) {
        if (column.outcome != HeaderColumn::Outcome::Mapped && column.outcome != HeaderColumn::Outcome::AlreadyMapped)
            unmatched << QStringLiteral("%1 \"%2\"").arg(column.position).arg(column.name);
    }
    if (tell && !unmatched.isEmpty()) {
        m_prompts.message(MessageKind::Exclamation,
                          QStringLiteral("These column names of the first line were not mapped, because no field "
                                         "of %1 has that name or its field is mapped already:\r\n")
                                  .arg(cmbTable->currentText())
                              + unmatched.join(QStringLiteral("\r\n")));
    }
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

    const ImportSetup setup = currentSetup();
    // The cells are read one after another, which leaves the last one current:
    // the next field double-clicked goes to position 52.
    MSFlexGrid1->setCurrentCell(MappingRows - 1, 2);

    QString error;
    if (!writeSetupFile(QDir::fromNativeSeparators(target), setup, Fields, &error)) {
        m_prompts.message(MessageKind::Critical, QStringLiteral("Your settings could not be saved to ") + target
                                                     + (error.isEmpty() ? QString() : QStringLiteral("\r\n") + sentence(error)));
        return;
    }
    m_prompts.message(MessageKind::Plain, QStringLiteral("Your settings have been saved to ") + target);
}

} // namespace vxr

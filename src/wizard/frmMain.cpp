#include "frmMain.h"

#include "HelpWindow.h"
#include "ImportThread.h"
#include "LabelProgress.h"
#include "ManualLocation.h"
#include "UserPrompts.h"
#include "VersionText.h"
#include "frmConnect.h"

#include "catalogue/TableCatalogue.h"
#include "database/ConnectionString.h"
#include "database/DbError.h"
#include "import/ImportLog.h"
#include "import/PanelChoices.h"
#include "text/NumericText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTableWidget>

// The logo lives in the library's resources, which a static library must
// register itself.
static void initWizardResources()
{
    Q_INIT_RESOURCE(wizard);
}

namespace vxr {

frmMain::frmMain(UserPrompts &prompts, QWidget *parent)
    : QWidget(parent), m_prompts(prompts), m_connectTimeout(DefaultConnectionTimeout)
{
    initWizardResources();
    buildControls();
    m_connect = new frmConnect(
        m_prompts,
        [this](const QString &text, int timeout, DbError *error) { return openFromDialog(text, timeout, error); },
        this);
    HelpPath = manualPath(QCoreApplication::applicationDirPath());
    setWindowIcon(QIcon(QStringLiteral(":/wizard/icon.png")));
    connectHandlers();
    connectImportThread();
}

// A run still going is stopped before the window's objects go.
frmMain::~frmMain()
{
    m_import->cancel();
    m_import->wait();
}

void frmMain::connectHandlers()
{
    connect(cmdNext, &QPushButton::clicked, this, &frmMain::cmdNext_Click);
    connect(cmdBack, &QPushButton::clicked, this, &frmMain::cmdBack_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmMain::cmdExit_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmMain::cmdHelp_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmMain::cmdSave_Click);
    connect(cmdConnect, &QPushButton::clicked, this, &frmMain::cmdConnect_Click);
    connect(cmdDisconnect, &QPushButton::clicked, this, &frmMain::cmdDisconnect_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &frmMain::cmdBrowse_Click);
    connect(cmdLoad, &QPushButton::clicked, this, &frmMain::cmdLoad_Click);
    connect(cmdImport, &QPushButton::clicked, this, &frmMain::cmdImport_Click);
    connect(cmdViewLogFile, &QPushButton::clicked, this, &frmMain::cmdViewLogFile_Click);
    connect(cmbTable, &QComboBox::currentIndexChanged, this, &frmMain::cmbTable_Click);
    connect(cmbDelimiter, &QComboBox::currentIndexChanged, this, &frmMain::cmbDelimiter_Click);
    connect(chkQuote, &QCheckBox::toggled, this, &frmMain::chkQuote_Click);
    connect(chkDuplicate, &QCheckBox::toggled, this, &frmMain::chkDuplicate_Click);
    connect(chkSkipFirstLine, &QCheckBox::clicked, this, &frmMain::chkSkipFirstLine_Click);
    connect(chkFirstLine, &QCheckBox::clicked, this, &frmMain::chkFirstLine_Click);
    connect(chkStripApostrophes, &QCheckBox::toggled, this, &frmMain::chkStripApostrophes_Click);
    // A typed name counts when the operator leaves the box or presses Enter.
    connect(cmbEncoding, &QComboBox::activated, this, &frmMain::cmbEncoding_Change);
    connect(cmbEncoding->lineEdit(), &QLineEdit::editingFinished, this, &frmMain::cmbEncoding_Change);
    connect(cmbLocale, &QComboBox::activated, this, &frmMain::cmbLocale_Change);
    connect(cmbLocale->lineEdit(), &QLineEdit::editingFinished, this, &frmMain::cmbLocale_Change);
    connect(lstFields, &QListWidget::itemDoubleClicked, this, &frmMain::lstFields_DblClick);
    connect(txtFieldFilter, &QLineEdit::textChanged, this, &frmMain::filterFieldList);
    connect(chkFirstLine, &QCheckBox::toggled, this, &frmMain::fillSampleColumn);
    connect(MSFlexGrid1, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        MSFlexGrid1->setCurrentCell(row, column);
        MSFlexGrid1_DblClick();
    });
    connect(txtVXRDB, &QLineEdit::textChanged, this, &frmMain::connectionBoxChanged);
    connect(txtVXRDB, &QLineEdit::returnPressed, this, &frmMain::cmdConnect_Click);
    // Cancelling the dialog leaves Disconnect usable only for an open connection.
    connect(m_connect, &frmConnect::cancelled, this,
            [this] { cmdDisconnect->setEnabled(Connection.isOpen()); });
}

void frmMain::Form_Load()
{
    Regional = RegionalSettings::ReadRegionalSettings();
    PrepGrid();
    lblVersion->setText(applicationVersionText());
    LogPath = defaultLogPath();
    Fields = FieldTable::buildCatalogue(QDateTime::currentDateTime(), m_prompts);

    showDisclaimer();

    fillTableList();
    fillDelimiterList();
    fillFormatLists();
    chkQuote->setChecked(true);
    chkDuplicate->setChecked(true);
    chkQuote_Click();
    chkDuplicate_Click();

    CurrentPanel = 1;
    m_panels->setCurrentIndex(0);
    EnablePanelControls(1);
    cmdConnect->setEnabled(true);
    txtVXRDB->setEnabled(true);
    cmdNext->setEnabled(false);
    cmdDisconnect->setEnabled(false);
    cmdBack->setEnabled(false);
}

// The disclaimer comes before the window, at every start, unless the operator
// asked once not to see it again; that choice is kept in the user's settings.
void frmMain::showDisclaimer()
{
    QSettings choices = userChoices();
    if (choices.value(QLatin1String(DisclaimerHiddenKey)).toBool())
        return;
    const bool hide = m_prompts.disclaimer(
        QStringLiteral("Vexaro Vevazezi does not warrant that the functions of the VXR Import Utility will meet "
                       "your requirements, or that the operation of the VXR Import Utility will be "
                       "uninterrupted or error free.\r\n\r\n"
                       "The VXR Import Utility is, and will remain, a beta product and is not technically "
                       "supported.\r\n\r\n"
                       "General questions about the VXR Import Utility can be sent by e-mail to "
                       "import-utility@vexaro-vevazezi.example."),
        QStringLiteral("Vexaro Vevazezi Import Wizard - Disclaimer"));
    if (hide)
        choices.setValue(QLatin1String(DisclaimerHiddenKey), true);
}

void frmMain::fillTableList()
{
    {
        const QSignalBlocker quiet(cmbTable);
        cmbTable->clear();
        for (const TableInfo *table : offeredTables())
            cmbTable->addItem(table->listCaption, table->tableId);
        cmbTable->setCurrentIndex(0);
    }
    cmbTable_Click();
}

void frmMain::fillDelimiterList()
{
    {
        const QSignalBlocker quiet(cmbDelimiter);
        cmbDelimiter->clear();
        for (const DelimiterChoice &choice : delimiterChoices())
            cmbDelimiter->addItem(choice.caption, choice.code);
        cmbDelimiter->setCurrentIndex(0);
    }
    cmbDelimiter_Click();
}

// The encodings and regional settings offered; automatic and the system's
// are chosen at start.
void frmMain::fillFormatLists()
{
    {
        const QSignalBlocker quiet(cmbEncoding);
        cmbEncoding->clear();
        for (const EncodingChoice &choice : encodingChoices())
            cmbEncoding->addItem(choice.caption, choice.name);
    }
    {
        const QSignalBlocker quiet(cmbLocale);
        cmbLocale->clear();
        // The C locale names no region; amounts and dates are then read as in
        // the United States.
        const QLocale system = QLocale::system();
        cmbLocale->addItem(system.language() == QLocale::C ? QStringLiteral("System (C: as en_US)")
                                                           : QStringLiteral("System (%1)").arg(system.name()),
                           QString());
        for (const QString &name : localeChoices()) {
            const QLocale locale(name);
            cmbLocale->addItem(QStringLiteral("%1 - %2 (%3)")
                                   .arg(name, QLocale::languageToString(locale.language()),
                                        QLocale::territoryToString(locale.territory())),
                               name);
        }
    }
    showEncoding(TextEncoding());
    showLocale(QString());
    chkStripApostrophes->setChecked(false);
    chkStrict->setChecked(false);
}

// ---- navigation ---------------------------------------------------------

void frmMain::EnablePanelControls(int panel)
{
    // Every named control: no tag or a tag that is not a number means usable
    // everywhere; a numeric tag names the one panel the control is usable on.
    const auto controls = findChildren<QWidget *>();
    for (QWidget *control : controls) {
        const QString name = control->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")))
            continue;
        const QString tag = control->property("tag").toString();
        bool numeric = false;
        const int tagPanel = tag.toInt(&numeric);
        control->setEnabled(tag.isEmpty() || !numeric || tagPanel == panel);
    }
}

void frmMain::ShowPanel(int panel)
{
    m_panels->setCurrentIndex(panel - 1);
    EnablePanelControls(panel);
    cmdBack->setEnabled(panel != 1);
    cmdNext->setEnabled(panel != 4);
    // Cancel is for a run in progress only.
    cmdCancel->setEnabled(importRunning());
    if (panel == 2) {
        setGridRow(1);
        fillSampleColumn();
    }
    else if (panel == 3)
        PreviewPaint();
}

void frmMain::cmdNext_Click()
{
    const QString fileName = txtFileName->text();
    if (fileName.trimmed().isEmpty() || !QFileInfo(fileName).isFile()) {
        m_prompts.message(MessageKind::Critical, QStringLiteral("Invalid File Name.  Please make sure this file exists."));
        return;
    }
    if (cmbTable->currentText().isEmpty()) {
        m_prompts.message(MessageKind::Critical, QStringLiteral("You must select a Destination Table."));
        return;
    }
    if (CurrentPanel + 1 > 4) {
        CurrentPanel = 4;
        return;
    }
    ++CurrentPanel;
    ShowPanel(CurrentPanel);
}

void frmMain::cmdBack_Click()
{
    if (CurrentPanel - 1 < 1) {
        CurrentPanel = 1;
        return;
    }
    --CurrentPanel;
    ShowPanel(CurrentPanel);
}

void frmMain::cmdExit_Click()
{
    // Ends the program at once; an open connection is simply dropped. While
    // an import runs, closing asks first (see closeEvent).
    if (close())
        QCoreApplication::quit();
}

// ---- panel-1 options ----------------------------------------------------

void frmMain::cmbTable_Click()
{
    PrepGrid();
    txtFieldFilter->clear();
    lstFields->clear();
    const int tableId = cmbTable->currentData().toInt();
    for (int index : Fields.offeredFieldIndices(tableId)) {
        auto *item = new QListWidgetItem(Fields[index].DisplayName, lstFields);
        item->setData(Qt::UserRole, Fields[index].FieldID);
    }
    if (lstFields->count() > 0)
        lstFields->setCurrentRow(0);
    fitNameColumn();
}

void frmMain::cmbDelimiter_Click()
{
    if (cmbDelimiter->currentIndex() >= 0)
        Reader.DelimiterCode = cmbDelimiter->currentData().toInt();
}

void frmMain::chkQuote_Click()
{
    Reader.QuotesAsDelimiters = chkQuote->isChecked();
}

void frmMain::chkDuplicate_Click()
{
    DuplicatesAsErrors = chkDuplicate->isChecked();
}

void frmMain::showEncoding(const TextEncoding &encoding)
{
    Reader.Encoding = encoding;
    const QSignalBlocker quiet(cmbEncoding);
    const int index = cmbEncoding->findData(encoding.name(), Qt::UserRole, Qt::MatchFixedString);
    if (index >= 0)
        cmbEncoding->setCurrentIndex(index);
    else
        cmbEncoding->setEditText(encoding.name());
}

void frmMain::showLocale(const QString &localeName)
{
    LocaleName = localeName;
    ImportSetup chosen;
    chosen.localeName = localeName;
    Regional = chosen.regionalSettings();
    const QSignalBlocker quiet(cmbLocale);
    const int index = cmbLocale->findData(localeName, Qt::UserRole, Qt::MatchFixedString);
    if (index >= 0)
        cmbLocale->setCurrentIndex(index);
    else
        cmbLocale->setEditText(localeName);
}

// The entry chosen, or the name typed in; a name nobody knows is refused and
// the box goes back to the encoding in use.
void frmMain::cmbEncoding_Change()
{
    const QString text = cmbEncoding->currentText();
    const int index = cmbEncoding->findText(text);
    const QString name = index >= 0 ? cmbEncoding->itemData(index).toString() : text;
    QString error;
    const std::optional<TextEncoding> encoding = TextEncoding::fromName(name, &error);
    if (!encoding) {
        showEncoding(Reader.Encoding);
        m_prompts.message(MessageKind::Critical, sentence(error));
        return;
    }
    showEncoding(*encoding);
}

void frmMain::cmbLocale_Change()
{
    const QString text = cmbLocale->currentText();
    const int index = cmbLocale->findText(text);
    const QString name = (index >= 0 ? cmbLocale->itemData(index).toString() : text).trimmed();
    if (const QString error = localeProblem(name); !error.isEmpty()) {
        showLocale(LocaleName);
        m_prompts.message(MessageKind::Critical, sentence(error));
        return;
    }
    showLocale(name);
}

void frmMain::chkStripApostrophes_Click()
{
    Reader.StripApostrophes = chkStripApostrophes->isChecked();
}

void frmMain::cmdBrowse_Click()
{
    const QString name = m_prompts.getOpenFileName(
        QStringLiteral("Open Text File"), txtFileName->text(),
        QStringLiteral("TEXT & CSV Files (*.txt *.csv);;Text Files (*.txt);;CSV Files (*.csv);;All Files (*)"));
    if (!name.isEmpty())
        txtFileName->setText(QDir::toNativeSeparators(name));
}

// ---- connection ---------------------------------------------------------

void frmMain::setConnectionText(const QString &connectionString)
{
    m_connectionString = connectionString;
    m_shownConnection = withPasswordShownAs(connectionString, passwordMask());
    txtVXRDB->setText(m_shownConnection);
    // A long string shows from its start, and in full when pointed at.
    txtVXRDB->setCursorPosition(0);
    txtVXRDB->setToolTip(m_shownConnection);
}

// Text typed or set into the database box is the connection string. Where it
// still shows the mask in place of a password, the password it stands for is
// kept, so that correcting the server name does not lose it.
void frmMain::connectionBoxChanged(const QString &text)
{
    if (text == m_shownConnection)
        return;
    QString connection = text;
    const QString oldPassword = [this] {
        for (const ConnectionStringPart &part : parseConnectionString(m_connectionString))
            if (isPasswordKey(part.key))
                return part.value;
        return QString();
    }();
    const QList<ConnectionStringPart> parts = parseConnectionString(text);
    for (auto part = parts.crbegin(); part != parts.crend(); ++part) {
        if (isPasswordKey(part->key) && part->value == passwordMask()
            && !oldPassword.isEmpty())
            connection.replace(part->valueFrom, part->valueTo - part->valueFrom, odbcValue(oldPassword));
    }
    m_connectionString = connection;
    m_shownConnection = text;
}

void frmMain::cmdConnect_Click()
{
    if (m_connectionString.isEmpty()) {
        // The dialog connects itself and stays open until it has or is cancelled.
        m_connect->clearMessage();
        m_connect->open();
        return;
    }
    ConnectIfGiven();
}

void frmMain::ConnectIfGiven()
{
    if (m_connectionString.isEmpty())
        return;
    if (OpenConnection())
        cmdDisconnect->setEnabled(true);
}

bool frmMain::OpenConnection()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DbError error;
    const bool opened = Connection.open(m_connectionString, &error, m_connectTimeout);
    QApplication::restoreOverrideCursor();
    if (!opened) {
        setDisconnectedState();
        // The dialog comes up filled from the string that failed, saying why;
        // what was typed into the box stays there.
        m_connect->fillFrom(m_connectionString);
        m_connect->showFailure(error, m_connectionString);
        m_connect->open();
        return false;
    }
    setConnectionText(m_connectionString);
    setConnectedState();
    return true;
}

bool frmMain::openFromDialog(const QString &connectionString, int timeoutSeconds, DbError *error)
{
    if (!Connection.open(connectionString, error, timeoutSeconds)) {
        setDisconnectedState();
        return false;
    }
    m_connectTimeout = timeoutSeconds;
    setConnectionText(connectionString);
    setConnectedState();
    cmdDisconnect->setEnabled(true);
    return true;
}

void frmMain::setConnectedState()
{
    cmdConnect->setEnabled(false);
    txtVXRDB->setEnabled(false);
    lstFields->setEnabled(true);
    MSFlexGrid1->setEnabled(true);
    cmdNext->setEnabled(true);
}

// Opening closes the connection that was open, so a failed attempt leaves
// none: the buttons say so, whatever they said before.
void frmMain::setDisconnectedState()
{
    if (cmdDisconnect->isEnabled()) {
        cmdConnect->setEnabled(true);
        cmdDisconnect->setEnabled(false);
        cmdNext->setEnabled(false);
    }
}

void frmMain::cmdDisconnect_Click()
{
    Connection.close();
    cmdConnect->setEnabled(true);
    setConnectionText(QString());
    cmdDisconnect->setEnabled(false);
    cmdNext->setEnabled(false);
}

// ---- help ---------------------------------------------------------------

void frmMain::cmdHelp_Click()
{
    if (!QFileInfo(HelpPath).isFile()) {
        m_prompts.message(MessageKind::Exclamation,
                          QStringLiteral("The user manual was not found at ") + QDir::toNativeSeparators(HelpPath));
        return;
    }
    if (!m_help)
        m_help = new HelpWindow(HelpPath, this); // placed on this window's screen
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

} // namespace vxr

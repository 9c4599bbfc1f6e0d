#include "MainWindow.h"

#include "ConnectionRow.h"
#include "HelpWindow.h"
#include "LogViewer.h"
#include "ManualLocation.h"
#include "MappingPage.h"
#include "ReviewPage.h"
#include "RunPage.h"
#include "SetupPage.h"
#include "UserPrompts.h"
#include "WizardPage.h"

#include "catalogue/TableCatalogue.h"
#include "import/ImportLog.h"
#include "import/SetupFile.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QSettings>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

// The logo lives in the library's resources, which a static library must
// register itself.
static void initWizardResources()
{
    Q_INIT_RESOURCE(wizard);
}

namespace vxr {

namespace {

// The operator's own choices that outlast a session (the set-up itself goes
// into settings files): an INI file in the user's configuration folder.
QSettings userChoices()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("VXRImp"), QStringLiteral("VXRImp"));
}

const QString DisclaimerHiddenKey = QStringLiteral("Disclaimer/DoNotShow");

} // namespace

MainWindow::MainWindow(UserPrompts &prompts, QWidget *parent)
    : QWidget(parent), m_prompts(prompts), m_manualPath(vxr::manualPath(QCoreApplication::applicationDirPath()))
{
    initWizardResources();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Vexaro Vevazezi Import Wizard"));
    setWindowIcon(QIcon(QStringLiteral(":/wizard/icon.png")));

    // Made in the order Tab visits them: the panels, then the buttons.
    m_panels = named(new QStackedWidget(this), "panels");
    m_setupPage = new SetupPage(m_setup, m_fields, m_prompts, m_panels);
    m_mappingPage = new MappingPage(m_setup, m_fields, m_prompts, m_panels);
    m_reviewPage = new ReviewPage(m_setup, m_fields, m_prompts, m_panels);
    m_runPage = new RunPage(m_setup, m_fields, m_prompts, m_panels);
    m_pages = {m_setupPage, m_mappingPage, m_reviewPage, m_runPage};
    for (WizardPage *page : std::as_const(m_pages))
        m_panels->addWidget(page);

    auto *rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_panels, 1);
    layout->addWidget(rule);
    layout->addWidget(buildButtonRow());
    resize(760, 680);
    connectPages();
}

// The panels go before the set-up and the catalogue they show; a run still
// going is stopped first.
MainWindow::~MainWindow()
{
    delete m_panels;
}

QWidget *MainWindow::buildButtonRow()
{
    auto *row = new QWidget(this);
    auto *help = makeButton(row, "cmdHelp", QStringLiteral("&Help"));
    m_history = makeButton(row, "cmdHistory", QStringLiteral("Histor&y"));
    m_history->setToolTip(QStringLiteral("The imports into the connected store, and taking one back"));
    m_history->setEnabled(false);
    auto *save = makeButton(row, "cmdSave", QStringLiteral("&Save"));
    auto *saveAs = makeButton(row, "cmdSaveAs", QStringLiteral("Save A&s..."));
    m_back = makeButton(row, "cmdBack", QStringLiteral("< B&ack"));
    m_next = makeButton(row, "cmdNext", QStringLiteral("&Next >"));
    auto *exit = makeButton(row, "cmdExit", QStringLiteral("E&xit"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(help);
    layout->addWidget(m_history);
    layout->addWidget(save);
    layout->addWidget(saveAs);
    layout->addStretch(1);
    layout->addWidget(m_back);
    layout->addWidget(m_next);
    layout->addSpacing(12);
    layout->addWidget(exit);
    connect(help, &QPushButton::clicked, this, &MainWindow::onHelpClicked);
    connect(m_history, &QPushButton::clicked, m_runPage, &RunPage::showHistory);
    connect(save, &QPushButton::clicked, this, &MainWindow::onSaveClicked);
    connect(saveAs, &QPushButton::clicked, this, &MainWindow::onSaveAsClicked);
    connect(m_back, &QPushButton::clicked, this, &MainWindow::onBackClicked);
    connect(m_next, &QPushButton::clicked, this, &MainWindow::onNextClicked);
    connect(exit, &QPushButton::clicked, this, &MainWindow::onExitClicked);
    return row;
}

void MainWindow::connectPages()
{
    connect(m_setupPage, &SetupPage::tableChanged, m_mappingPage, &MappingPage::showTableFields);
    connect(m_setupPage, &SetupPage::settingsFileChosen, this, &MainWindow::onSettingsFileChosen);
    ConnectionRow *connection = m_setupPage->connection();
    // Runs wait for their store as long as the last connect did.
    connect(connection, &ConnectionRow::connectedChanged, this, [this, connection](bool connected) {
        m_next->setEnabled(connected);
        m_history->setEnabled(connected);
        m_runPage->setStore(connected, connection->timeoutSeconds());
    });
    connect(m_runPage, &RunPage::runningChanged, this, &MainWindow::onRunningChanged);
    connect(m_runPage, &RunPage::newImportClicked, this, &MainWindow::onNewImportClicked);
    // Strict values from the run summary: the first panel's check box shows it.
    connect(m_runPage, &RunPage::strictValuesClicked, this, [this] {
        m_setup.strictValues = true;
        showSetup();
    });
}

void MainWindow::start()
{
    m_fields = FieldTable::buildCatalogue(QDateTime::currentDateTime(), m_prompts);
    showDisclaimer();
    m_setup = ImportSetup();
    const QList<const TableInfo *> tables = offeredTables();
    m_setup.chooseTable(tables.isEmpty() ? 0 : tables.first()->tableId);
    m_setup.logPath = defaultLogPath();
    showSetup();
    m_session.markSaved();
    showPanel(1);
    m_setupPage->connection()->showConnectionState();
    m_next->setEnabled(false);
}

// The disclaimer comes before the window, at every start, unless the operator
// asked once not to see it again; that choice is kept in the user's settings.
void MainWindow::showDisclaimer()
{
    QSettings choices = userChoices();
    if (choices.value(DisclaimerHiddenKey).toBool())
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
        choices.setValue(DisclaimerHiddenKey, true);
}

void MainWindow::setLogPath(const QString &path)
{
    m_setup.logPath = path;
}

ConnectDialog *MainWindow::connectDialog() const
{
    return m_setupPage->connection()->dialog();
}

HelpWindow *MainWindow::helpWindow() const
{
    return m_help;
}

LogViewer *MainWindow::logViewer() const
{
    return m_runPage->logViewer();
}

bool MainWindow::isConnected() const
{
    return m_setupPage->connection()->isConnected();
}

bool MainWindow::importRunning() const
{
    return m_runPage->isRunning();
}

void MainWindow::showSetup()
{
    for (WizardPage *page : std::as_const(m_pages))
        page->showSetup();
}

// Only the panel on show is usable; Cancel is for a run in progress only.
void MainWindow::showPanel(int panel)
{
    m_panel = panel;
    m_panels->setCurrentIndex(panel - 1);
    for (int index = 0; index < m_pages.size(); ++index)
        m_pages[index]->setEnabled(index == panel - 1);
    m_back->setEnabled(panel != 1);
    m_next->setEnabled(panel != 4);
    m_pages[panel - 1]->enter();
}

void MainWindow::onNextClicked()
{
    if (m_setup.textFile.trimmed().isEmpty() || !QFileInfo(m_setup.textFile).isFile()) {
        m_prompts.message(MessageKind::Critical, QStringLiteral("Invalid File Name.  Please make sure this file exists."));
        return;
    }
    if (m_setup.tableId == 0) {
        m_prompts.message(MessageKind::Critical, QStringLiteral("You must select a Destination Table."));
        return;
    }
    if (m_panel < 4)
        showPanel(m_panel + 1);
}

void MainWindow::onBackClicked()
{
    if (m_panel > 1)
        showPanel(m_panel - 1);
}

// Ends the program at once; an open connection is simply dropped. While an
// import runs, closing asks first (see closeEvent).
void MainWindow::onExitClicked()
{
    if (close())
        QCoreApplication::quit();
}

void MainWindow::onHelpClicked()
{
    if (!QFileInfo(m_manualPath).isFile()) {
        m_prompts.message(MessageKind::Exclamation,
                          QStringLiteral("The user manual was not found at ") + QDir::toNativeSeparators(m_manualPath));
        return;
    }
    if (!m_help)
        m_help = new HelpWindow(m_manualPath, this); // placed on this window's screen
    m_help->bringToFront();
}

void MainWindow::onSaveClicked()
{
    const QString target = m_setupPage->saveTarget();
    if (!target.isEmpty() && m_session.mayWriteOver(QDir::fromNativeSeparators(target)))
        saveTo(target);
}

// The file dialog asks before replacing a file; the file written becomes
// the session's.
void MainWindow::onSaveAsClicked()
{
    const QString target = m_setupPage->saveAsTarget();
    if (target.isEmpty())
        return;
    if (saveTo(target))
        m_setupPage->setSettingsFile(target);
}

bool MainWindow::saveTo(const QString &target)
{
    // The grid is read from its first row to its last, which leaves the last
    // current: the next field double-clicked goes to position 52.
    m_mappingPage->selectPosition(MappingRows);
    return m_session.write(target);
}

// A file with a value the set-up cannot take is refused as a whole, with the
// key named; the set-up stays as it was.
bool MainWindow::loadSettings(const QString &path)
{
    ImportSetup loaded = m_setup;
    QString error;
    if (!readSetupFile(path, m_fields, &loaded, &error)) {
        m_prompts.message(MessageKind::Critical, sentence(error));
        return false;
    }
    m_setup = loaded;
    m_setup.takeSniffedDelimiter(m_fields);
    showSetup();
    if (m_setup.firstLineHeader)
        m_mappingPage->mapFromHeader(true);
    m_session.markSaved();
    return true;
}

// Without a connection, the database the settings file names is offered in
// the connection dialog.
void MainWindow::onSettingsFileChosen(const QString &path)
{
    const bool loaded = loadSettings(path);
    m_setupPage->focusNextStep(m_next);
    if (loaded)
        m_setupPage->connection()->offer(path);
}

void MainWindow::onRunningChanged(bool running)
{
    m_back->setEnabled(!running);
    if (running)
        return;
    if (std::exchange(m_closeAfterRun, false)) {
        close();
        return;
    }
    m_runPage->focusNewImport();
    QApplication::alert(this);
}

// Exit, or the window's close button, while a run goes: a yes cancels the
// run, and the window closes once the run has stopped and what it wrote is
// committed. A run is never left half-way.
void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!importRunning()) {
        if (m_session.mayLeave())
            event->accept();
        else
            event->ignore();
        return;
    }
    event->ignore();
    if (m_closeAfterRun)
        return;
    if (!m_prompts.question(QStringLiteral("An import is running. Stop it after the line it is on and exit?\r\n\r\n"
                                           "What it has stored so far stays stored; the lines it does not reach "
                                           "are written to the reject file.")))
        return;
    m_closeAfterRun = true;
    m_runPage->onCancelClicked();
}

// Back to panel 1 for the next file: the connection stays, the file, the
// settings file and the mapping start empty, and the panel-1 options stay.
void MainWindow::onNewImportClicked()
{
    if (importRunning())
        return;
    m_setup.textFile.clear();
    m_setup.skipFirstLine = false;
    m_setup.firstLineHeader = false;
    m_setup.chooseTable(m_setup.tableId);
    m_setupPage->setSettingsFile(QString());
    showSetup();
    m_session.markSaved();
    m_runPage->clearLastRun();
    showPanel(1);
    if (isConnected()) {
        m_setupPage->connection()->showConnectionState();
        m_next->setEnabled(true);
    }
    m_setupPage->focusFileName();
}

} // namespace vxr

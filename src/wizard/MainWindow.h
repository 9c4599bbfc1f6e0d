#pragma once

#include "catalogue/FieldTable.h"
#include "SessionSettings.h"

#include "import/ImportSetup.h"

#include <QPointer>
#include <QWidget>

class QPushButton;
class QStackedWidget;

namespace vxr {

class ConnectDialog;
class HelpWindow;
class LogViewer;
class MappingPage;
class ReviewPage;
class RunPage;
class SetupPage;
class UserPrompts;
class WizardPage;

// The import wizard's main window: four panels (set-up, field mapping,
// review, import) behind Back and Next, with Help, Save, Save As and Exit
// beside them. The window owns the field catalogue and the one set-up that
// the panels show and edit; Save and Load write and read it as a settings
// file. Saving over a settings file made for another table, text file or
// database, and leaving unsaved changes, are asked first.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    explicit MainWindow(UserPrompts &prompts, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Puts the window into its first state, after the disclaimer; call once,
    // before showing it.
    void start();

    const ImportSetup &setup() const { return m_setup; }
    const FieldTable &fields() const { return m_fields; }
    // Where runs append their log (the user's data folder unless set).
    void setLogPath(const QString &path);
    void setManualPath(const QString &path) { m_manualPath = path; }
    QString manualPath() const { return m_manualPath; }

    // 1 to 4.
    int currentPanel() const { return m_panel; }
    MappingPage *mappingPage() const { return m_mappingPage; }
    RunPage *runPage() const { return m_runPage; }
    ConnectDialog *connectDialog() const;
    HelpWindow *helpWindow() const;
    LogViewer *logViewer() const;
    bool isConnected() const;
    bool importRunning() const;

    // Reads a settings file into the set-up and shows it; false when the
    // file was refused (the operator has been told why).
    bool loadSettings(const QString &path);

private slots:
    void onNextClicked();
    void onBackClicked();
    void onExitClicked();
    void onHelpClicked();
    void onSaveClicked();
    void onSaveAsClicked();

private:
    // Closing while an import runs asks first; a yes cancels the run and the
    // window closes once it has stopped. Unsaved changes are asked about too.
    void closeEvent(QCloseEvent *event) override;
    QWidget *buildButtonRow();
    void connectPages();
    void showDisclaimer();
    void showPanel(int panel);
    void showSetup();
    void onSettingsFileChosen(const QString &path);
    void onRunningChanged(bool running);
    void onNewImportClicked();
    bool saveTo(const QString &target);

    UserPrompts &m_prompts;
    FieldTable m_fields;
    ImportSetup m_setup;
    SessionSettings m_session{m_setup, m_fields, m_prompts};
    QString m_manualPath;
    int m_panel = 1;
    bool m_closeAfterRun = false;
    QPointer<HelpWindow> m_help;
    QStackedWidget *m_panels;
    SetupPage *m_setupPage;
    MappingPage *m_mappingPage;
    ReviewPage *m_reviewPage;
    RunPage *m_runPage;
    QList<WizardPage *> m_pages;
    QPushButton *m_back = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_history = nullptr; // the store's journaled runs
};

} // namespace vxr

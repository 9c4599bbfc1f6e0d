#pragma once

#include "HelpWindow.h"
#include "LogViewer.h"
#include "RunRate.h"

#include "catalogue/FieldTable.h"
#include "database/DbConnection.h"
#include "import/ImportRun.h"
#include "import/ImportSetup.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QSettings>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QGroupBox;
class QListWidget;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTableWidget;
class QTimer;

namespace vxr {

struct DbError;
class ImportThread;
class LabelProgress;
class PathLabel;
class UserPrompts;
class frmConnect;

// The operator's own choices that outlast a session (the set-up itself goes
// into settings files): an INI file in the user's configuration folder.
inline QSettings userChoices()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("VXRImp"), QStringLiteral("VXRImp"));
}
inline constexpr char DisclaimerHiddenKey[] = "Disclaimer/DoNotShow";

// Positions and sizes were laid out in twips; the screen has 15 to a pixel.
constexpr int twipsToPixels(int twips) { return twips / 15; }

// The import wizard's main window: four panels (set-up, field mapping,
// review, import) behind Back and Next, with Help, Save and Exit beside
// them. The window owns the session's objects: the field catalogue, the
// text reader with its field map and panel-1 options, and the database
// connection. Imports run on a thread of their own (ImportThread), with a
// connection of their own, so the window's connection stays open from one
// import to the next.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    explicit frmMain(UserPrompts &prompts, QWidget *parent = nullptr);
    ~frmMain() override;

    // Puts the window into its first state; call once, before showing it.
    void Form_Load();

    // Session state that the panels set and the import reads.
    FieldTable Fields;
    RecordReader Reader{Fields};
    DbConnection Connection;
    RegionalSettings Regional;
    bool DuplicatesAsErrors = true;
    QString LocaleName; // regional settings chosen on panel 1; empty = the system's
    int CurrentPanel = 1;
    QString LogPath;
    QString HelpPath;

    // Navigation (panel 1 to 4).
    void cmdNext_Click();
    void cmdBack_Click();
    void ShowPanel(int panel);
    void EnablePanelControls(int panel);
    void cmdExit_Click();

    // Panel-1 options and lists.
    void cmbTable_Click();
    void cmbDelimiter_Click();
    void chkQuote_Click();
    void chkDuplicate_Click();
    void cmdBrowse_Click();
    // The text file's format: encoding, regional settings, apostrophes.
    void cmbEncoding_Change();
    void cmbLocale_Change();
    void chkStripApostrophes_Click();

    // The whole set-up as the panels show it, and the panels set from one.
    ImportSetup currentSetup() const;
    void showSetup(const ImportSetup &setup);

    // Database connection. The connection string is kept here; the database
    // box shows it with its password as "****".
    void cmdConnect_Click();
    void ConnectIfGiven();
    bool OpenConnection();
    void cmdDisconnect_Click();
    frmConnect *connectDialog() const { return m_connect; }
    QString connectionText() const { return m_connectionString; }
    void setConnectionText(const QString &connectionString);

    // Field mapping grid.
    void PrepGrid();
    // Maps the positions left unmapped whose column name in the text file's
    // first line matches a field; with tell, names that map nothing are
    // listed to the operator.
    void fillGridFromHeader(bool tell);
    void chkFirstLine_Click();
    void lstFields_DblClick();
    void MSFlexGrid1_DblClick();
    // 1-based grid rows: row n is text-file field position n; the name and
    // the FieldID of the field mapped there are in these columns (the id
    // column is hidden), and the position's text in the file's first line in
    // the sample column.
    static constexpr int GridNameColumn = 1;
    static constexpr int GridIdColumn = 2;
    static constexpr int GridSampleColumn = 3;
    int gridRow() const;
    void setGridRow(int row);
    QString gridText(int row, int column) const;
    void setGridText(int row, int column, const QString &text);
    // Maps position row to the field with this FieldID (0: unmapped) in the
    // grid and in FieldMap together, without the "already assigned" check.
    // Whatever fills the grid by itself (names of a header line matched to
    // fields, for one) sets its rows through this.
    void setGridMapping(int row, int fieldId);
    // Reads the file's first line into the sample column (called on entering
    // panel 2 and when "First row contains field names" changes).
    void fillSampleColumn();
    // The texts of positions 1 to 52 in the line the sample column shows:
    // the column names when the first row holds them.
    const QStringList &firstLineTexts() const { return m_firstLineTexts; }

    // Preview.
    void PreviewPaint();
    void chkSkipFirstLine_Click();

    // Settings files.
    void cmdLoad_Click();
    void LoadSettings();
    // False when the file was refused (the operator has been told why).
    bool ReadSettings(const QString &fileName);
    void cmdSave_Click();
    void SaveSettings();

    // Import and log. Import and Test Run start a run on the import thread
    // (refused, with the reason, when the set-up cannot run); the window
    // stays usable while it goes, Cancel stops it after the current line, and
    // its summary stays on the panel. New Import goes back to panel 1 for the
    // next file, connected as before.
    void cmdImport_Click();
    void cmdTestRun_Click();
    void Import(RunMode mode = RunMode::Batches);
    void cmdCancel_Click();
    bool importRunning() const;
    void cmdViewLogFile_Click();
    void cmdOpenRejectFile_Click();
    void cmdNewImport_Click();

    // Help.
    void cmdHelp_Click();
    HelpWindow *helpWindow() const { return m_help; }
    LogViewer *logViewer() const { return m_logViewer; }

protected:
    // Closing while an import runs asks first; a yes cancels the run and the
    // window closes once it has stopped.
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    bool openFromDialog(const QString &connectionString, int timeoutSeconds, DbError *error);
    void setConnectedState();
    void setDisconnectedState();
    void connectionBoxChanged(const QString &text);
    QWidget *buildPanel1();
    QWidget *buildPanel2();
    QWidget *buildPanel3();
    QWidget *buildPanel4();
    QWidget *buildButtonRow();
    void connectHandlers();
    void showDisclaimer();
    void fillTableList();
    void fillDelimiterList();
    void fillFormatLists();
    QWidget *buildFormatGroup(QWidget *panel);
    void showEncoding(const TextEncoding &encoding);
    void showLocale(const QString &localeName);
    void selectTableIndex(int index);
    void fitNameColumn();
    void markAssignedFields();
    void filterFieldList(const QString &text);
    void stepFieldList(int step);
    bool eventFilter(QObject *watched, QEvent *event) override;
    void focusAfterLoad();
    void showMapping(const ImportSetup &setup);
    void fitPreviewColumns();
    QWidget *buildSummaryGroup(QWidget *panel);
    void offerNamedConnection(const QString &settingsFile);
    void connectImportThread();
    void setRunningState(bool running);
    void resetProgress(const QString &status);
    void runProgress(const ImportProgress &progress);
    void runFinished(const ImportSummary &summary);
    void showRunClock();
    void showImportSummary(const ImportSummary &summary);

    UserPrompts &m_prompts;
    frmConnect *m_connect = nullptr;
    QPointer<HelpWindow> m_help;
    QPointer<LogViewer> m_logViewer;
    QString m_connectionString;
    QString m_shownConnection; // what the database box shows for m_connectionString
    int m_connectTimeout;
    bool m_previewBusy = false;
    QStringList m_firstLineTexts;
    // The run in progress, and what is shown of it.
    ImportThread *m_import = nullptr;
    std::unique_ptr<LabelProgress> m_labels;
    RunRate m_rate;
    ImportProgress m_lastProgress;
    QElapsedTimer m_runClock;
    QTimer *m_clockTimer = nullptr;
    bool m_closeAfterRun = false;
    QString m_rejectPath; // of the last run; empty when it wrote none

    QStackedWidget *m_panels = nullptr;
    // Window buttons.
    QPushButton *cmdBack = nullptr;
    QPushButton *cmdNext = nullptr;
    QPushButton *cmdExit = nullptr;
    QPushButton *cmdHelp = nullptr;
    QPushButton *cmdSave = nullptr;
    // Panel 1.
    QLabel *lblVersion = nullptr;
    QLineEdit *txtVXRDB = nullptr;
    QPushButton *cmdConnect = nullptr;
    QPushButton *cmdDisconnect = nullptr;
    QLineEdit *txtFileName = nullptr;
    QPushButton *cmdBrowse = nullptr;
    QComboBox *cmbDelimiter = nullptr;
    QCheckBox *chkQuote = nullptr;
    QCheckBox *chkDuplicate = nullptr;
    QComboBox *cmbTable = nullptr;
    QComboBox *cmbEncoding = nullptr;
    QComboBox *cmbLocale = nullptr;
    QCheckBox *chkStripApostrophes = nullptr;
    QCheckBox *chkStrict = nullptr;
    QLineEdit *txtLoadSettings = nullptr;
    QPushButton *cmdLoad = nullptr;
    // Panel 2.
    QTableWidget *MSFlexGrid1 = nullptr;
    QListWidget *lstFields = nullptr;
    QLineEdit *txtFieldFilter = nullptr;
    QCheckBox *chkFirstLine = nullptr;
    // Panel 3.
    QTableWidget *msflexpreview = nullptr;
    QCheckBox *chkSkipFirstLine = nullptr;
    // Panel 4.
    QPushButton *cmdImport = nullptr;
    QPushButton *cmdTestRun = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdViewLogFile = nullptr;
    QProgressBar *prgImport = nullptr;
    QLabel *lblLinesPerSecond = nullptr;
    QLabel *lblTimeElapsed = nullptr;
    QLabel *lblTimeLeft = nullptr;
    // The summary of the last run.
    QGroupBox *fraSummary = nullptr;
    QLabel *lblOutcome = nullptr;
    QLabel *lblRowsAdded = nullptr;
    QLabel *lblRowsUpdated = nullptr;
    QLabel *lblLinesSkipped = nullptr;
    QLabel *lblLinesFailed = nullptr;
    QLabel *lblLinesNotReached = nullptr;
    QLabel *lblRejectFileCaption = nullptr;
    PathLabel *lblRejectFile = nullptr;
    QPushButton *cmdOpenLog = nullptr;
    QPushButton *cmdOpenRejectFile = nullptr;
    QPushButton *cmdNewImport = nullptr;
    QLabel *lblStatus = nullptr;
    QLabel *lblRecordsToProcess = nullptr;
    QLabel *lblRecordsProcessed = nullptr;
    QLabel *lblPercentCompleted = nullptr;
    QLabel *lblErrorsEncountered = nullptr;
};

} // namespace vxr

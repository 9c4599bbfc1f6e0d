#pragma once

#include "RunRate.h"
#include "WizardPage.h"

#include "import/ImportRun.h"

#include <QElapsedTimer>
#include <QPointer>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vxr {

struct ImportSetup;
class FieldTable;
class HistoryWindow;
class ImportThread;
class LabelProgress;
class LogViewer;
class RunSummaryBox;
class UserPrompts;

// Panel 4: Import and Test Run start a run of the set-up on a thread of its
// own (refused, with the reason, when the set-up cannot run); the window
// stays usable while it goes, Cancel stops it after the current line, and
// its progress, pace and summary stay on the panel. The log opens in the
// program's own viewer, the store's journaled runs in the history window,
// which also takes the panel's last import back when asked.
class RunPage : public WizardPage
{
    Q_OBJECT
public:
    RunPage(const ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts, QWidget *parent);
    // A run still going is stopped before the page goes.
    ~RunPage() override;

    void showSetup() override {}
    void enter() override;
    // The panel as it was before any run, for a new import.
    void clearLastRun();

    // The store connected (or not), and how long runs wait for it.
    void setStore(bool connected, int connectTimeoutSeconds);
    bool isRunning() const;
    LogViewer *logViewer() const;
    HistoryWindow *historyWindow() const;
    void focusNewImport();

public slots:
    void onImportClicked();
    void onTestRunClicked();
    void onCancelClicked();
    void onViewLogClicked();
    // The history window, in front, listing the runs anew unless busy.
    void showHistory();

signals:
    // A run started (true) or ended.
    void runningChanged(bool running);
    void newImportClicked();
    // From the run summary: values without a number or date are to fail.
    void strictValuesClicked();

private:
    QLayout *buildProgress();
    void connectRun();
    void start(RunMode mode);
    void setRunning(bool running);
    void resetProgress(const QString &status);
    void showProgress(const ImportProgress &progress);
    void showClock();
    void runFinished(const ImportSummary &summary);
    void showBar(int steps);
    void openHistory();
    void undoImport(qint64 runId);
    void enableStart(bool running);

    const ImportSetup &m_setup;
    const FieldTable &m_fields;
    UserPrompts &m_prompts;
    int m_connectTimeout;
    // The run in progress, and what is shown of it.
    ImportThread *m_run;
    std::unique_ptr<LabelProgress> m_labels;
    RunRate m_rate;
    ImportProgress m_lastProgress;
    QElapsedTimer m_runClock;
    QTimer *m_clockTimer;
    QPointer<LogViewer> m_logViewer;
    QPointer<HistoryWindow> m_history;

    QPushButton *m_import;
    QPushButton *m_testRun;
    QPushButton *m_cancel;
    QProgressBar *m_bar;
    QLabel *m_status;
    QLabel *m_percent;
    QLabel *m_linesPerSecond;
    QLabel *m_timeElapsed;
    QLabel *m_timeLeft;
    RunSummaryBox *m_summary;
};

} // namespace vxr

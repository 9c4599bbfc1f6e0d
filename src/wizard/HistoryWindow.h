#pragma once

#include "ToolWindow.h"
#include "UndoJob.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace vxr {

struct ImportSetup;
class PathLabel;
class UserPrompts;

// The connected store's journaled runs, newest first, in a window of their
// own: what taking the selected run back would change, and Undo Run, which
// asks first (with the counts of a dry run) and then takes it back. When the
// store has moved on, the conflicts are listed here and nothing changes.
// The work is done on a thread of its own; meanwhile the window shows it is
// busy and starts nothing else.
class HistoryWindow : public ToolWindow
{
    Q_OBJECT
public:
    HistoryWindow(const ImportSetup &setup, UserPrompts &prompts, QWidget *owner);

    void setConnectTimeout(int seconds) { m_connectTimeout = seconds; }
    // While an import runs, no run is taken back; its end lists the runs again.
    void setImportRunning(bool running);
    bool isBusy() const { return m_job->isBusy(); }

    // Reads the set-up's store's runs again.
    void refresh();
    // Selects the run and starts taking it back: the dry run, the question,
    // the undo.
    void undoRun(qint64 runId);
    void showWhatWouldChange(qint64 runId);

    // The run selected in the list; 0 when none is.
    qint64 selectedRun() const;

signals:
    void runUndone(qint64 runId);
    void busyChanged(bool busy);

private:
    QLayout *buildButtons();
    HistoryTask task(qint64 runId, bool dryRun) const;
    void start(const HistoryTask &task, const QString &busyText);
    void finished(const HistoryResult &result);
    void askAndUndo(const UndoOutcome &dryRun);
    void showRuns(const QList<JournalRun> &runs, qint64 taskRun);
    void showConflicts(const HistoryResult &result);
    void selectRun(qint64 runId);
    void updateButtons();

    const ImportSetup &m_setup;
    UserPrompts &m_prompts;
    UndoJob *m_job;
    int m_connectTimeout = 15;
    bool m_importRunning = false;
    qint64 m_confirming = 0; // the run whose dry run comes before the question
    QList<JournalRun> m_runs;
    QLabel *m_store;
    PathLabel *m_journal;
    QTableWidget *m_runTable;
    QPushButton *m_refresh;
    QPushButton *m_whatWouldChange;
    QPushButton *m_undo;
    QLabel *m_status;
    QTableWidget *m_conflicts;
};

} // namespace vxr

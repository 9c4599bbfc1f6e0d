#pragma once

#include <QGroupBox>

class QLabel;
class QPushButton;

namespace vxr {

struct ImportSummary;
class PathLabel;
class UserPrompts;

// What the last run came to, under the import panel's progress: how it
// ended, its counts, the reject file it wrote, its first problems by line,
// and the ways on from there (the log, the reject file, the problems report,
// strict values, taking the import back, a new import). Hidden until a run
// ends.
class RunSummaryBox : public QGroupBox
{
    Q_OBJECT
public:
    RunSummaryBox(UserPrompts &prompts, QWidget *parent);

    void showSummary(const ImportSummary &summary);
    // Hides the box and forgets the reject file.
    void clear();
    void focusNewImport();
    // The run shown was taken back: it cannot be again.
    void markUndone(qint64 runId);

signals:
    void openLogClicked();
    void newImportClicked();
    // The operator wants values without a number or date to fail their lines.
    void strictValuesClicked();
    // Undo This Import, for the run's id in the store's journal.
    void undoClicked(qint64 runId);

private:
    QLayout *buildCounts();
    void onOpenRejectFileClicked();
    void openFile(const QString &path, const QString &what);

    UserPrompts &m_prompts;
    QString m_rejectPath; // of the last run; empty when it wrote none
    QString m_problemsPath; // the same for the problems report
    qint64 m_runId = 0; // in the journal, when the run stored something
    QLabel *m_outcome;
    QLabel *m_rowsAdded;
    QLabel *m_rowsUpdated;
    QLabel *m_linesSkipped;
    QLabel *m_linesFailed;
    QLabel *m_linesNotReached;
    QLabel *m_rejectFileCaption;
    PathLabel *m_rejectFile;
    QPushButton *m_openRejectFile;
    QLabel *m_problems;
    QPushButton *m_openProblems;
    QPushButton *m_strictValues;
    QPushButton *m_undo;
    QPushButton *m_newImport;
};

} // namespace vxr

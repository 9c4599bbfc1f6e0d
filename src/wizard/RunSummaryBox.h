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
// strict values, a new import). Hidden until a run ends.
class RunSummaryBox : public QGroupBox
{
    Q_OBJECT
public:
    RunSummaryBox(UserPrompts &prompts, QWidget *parent);

    void showSummary(const ImportSummary &summary);
    // Hides the box and forgets the reject file.
    void clear();
    void focusNewImport();

signals:
    void openLogClicked();
    void newImportClicked();
    // The operator wants values without a number or date to fail their lines.
    void strictValuesClicked();

private:
    QLayout *buildCounts();
    void onOpenRejectFileClicked();
    void openFile(const QString &path, const QString &what);

    UserPrompts &m_prompts;
    QString m_rejectPath; // of the last run; empty when it wrote none
    QString m_problemsPath; // the same for the problems report
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
    QPushButton *m_newImport;
};

} // namespace vxr

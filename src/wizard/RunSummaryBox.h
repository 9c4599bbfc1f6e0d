#pragma once

#include <QGroupBox>

class QLabel;
class QPushButton;

namespace vxr {

struct ImportSummary;
class PathLabel;
class UserPrompts;

// What the last run came to, under the import panel's progress: how it
// ended, its counts, the reject file it wrote, and the ways on from there
// (the log, the reject file, a new import). Hidden until a run ends.
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

private:
    QLayout *buildCounts();
    void onOpenRejectFileClicked();

    UserPrompts &m_prompts;
    QString m_rejectPath; // of the last run; empty when it wrote none
    QLabel *m_outcome;
    QLabel *m_rowsAdded;
    QLabel *m_rowsUpdated;
    QLabel *m_linesSkipped;
    QLabel *m_linesFailed;
    QLabel *m_linesNotReached;
    QLabel *m_rejectFileCaption;
    PathLabel *m_rejectFile;
    QPushButton *m_openRejectFile;
    QPushButton *m_newImport;
};

} // namespace vxr

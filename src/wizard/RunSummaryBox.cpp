#include "RunSummaryBox.h"

#include "PathLabel.h"
#include "RunSummaryText.h"
#include "UserPrompts.h"
#include "WizardPage.h"

#include "import/ImportRun.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vxr {

RunSummaryBox::RunSummaryBox(UserPrompts &prompts, QWidget *parent)
    : QGroupBox(QStringLiteral("Import summary"), parent), m_prompts(prompts)
{
    setObjectName(QStringLiteral("fraSummary"));
    m_outcome = makeLabel(this, "lblOutcome", QString(), true);
    auto *openLog = makeButton(this, "cmdOpenLog", QStringLiteral("Open &Log"));
    m_openRejectFile = makeButton(this, "cmdOpenRejectFile", QStringLiteral("Open &Reject File"));
    m_openProblems = makeButton(this, "cmdOpenProblems", QStringLiteral("Open &Problems"));
    m_strictValues = makeButton(this, "cmdStrictValues", QStringLiteral("Use &Strict Values"));
    m_strictValues->setToolTip(QStringLiteral("Lines whose numbers or dates cannot be read fail instead of storing 0 "
                                              "or empty (the check box on the first panel)."));
    m_undo = makeButton(this, "cmdUndoImport", QStringLiteral("&Undo This Import..."));
    m_undo->setToolTip(QStringLiteral("Deletes the rows this import added and gives the rows it updated their "
                                      "previous values, after asking"));
    m_problems = makeLabel(this, "lblProblems", QString(), true);
    m_problems->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_newImport = makeButton(this, "cmdNewImport", QStringLiteral("Ne&w Import"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(openLog);
    buttons->addWidget(m_openRejectFile);
    buttons->addWidget(m_openProblems);
    buttons->addWidget(m_strictValues);
    buttons->addStretch(1);
    buttons->addWidget(m_undo);
    buttons->addWidget(m_newImport);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_outcome);
    layout->addSpacing(4);
    layout->addLayout(buildCounts());
    layout->addSpacing(4);
    layout->addWidget(m_problems);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    hide();

    connect(openLog, &QPushButton::clicked, this, &RunSummaryBox::openLogClicked);
    connect(m_openRejectFile, &QPushButton::clicked, this, &RunSummaryBox::onOpenRejectFileClicked);
    connect(m_newImport, &QPushButton::clicked, this, &RunSummaryBox::newImportClicked);
    connect(m_openProblems, &QPushButton::clicked, this,
            [this] { openFile(m_problemsPath, QStringLiteral("problems report")); });
    connect(m_undo, &QPushButton::clicked, this, [this] { emit undoClicked(m_runId); });
    connect(m_strictValues, &QPushButton::clicked, this, [this] {
        m_strictValues->hide();
        emit strictValuesClicked();
    });
}

// Two columns of counts, then the reject file across them.
QLayout *RunSummaryBox::buildCounts()
{
    const auto count = [this](const char *name) { return makeLabel(this, name, QStringLiteral("0")); };
    m_rowsAdded = count("lblRowsAdded");
    m_rowsUpdated = count("lblRowsUpdated");
    m_linesSkipped = count("lblLinesSkipped");
    m_linesFailed = count("lblLinesFailed");
    m_linesNotReached = count("lblLinesNotReached");
    m_rejectFileCaption = makeLabel(this, "lblRejectFileCaption", QStringLiteral("Reject file:"));
    m_rejectFile = named(new PathLabel(this), "lblRejectFile");

    QGridLayout *counts =
        makeValueGrid(this, {{"lblRowsAddedCaption", QStringLiteral("Rows added:"), m_rowsAdded, 0, 0},
                             {"lblRowsUpdatedCaption", QStringLiteral("Rows updated:"), m_rowsUpdated, 1, 0},
                             {"lblLinesSkippedCaption", QStringLiteral("Lines skipped:"), m_linesSkipped, 2, 0},
                             {"lblLinesFailedCaption", QStringLiteral("Lines failed:"), m_linesFailed, 0, 2},
                             {"lblLinesNotReachedCaption", QStringLiteral("Lines not reached:"), m_linesNotReached, 1, 2}});
    counts->addWidget(m_rejectFileCaption, 3, 0);
    counts->addWidget(m_rejectFile, 3, 1, 1, 3);
    return counts;
}

void RunSummaryBox::showSummary(const ImportSummary &summary)
{
    setTitle(summary.outcome == RunOutcome::TestRun ? QStringLiteral("Test run summary")
                                                    : QStringLiteral("Import summary"));
    m_outcome->setText(runOutcomeText(summary));
    m_rowsAdded->setText(QString::number(summary.rowsAdded));
    m_rowsUpdated->setText(QString::number(summary.rowsUpdated));
    m_linesSkipped->setText(QString::number(summary.linesSkipped));
    m_linesFailed->setText(QString::number(summary.linesFailed));
    m_linesNotReached->setText(QString::number(summary.linesNotReached));
    m_rejectPath = summary.rejectWritten ? summary.rejectPath : QString();
    m_rejectFile->setPath(m_rejectPath);
    for (QWidget *reject : {static_cast<QWidget *>(m_rejectFileCaption), static_cast<QWidget *>(m_rejectFile),
                            static_cast<QWidget *>(m_openRejectFile)})
        reject->setVisible(!m_rejectPath.isEmpty());
    const QString problems = runProblemsText(summary);
    m_problems->setText(problems);
    m_problems->setVisible(!problems.isEmpty());
    m_problemsPath = summary.problemsError.isEmpty() ? summary.problemsPath : QString();
    m_openProblems->setVisible(!m_problemsPath.isEmpty());
    m_strictValues->setVisible(strictValuesWouldHelp(summary));
    // A run that committed rows can be taken back; a test run or a rolled
    // back one stored nothing.
    const bool stored = !summary.nothingStored && summary.rowsAdded + summary.rowsUpdated > 0;
    m_runId = stored ? summary.journalRunId : 0;
    m_undo->setVisible(m_runId > 0);
    m_undo->setEnabled(true);
    m_undo->setText(QStringLiteral("&Undo This Import..."));
    show();
}

void RunSummaryBox::clear()
{
    hide();
    m_rejectPath.clear();
    m_problemsPath.clear();
    m_runId = 0;
}

void RunSummaryBox::markUndone(qint64 runId)
{
    if (runId != m_runId || m_runId == 0)
        return;
    m_undo->setEnabled(false);
    m_undo->setText(QStringLiteral("Import Undone"));
}

void RunSummaryBox::focusNewImport()
{
    m_newImport->setFocus();
}

void RunSummaryBox::onOpenRejectFileClicked()
{
    openFile(m_rejectPath, QStringLiteral("reject file"));
}

void RunSummaryBox::openFile(const QString &path, const QString &what)
{
    if (path.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile()) {
        m_prompts.message(MessageKind::Exclamation, QStringLiteral("The %1 is no longer there:\r\n").arg(what) + shown);
        return;
    }
    if (!m_prompts.openExternally(path))
        m_prompts.message(MessageKind::Exclamation,
                          QStringLiteral("No program could be started to open the %1. It is at:\r\n").arg(what) + shown);
}

} // namespace vxr

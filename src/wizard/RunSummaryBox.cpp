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
    m_newImport = makeButton(this, "cmdNewImport", QStringLiteral("Ne&w Import"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(openLog);
    buttons->addWidget(m_openRejectFile);
    buttons->addStretch(1);
    buttons->addWidget(m_newImport);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_outcome);
    layout->addSpacing(4);
    layout->addLayout(buildCounts());
    layout->addSpacing(4);
    layout->addLayout(buttons);
    hide();

    connect(openLog, &QPushButton::clicked, this, &RunSummaryBox::openLogClicked);
    connect(m_openRejectFile, &QPushButton::clicked, this, &RunSummaryBox::onOpenRejectFileClicked);
    connect(m_newImport, &QPushButton::clicked, this, &RunSummaryBox::newImportClicked);
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
    show();
}

void RunSummaryBox::clear()
{
    hide();
    m_rejectPath.clear();
}

void RunSummaryBox::focusNewImport()
{
    m_newImport->setFocus();
}

void RunSummaryBox::onOpenRejectFileClicked()
{
    if (m_rejectPath.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(m_rejectPath);
    if (!QFileInfo(m_rejectPath).isFile()) {
        m_prompts.message(MessageKind::Exclamation, QStringLiteral("The reject file is no longer there:\r\n") + shown);
        return;
    }
    if (!m_prompts.openExternally(m_rejectPath))
        m_prompts.message(MessageKind::Exclamation,
                          QStringLiteral("No program could be started to open the reject file. It is at:\r\n") + shown);
}

} // namespace vxr

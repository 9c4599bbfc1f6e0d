#include "HistoryWindow.h"

#include "HistoryTexts.h"
#include "PathLabel.h"
#include "UserPrompts.h"
#include "WizardPage.h"

#include "import/ImportSetup.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace vxr {

namespace {

enum RunColumn { RunId, Started, Table, File, Added, Updated, Outcome, Undone, RunColumns };

QTableWidget *makeTable(QWidget *parent, const char *name, const QStringList &headings)
{
    auto *table = named(new QTableWidget(0, static_cast<int>(headings.size()), parent), name);
    table->setHorizontalHeaderLabels(headings);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    return table;
}

QTableWidgetItem *cell(const QString &text, Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    return item;
}

QTableWidgetItem *number(qint64 value)
{
    return cell(QString::number(value), Qt::AlignRight | Qt::AlignVCenter);
}

// The store as its identity names it, without the kind in front.
QString storeText(const QString &identity)
{
    const qsizetype colon = identity.indexOf(u':');
    return QDir::toNativeSeparators(identity.mid(colon + 1));
}

} // namespace

HistoryWindow::HistoryWindow(const ImportSetup &setup, UserPrompts &prompts, QWidget *owner)
    : ToolWindow("HistoryWindow", QStringLiteral("Import History"), owner), m_setup(setup), m_prompts(prompts),
      m_job(new UndoJob(this))
{
    m_store = makeLabel(this, "lblHistoryStore", QString());
    m_store->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_journal = named(new PathLabel(this), "lblJournal");
    m_runTable = makeTable(this, "tblRuns",
                           {QStringLiteral("Run"), QStringLiteral("Started"), QStringLiteral("Table"),
                            QStringLiteral("File"), QStringLiteral("Added"), QStringLiteral("Updated"),
                            QStringLiteral("Outcome"), QStringLiteral("Undone")});
    m_status = makeLabel(this, "lblHistoryStatus", QString(), true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The file takes the room left; its full path is its tool tip.
    m_runTable->horizontalHeader()->setStretchLastSection(false);
    m_runTable->horizontalHeader()->setSectionResizeMode(File, QHeaderView::Stretch);
    m_conflicts = makeTable(this, "tblConflicts",
                            {QStringLiteral("Table"), QStringLiteral("Row"), QStringLiteral("Column"),
                             QStringLiteral("Value the run wrote"), QStringLiteral("Value now")});
    m_conflicts->hide();

    auto *where = new QHBoxLayout;
    where->addWidget(makeLabel(this, "lblJournalCaption", QStringLiteral("Journal:")));
    where->addWidget(m_journal, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_store);
    layout->addLayout(where);
    layout->addWidget(m_runTable, 3);
    layout->addLayout(buildButtons());
    layout->addWidget(m_status);
    layout->addWidget(m_conflicts, 2);

    connect(m_job, &UndoJob::finished, this, &HistoryWindow::finished);
    connect(m_runTable, &QTableWidget::itemSelectionChanged, this, &HistoryWindow::updateButtons);
    placeOnScreen(QSize(860, 520));
    updateButtons();
}

QLayout *HistoryWindow::buildButtons()
{
    m_refresh = makeButton(this, "cmdRefreshRuns", QStringLiteral("&Refresh"));
    m_whatWouldChange = makeButton(this, "cmdWhatWouldChange", QStringLiteral("&What Would Change"));
    m_whatWouldChange->setToolTip(QStringLiteral("What taking the selected run back would change, changing nothing"));
    m_undo = makeButton(this, "cmdUndoRun", QStringLiteral("&Undo Run..."));
    m_undo->setToolTip(QStringLiteral("Deletes the rows the selected run added and gives the rows it updated "
                                      "their previous values, after asking"));
    auto *close = makeButton(this, "cmdCloseHistory", QStringLiteral("&Close"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_refresh);
    buttons->addWidget(m_whatWouldChange);
    buttons->addWidget(m_undo);
    buttons->addStretch(1);
    buttons->addWidget(close);
    connect(m_refresh, &QPushButton::clicked, this, &HistoryWindow::refresh);
    connect(m_whatWouldChange, &QPushButton::clicked, this, [this] { showWhatWouldChange(selectedRun()); });
    connect(m_undo, &QPushButton::clicked, this, [this] { undoRun(selectedRun()); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    return buttons;
}

void HistoryWindow::setImportRunning(bool running)
{
    m_importRunning = running;
    if (!running && isVisible())
        refresh();
    updateButtons();
}

void HistoryWindow::refresh()
{
    start(task(0, false),
          QStringLiteral("Reading the journal..."));
}

void HistoryWindow::undoRun(qint64 runId)
{
    if (runId <= 0 || isBusy() || m_importRunning)
        return;
    selectRun(runId);
    m_confirming = runId;
    start(task(runId, true),
          QStringLiteral("Checking that run %1 can be taken back...").arg(runId));
}

void HistoryWindow::showWhatWouldChange(qint64 runId)
{
    if (runId <= 0 || isBusy() || m_importRunning)
        return;
    m_confirming = 0;
    start(task(runId, true),
          QStringLiteral("Checking what taking run %1 back would change...").arg(runId));
}

HistoryTask HistoryWindow::task(qint64 runId, bool dryRun) const
{
    return {m_setup.connectionString, m_connectTimeout, runId, dryRun, !m_importRunning};
}

void HistoryWindow::start(const HistoryTask &task, const QString &busyText)
{
    if (!m_job->start(task))
        return;
    m_status->setText(busyText);
    m_conflicts->hide();
    setCursor(Qt::BusyCursor);
    updateButtons();
    emit busyChanged(true);
}

void HistoryWindow::finished(const HistoryResult &result)
{
    unsetCursor();
    m_store->setText(QStringLiteral("Imports into ") + storeText(result.storeIdentity));
    m_journal->setPath(result.journalPath);
    if (result.runsRead)
        showRuns(result.runs, result.outcome ? result.outcome->runId : 0);
    m_status->setText(historyResultText(result));
    showConflicts(result);
    const qint64 confirming = std::exchange(m_confirming, 0);
    updateButtons();
    emit busyChanged(false);
    if (!result.outcome)
        return;
    if (confirming != 0 && result.outcome->result == UndoOutcome::Result::DryRun)
        askAndUndo(*result.outcome);
    else if (result.outcome->result == UndoOutcome::Result::Undone)
        emit runUndone(result.outcome->runId);
}

void HistoryWindow::askAndUndo(const UndoOutcome &dryRun)
{
    if (!m_prompts.question(undoQuestion(dryRun), QStringLiteral("Undo Import"))) {
        m_status->setText(QStringLiteral("Run %1 was not taken back: nothing was changed.").arg(dryRun.runId));
        return;
    }
    start(task(dryRun.runId, false),
          QStringLiteral("Taking run %1 back...").arg(dryRun.runId));
}

// Newest first; the selection goes to the run a task was about, else stays
// on the run it was on, else goes to the newest.
void HistoryWindow::showRuns(const QList<JournalRun> &runs, qint64 taskRun)
{
    const qint64 selected = taskRun != 0 ? taskRun : selectedRun();
    m_runs = runs;
    m_runTable->setRowCount(0);
    m_runTable->setRowCount(static_cast<int>(runs.size()));
    int row = 0;
    for (auto run = runs.crbegin(); run != runs.crend(); ++run, ++row) {
        m_runTable->setItem(row, RunId, number(run->id));
        m_runTable->setItem(row, Started, cell(localRunTime(run->started)));
        m_runTable->setItem(row, Table, cell(run->tableName));
        m_runTable->setItem(row, File, cell(QFileInfo(run->filePath).fileName()));
        m_runTable->item(row, File)->setToolTip(QDir::toNativeSeparators(run->filePath));
        m_runTable->setItem(row, Added, number(run->added));
        m_runTable->setItem(row, Updated, number(run->updated));
        m_runTable->setItem(row, Outcome, cell(runOutcomeWord(*run)));
        m_runTable->setItem(row, Undone, cell(run->isUndone() ? localRunTime(run->undone) : QStringLiteral("no")));
    }
    selectRun(selected != 0 ? selected : (runs.isEmpty() ? 0 : runs.constLast().id));
}

void HistoryWindow::showConflicts(const HistoryResult &result)
{
    const bool shown = result.outcome && result.outcome->result == UndoOutcome::Result::Conflicts;
    m_conflicts->setVisible(shown);
    if (!shown)
        return;
    const QList<UndoConflict> &conflicts = result.outcome->conflicts;
    m_conflicts->setRowCount(static_cast<int>(conflicts.size()));
    for (int row = 0; row < conflicts.size(); ++row) {
        const UndoConflict &c = conflicts.at(row);
        const QStringList texts{c.table, c.key, c.column, c.written, c.now};
        for (int column = 0; column < texts.size(); ++column)
            m_conflicts->setItem(row, column, cell(texts.at(column)));
    }
}

void HistoryWindow::selectRun(qint64 runId)
{
    for (int row = 0; row < m_runTable->rowCount(); ++row) {
        if (m_runTable->item(row, RunId)->text().toLongLong() == runId) {
            m_runTable->selectRow(row);
            return;
        }
    }
}

qint64 HistoryWindow::selectedRun() const
{
    const QList<QTableWidgetItem *> selected = m_runTable->selectedItems();
    return selected.isEmpty() ? 0 : m_runTable->item(selected.first()->row(), RunId)->text().toLongLong();
}

// A run that is not undone can be looked at and taken back, one task at a
// time, and none while an import runs.
void HistoryWindow::updateButtons()
{
    const qint64 id = selectedRun();
    const auto run = std::find_if(m_runs.cbegin(), m_runs.cend(), [id](const JournalRun &r) { return r.id == id; });
    const bool open = run != m_runs.cend() && !run->isUndone() && !isBusy() && !m_importRunning;
    m_refresh->setEnabled(!isBusy());
    m_whatWouldChange->setEnabled(open);
    m_undo->setEnabled(open);
}

} // namespace vxr

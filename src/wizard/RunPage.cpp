#include "RunPage.h"

#include "HistoryWindow.h"
#include "ImportThread.h"
#include "LabelProgress.h"
#include "LogViewer.h"
#include "RunSummaryBox.h"
#include "UserPrompts.h"

#include "import/ImportJob.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace vxr {

namespace {

// The progress bar counts in tenths of a percent.
constexpr int ProgressSteps = 1000;

} // namespace

RunPage::RunPage(const ImportSetup &setup, const FieldTable &fields, UserPrompts &prompts, QWidget *parent)
    : WizardPage("frmPanel4", parent), m_setup(setup), m_fields(fields), m_prompts(prompts),
      m_connectTimeout(DefaultConnectTimeoutSeconds), m_run(new ImportThread(this)), m_clockTimer(new QTimer(this))
{
    m_import = makeButton(this, "cmdImport", QStringLiteral("&Import"));
    m_testRun = makeButton(this, "cmdTestRun", QStringLiteral("&Test Run"));
    m_cancel = makeButton(this, "cmdCancel", QStringLiteral("&Cancel"));
    m_cancel->setEnabled(false);
    auto *viewLog = makeButton(this, "cmdViewLogFile", QStringLiteral("&View Log File"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_import);
    buttons->addWidget(m_testRun);
    buttons->addWidget(m_cancel);
    buttons->addStretch(1);
    buttons->addWidget(viewLog);

    m_bar = named(new QProgressBar(this), "prgImport");
    m_bar->setRange(0, ProgressSteps);
    m_bar->setValue(0);
    m_bar->setFormat(QStringLiteral("%p%"));

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(makeHeading(this, "Label1", QStringLiteral("Process Import File:")));
    layout->addWidget(makeLabel(this, "lblImportInstructinos",
                                QStringLiteral("Click the Import button to begin processing your text file.  Save "
                                               "your settings for future sessions by clicking the save button.  Test "
                                               "Run reads the whole file and shows what an import would do, storing "
                                               "nothing; Cancel stops a run after the line it is on."),
                                true));
    layout->addSpacing(10);
    layout->addLayout(buttons);
    layout->addSpacing(14);
    layout->addWidget(m_bar);
    layout->addSpacing(8);
    layout->addLayout(buildProgress());
    layout->addSpacing(14);
    m_summary = new RunSummaryBox(prompts, this);
    layout->addWidget(m_summary);
    layout->addStretch(1);

    connect(m_import, &QPushButton::clicked, this, &RunPage::onImportClicked);
    connect(m_testRun, &QPushButton::clicked, this, &RunPage::onTestRunClicked);
    connect(m_cancel, &QPushButton::clicked, this, &RunPage::onCancelClicked);
    connect(viewLog, &QPushButton::clicked, this, &RunPage::onViewLogClicked);
    connect(m_summary, &RunSummaryBox::openLogClicked, this, &RunPage::onViewLogClicked);
    connect(m_summary, &RunSummaryBox::newImportClicked, this, &RunPage::newImportClicked);
    connect(m_summary, &RunSummaryBox::strictValuesClicked, this, &RunPage::strictValuesClicked);
    connect(m_summary, &RunSummaryBox::undoClicked, this, &RunPage::undoImport);
    connectRun();
}

RunPage::~RunPage()
{
    m_run->cancel();
    m_run->wait();
}

void RunPage::setStore(bool connected, int connectTimeoutSeconds)
{
    m_connectTimeout = connectTimeoutSeconds;
    if (!m_history)
        return;
    m_history->setConnectTimeout(connectTimeoutSeconds);
    if (!connected)
        m_history->close();
    else if (m_history->isVisible())
        m_history->refresh();
}

// The status across the top, then the counts on the left and the pace on
// the right.
QLayout *RunPage::buildProgress()
{
    // A run that fails says why in the status, which can be a long text.
    m_status = makeLabel(this, "lblStatus", QStringLiteral("None"), true);
    auto *toProcess = makeLabel(this, "lblRecordsToProcess", QStringLiteral("0"));
    auto *processed = makeLabel(this, "lblRecordsProcessed", QStringLiteral("0"));
    m_percent = makeLabel(this, "lblPercentCompleted", QStringLiteral("0%"));
    auto *errors = makeLabel(this, "lblErrorsEncountered", QStringLiteral("0"));
    m_linesPerSecond = makeLabel(this, "lblLinesPerSecond", QStringLiteral("0"));
    m_timeElapsed = makeLabel(this, "lblTimeElapsed", QStringLiteral("0 s"));
    m_timeLeft = makeLabel(this, "lblTimeLeft", QStringLiteral("None"));
    m_labels = std::make_unique<LabelProgress>(m_status, toProcess, processed, m_percent, errors);

    QGridLayout *grid = makeValueGrid(
        this, {{"lblRecordsToProcessCaption", QStringLiteral("Number of records to process:"), toProcess, 1, 0},
               {"lblRecordsProcessedCaption", QStringLiteral("Number of records processed:"), processed, 2, 0},
               {"lblPercentCompletedCaption", QStringLiteral("Percent completed:"), m_percent, 3, 0},
               {"lblErrorsEncounteredCaption", QStringLiteral("Number of errors encountered:"), errors, 4, 0},
               {"lblLinesPerSecondCaption", QStringLiteral("Lines per second:"), m_linesPerSecond, 1, 2},
               {"lblTimeElapsedCaption", QStringLiteral("Time elapsed:"), m_timeElapsed, 2, 2},
               {"lblTimeLeftCaption", QStringLiteral("Time left:"), m_timeLeft, 3, 2}});
    grid->addWidget(makeLabel(this, "lblStatusCaption", QStringLiteral("Import Status:")), 0, 0);
    grid->addWidget(m_status, 0, 1, 1, 3);
    return grid;
}

void RunPage::connectRun()
{
    m_clockTimer->setInterval(500);
    connect(m_clockTimer, &QTimer::timeout, this, &RunPage::showClock);
    // The run's signals come from its own thread: queued, so that the
    // widgets are only ever touched here.
    connect(m_run, &ImportThread::statusChanged, this, [this](const QString &text) { m_labels->setStatus(text); },
            Qt::QueuedConnection);
    connect(m_run, &ImportThread::progressChanged, this, &RunPage::showProgress, Qt::QueuedConnection);
    connect(m_run, &ImportThread::message, this,
            [this](MessageKind kind, const QString &text, const QString &caption) {
                m_prompts.message(kind, text, caption);
            },
            Qt::QueuedConnection);
    connect(m_run, &ImportThread::finished, this, &RunPage::runFinished);
}

void RunPage::clearLastRun()
{
    resetProgress(QStringLiteral("None"));
    m_summary->clear();
}

void RunPage::enter()
{
    m_cancel->setEnabled(isRunning());
}

bool RunPage::isRunning() const
{
    return m_run->isRunning();
}

void RunPage::focusNewImport()
{
    m_summary->focusNewImport();
}

void RunPage::onImportClicked()
{
    start(RunMode::Batches);
}

void RunPage::onTestRunClicked()
{
    start(RunMode::TestRun);
}

// A set-up that cannot run (nothing mapped, the table's key not mapped, a log
// that would be the text file) is refused before anything starts, with what
// is missing named.
void RunPage::start(RunMode mode)
{
    if (isRunning() || (m_history && m_history->isBusy()))
        return;
    if (const QString problem = m_setup.runProblem(m_fields); !problem.isEmpty()) {
        m_prompts.message(MessageKind::Critical, sentence(problem));
        return;
    }
    ImportRequest request = m_setup.request(m_setup.logPath);
    request.mode = mode;
    resetProgress(RunStatusInitializing);
    m_bar->setRange(0, 0); // busy until the lines are counted
    m_rate.clear();
    m_lastProgress = ImportProgress();
    m_runClock.start();
    m_clockTimer->start();
    setRunning(true);
    m_cancel->setFocus();
    m_run->start(m_setup, request, m_connectTimeout);
}

void RunPage::onCancelClicked()
{
    if (!isRunning())
        return;
    m_run->cancel();
    m_cancel->setEnabled(false);
    m_labels->setStatus(QStringLiteral("Cancelling: the run stops after the line it is on..."));
}

void RunPage::setRunning(bool running)
{
    enableStart(running);
    m_cancel->setEnabled(running);
    if (running)
        m_summary->clear();
    if (m_history)
        m_history->setImportRunning(running);
    emit runningChanged(running);
}

// No run starts while a run is taken back.
void RunPage::enableStart(bool running)
{
    const bool free = !running && !(m_history && m_history->isBusy());
    m_import->setEnabled(free);
    m_testRun->setEnabled(free);
}

// The labels as the panel shows them before a run, the pace cleared.
void RunPage::resetProgress(const QString &status)
{
    m_labels->setStatus(status);
    m_labels->setProgress(ImportProgress());
    showBar(0);
    m_linesPerSecond->setText(QStringLiteral("0"));
    m_timeElapsed->setText(durationText(0));
    m_timeLeft->setText(QStringLiteral("None"));
}

// The bar at steps (of ProgressSteps; left where it is when negative),
// saying what the percentage label says.
void RunPage::showBar(int steps)
{
    m_bar->setRange(0, ProgressSteps);
    if (steps >= 0)
        m_bar->setValue(steps);
    m_bar->setFormat(m_percent->text());
}

void RunPage::showProgress(const ImportProgress &progress)
{
    m_labels->setProgress(progress);
    const qint64 of = std::max(progress.total, progress.linesRead);
    if (of > 0)
        showBar(static_cast<int>(progress.linesRead * ProgressSteps / of));
    m_lastProgress = progress;
    showClock();
}

// The time elapsed, and the pace with the time left. Called on every report
// and by the clock between them, so that a run that stops moving (waiting
// for a lock) soon shows it.
void RunPage::showClock()
{
    const qint64 elapsed = m_runClock.elapsed();
    m_timeElapsed->setText(durationText(elapsed / 1000));
    if (!isRunning())
        return;
    m_rate.add(elapsed, m_lastProgress.linesRead);
    const std::optional<double> rate = m_rate.linesPerSecond();
    m_linesPerSecond->setText(rate ? QString::number(qRound64(*rate)) : QStringLiteral("Measuring..."));
    const std::optional<qint64> left = m_rate.secondsLeft(m_lastProgress.total);
    m_timeLeft->setText(left ? QStringLiteral("about ") + durationText(*left) : QStringLiteral("Estimating..."));
}

void RunPage::runFinished(const ImportSummary &summary)
{
    m_clockTimer->stop();
    showClock();
    // The pace of the whole run.
    m_linesPerSecond->setText(QString::number(summary.linesRead * 1000 / std::max<qint64>(m_runClock.elapsed(), 1)));
    m_timeLeft->setText(QStringLiteral("None"));
    // A run that went through fills the bar (an empty file leaves it at 0%,
    // as the label); a stopped one leaves it where it stopped.
    showBar(!summary.stopped() && summary.linesRead > 0 ? ProgressSteps : -1);
    m_summary->showSummary(summary);
    setRunning(false);
}

// The log opens in the program's own viewer; when it cannot be read there,
// the desktop's text editor is tried.
void RunPage::onViewLogClicked()
{
    const QString path = m_setup.logPath;
    const QString shown = QDir::toNativeSeparators(path);
    if (!QFileInfo(path).isFile()) {
        m_prompts.message(MessageKind::Information,
                          QStringLiteral("There is no log file yet. The first import creates it at:\r\n") + shown);
        return;
    }
    if (!m_logViewer)
        m_logViewer = new LogViewer(path, m_prompts, window());
    if (m_logViewer->reload()) {
        m_logViewer->bringToFront();
        return;
    }
    if (!m_prompts.openExternally(path)) {
        m_prompts.message(MessageKind::Exclamation,
                          m_logViewer->errorString()
                              + QStringLiteral("\r\nNo text viewer could be started for it either."));
    }
}

LogViewer *RunPage::logViewer() const
{
    return m_logViewer;
}

HistoryWindow *RunPage::historyWindow() const
{
    return m_history;
}

void RunPage::showHistory()
{
    openHistory();
    if (!m_history->isBusy())
        m_history->refresh();
}

void RunPage::openHistory()
{
    if (!m_history) {
        m_history = new HistoryWindow(m_setup, m_prompts, window());
        m_history->setImportRunning(isRunning());
        connect(m_history, &HistoryWindow::runUndone, m_summary, &RunSummaryBox::markUndone);
        connect(m_history, &HistoryWindow::busyChanged, this, [this] { enableStart(isRunning()); });
    }
    m_history->setConnectTimeout(m_connectTimeout);
    m_history->bringToFront();
}

// Undo This Import goes through the history window, which asks first and
// shows the conflicts when the store has moved on; the undo lists the runs.
void RunPage::undoImport(qint64 runId)
{
    if (isRunning() || runId <= 0)
        return;
    openHistory();
    m_history->undoRun(runId);
}

} // namespace vxr

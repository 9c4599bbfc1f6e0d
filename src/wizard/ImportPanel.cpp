// Panel 4: the import run, its progress and summary, and the log file.
#include "frmMain.h"

#include "ImportThread.h"
#include "LabelProgress.h"
#include "LogViewer.h"
#include "PathLabel.h"
#include "RunSummaryText.h"
#include "UserPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace vxr {

namespace {

// The progress bar counts in tenths of a percent.
constexpr int ProgressSteps = 1000;

} // namespace

void frmMain::connectImportThread()
{
    m_import = new ImportThread(this);
    m_labels = std::make_unique<LabelProgress>(lblStatus, lblRecordsToProcess, lblRecordsProcessed,
                                               lblPercentCompleted, lblErrorsEncountered);
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(500);
    connect(m_clockTimer, &QTimer::timeout, this, &frmMain::showRunClock);
    // The run's signals come from its own thread: queued, so that the
    // widgets are only ever touched here.
    connect(m_import, &ImportThread::statusChanged, this, [this](const QString &text) { m_labels->setStatus(text); },
            Qt::QueuedConnection);
    connect(m_import, &ImportThread::progressChanged, this, &frmMain::runProgress, Qt::QueuedConnection);
    connect(m_import, &ImportThread::message, this,
            [this](MessageKind kind, const QString &text, const QString &caption) {
                m_prompts.message(kind, text, caption);
            },
            Qt::QueuedConnection);
    connect(m_import, &ImportThread::finished, this, &frmMain::runFinished);
    connect(cmdTestRun, &QPushButton::clicked, this, &frmMain::cmdTestRun_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
    connect(cmdOpenLog, &QPushButton::clicked, this, &frmMain::cmdViewLogFile_Click);
    connect(cmdOpenRejectFile, &QPushButton::clicked, this, &frmMain::cmdOpenRejectFile_Click);
    connect(cmdNewImport, &QPushButton::clicked, this, &frmMain::cmdNewImport_Click);
}

void frmMain::cmdImport_Click()
{
    Import(RunMode::Batches);
}

void frmMain::cmdTestRun_Click()
{
    Import(RunMode::TestRun);
}

bool frmMain::importRunning() const
{
    return m_import->isRunning();
}

// A set-up that cannot run (nothing mapped, the table's key not mapped, a log
// that would be the text file) is refused before anything starts, with what
// is missing named.
void frmMain::Import(RunMode mode)
{
    if (importRunning())
        return;
    const ImportSetup setup = currentSetup();
    if (const QString problem = setup.runProblem(Fields); !problem.isEmpty()) {
        m_prompts.message(MessageKind::Critical, sentence(problem));
        return;
    }
    ImportRequest request = setup.request(LogPath);
    request.mode = mode;
    m_closeAfterRun = false;
    m_rejectPath.clear();
    resetProgress(RunStatusInitializing);
    prgImport->setRange(0, 0); // busy until the lines are counted
    m_rate.clear();
    m_lastProgress = ImportProgress();
    m_runClock.start();
    m_clockTimer->start();
    setRunningState(true);
    cmdCancel->setFocus();
    m_import->start(setup, request, m_connectTimeout);
}

void frmMain::cmdCancel_Click()
{
    if (!importRunning())
        return;
    m_import->cancel();
    cmdCancel->setEnabled(false);
    m_labels->setStatus(QStringLiteral("Cancelling: the run stops after the line it is on..."));
}

void frmMain::setRunningState(bool running)
{
    cmdImport->setEnabled(!running);
    cmdTestRun->setEnabled(!running);
    cmdCancel->setEnabled(running);
    cmdBack->setEnabled(!running);
    if (running)
        fraSummary->hide();
}

// The labels as the form shows them before a run, the pace cleared.
void frmMain::resetProgress(const QString &status)
{
    m_labels->setStatus(status);
    m_labels->setProgress(ImportProgress());
    prgImport->setRange(0, ProgressSteps);
    prgImport->setValue(0);
    prgImport->setFormat(lblPercentCompleted->text());
    lblLinesPerSecond->setText(QStringLiteral("0"));
    lblTimeElapsed->setText(durationText(0));
    lblTimeLeft->setText(QStringLiteral("None"));
}

void frmMain::runProgress(const ImportProgress &progress)
{
    m_labels->setProgress(progress);
    const qint64 of = std::max(progress.total, progress.linesRead);
    if (of > 0) {
        prgImport->setRange(0, ProgressSteps);
        prgImport->setValue(static_cast<int>(progress.linesRead * ProgressSteps / of));
        // The bar says what the percentage label says.
        prgImport->setFormat(lblPercentCompleted->text());
    }
    m_lastProgress = progress;
    showRunClock();
}

// The time elapsed, and the pace with the time left. Called on every report
// and by the clock between them, so that a run that stops moving (waiting
// for a lock) soon shows it.
void frmMain::showRunClock()
{
    const qint64 elapsed = m_runClock.elapsed();
    lblTimeElapsed->setText(durationText(elapsed / 1000));
    if (!importRunning())
        return;
    m_rate.add(elapsed, m_lastProgress.linesRead);
    const std::optional<double> rate = m_rate.linesPerSecond();
    lblLinesPerSecond->setText(rate ? QString::number(qRound64(*rate)) : QStringLiteral("Measuring..."));
    const std::optional<qint64> left = m_rate.secondsLeft(m_lastProgress.total);
    lblTimeLeft->setText(left ? QStringLiteral("about ") + durationText(*left) : QStringLiteral("Estimating..."));
}

void frmMain::runFinished(const ImportSummary &summary)
{
    m_clockTimer->stop();
    showRunClock();
    // The pace of the whole run.
    lblLinesPerSecond->setText(QString::number(summary.linesRead * 1000 / std::max<qint64>(m_runClock.elapsed(), 1)));
    lblTimeLeft->setText(QStringLiteral("None"));
    // A run that went through fills the bar (an empty file leaves it at 0%,
    // as the label); a stopped one leaves it where it stopped.
    prgImport->setRange(0, ProgressSteps);
    if (!summary.stopped() && summary.linesRead > 0)
        prgImport->setValue(ProgressSteps);
    prgImport->setFormat(lblPercentCompleted->text());
    setRunningState(false);
    showImportSummary(summary);
    if (m_closeAfterRun) {
        close();
        return;
    }
    cmdNewImport->setFocus();
    QApplication::alert(this);
}

void frmMain::showImportSummary(const ImportSummary &summary)
{
    fraSummary->setTitle(summary.outcome == RunOutcome::TestRun ? QStringLiteral("Test run summary")
                                                                : QStringLiteral("Import summary"));
    lblOutcome->setText(runOutcomeText(summary));
    lblRowsAdded->setText(QString::number(summary.rowsAdded));
    lblRowsUpdated->setText(QString::number(summary.rowsUpdated));
    lblLinesSkipped->setText(QString::number(summary.linesSkipped));
    lblLinesFailed->setText(QString::number(summary.linesFailed));
    lblLinesNotReached->setText(QString::number(summary.linesNotReached));
    m_rejectPath = summary.rejectWritten ? summary.rejectPath : QString();
    lblRejectFile->setPath(m_rejectPath);
    lblRejectFileCaption->setVisible(!m_rejectPath.isEmpty());
    lblRejectFile->setVisible(!m_rejectPath.isEmpty());
    cmdOpenRejectFile->setVisible(!m_rejectPath.isEmpty());
    fraSummary->show();
}

// Exit, or the window's close button, while a run goes: a yes cancels the
// run, and the window closes once the run has stopped and what it wrote is
// committed. A run is never left half-way.
void frmMain::closeEvent(QCloseEvent *event)
{
    if (!importRunning()) {
        event->accept();
        return;
    }
    event->ignore();
    if (m_closeAfterRun)
        return;
    if (!m_prompts.question(QStringLiteral("An import is running. Stop it after the line it is on and exit?\r\n\r\n"
                                           "What it has stored so far stays stored; the lines it does not reach "
                                           "are written to the reject file.")))
        return;
    m_closeAfterRun = true;
    cmdCancel_Click();
}

// Back to panel 1 for the next file: the connection stays, the file, the
// settings file and the mapping start empty, and the panel-1 options stay.
void frmMain::cmdNewImport_Click()
{
    if (importRunning())
        return;
    txtFileName->clear();
    txtLoadSettings->clear();
    chkSkipFirstLine->setChecked(false);
    chkFirstLine->setChecked(false);
    cmbTable_Click();
    resetProgress(QStringLiteral("None"));
    fraSummary->hide();
    m_rejectPath.clear();
    CurrentPanel = 1;
    ShowPanel(1);
    if (Connection.isOpen())
        setConnectedState();
    txtFileName->setFocus();
}

void frmMain::cmdOpenRejectFile_Click()
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

// The log opens in the program's own viewer; when it cannot be read there,
// the desktop's text editor is tried.
void frmMain::cmdViewLogFile_Click()
{
    const QString shown = QDir::toNativeSeparators(LogPath);
    if (!QFileInfo(LogPath).isFile()) {
        m_prompts.message(MessageKind::Information,
                          QStringLiteral("There is no log file yet. The first import creates it at:\r\n") + shown);
        return;
    }
    if (!m_logViewer)
        m_logViewer = new LogViewer(LogPath, m_prompts, this);
    if (m_logViewer->reload()) {
        m_logViewer->show();
        m_logViewer->raise();
        m_logViewer->activateWindow();
        return;
    }
    if (!m_prompts.openExternally(LogPath)) {
        m_prompts.message(MessageKind::Exclamation,
                          m_logViewer->errorString()
                              + QStringLiteral("\r\nNo text viewer could be started for it either."));
    }
}

} // namespace vxr

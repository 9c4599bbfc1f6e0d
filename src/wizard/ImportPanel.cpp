// Panel 4: the import run and the log file.
#include "frmMain.h"

#include "LabelProgress.h"
#include "LogViewer.h"
#include "UserPrompts.h"

#include "import/ImportRun.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

namespace vxr {

void frmMain::cmdImport_Click()
{
    // A set-up that cannot run (the table's key not mapped, a log that would
    // be the text file) is refused before anything starts.
    if (const QString problem = currentSetup().runProblem(Fields); !problem.isEmpty()) {
        m_prompts.message(MessageKind::Critical, sentence(problem));
        return;
    }
    // One run per start of the program: nothing enables these again.
    cmdNext->setEnabled(false);
    cmdBack->setEnabled(false);
    cmdImport->setEnabled(false);
    Import();
}

void frmMain::Import()
{
    const ImportSetup setup = currentSetup();
    setup.configureReader(Reader);
    const ImportRequest request = setup.request(LogPath);

    ImportSummary summary;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto normalCursor = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        LabelProgress progress(lblStatus, lblRecordsToProcess, lblRecordsProcessed, lblPercentCompleted,
                               lblErrorsEncountered);
        vxr::Import run(Fields, Reader, Connection, Regional, m_prompts, progress);
        summary = run.run(request);
    }
    // A run that failed has told the operator why already.
    if (summary.outcome != RunOutcome::Failed)
        showImportSummary(summary);
}

void frmMain::showImportSummary(const ImportSummary &summary)
{
    QString text = QStringLiteral("The import is complete.\r\n\r\n")
        + QStringLiteral("Lines read: %1\r\n").arg(summary.linesRead)
        + QStringLiteral("Rows added: %1\r\n").arg(summary.rowsAdded)
        + QStringLiteral("Rows updated: %1\r\n").arg(summary.rowsUpdated)
        + QStringLiteral("Lines skipped: %1\r\n").arg(summary.linesSkipped)
        + QStringLiteral("Lines failed: %1\r\n").arg(summary.linesFailed)
        + QStringLiteral("Lines not reached: %1\r\n").arg(summary.linesNotReached);
    if (summary.valuesReadAsEmpty > 0 || summary.valuesCut > 0)
        text += QStringLiteral("Values read as 0/empty: %1\r\nValues cut to fit: %2\r\n"
                               "(not failures: their lines were imported with these values)\r\n")
                        .arg(summary.valuesReadAsEmpty)
                        .arg(summary.valuesCut);
    if (!summary.rejectPath.isEmpty())
        text += QStringLiteral("\r\nThe lines not stored are in the reject file:\r\n%1\r\n")
                        .arg(QDir::toNativeSeparators(summary.rejectPath));
    if (summary.linesFailed > 0)
        text += QStringLiteral("\r\nThe failed lines are listed in the log file:\r\n");
    else
        text += QStringLiteral("\r\nLog file:\r\n");
    text += QDir::toNativeSeparators(summary.logPath);
    m_prompts.message(summary.linesFailed > 0 ? MessageKind::Exclamation : MessageKind::Information, text);
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

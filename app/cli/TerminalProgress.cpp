#include "TerminalProgress.h"

#include "Console.h"

namespace vxr::cli {

namespace {
constexpr int BarWidth = 30;
} // namespace

void TerminalProgress::setStatus(const QString &text)
{
    m_status = text;
    draw();
    // The run's last status ends the progress line, so that messages and the
    // summary start on a line of their own.
    if (text != RunStatusInitializing && text != RunStatusImporting)
        endLine();
}

void TerminalProgress::setProgress(const ImportProgress &progress)
{
    m_progress = progress;
    draw();
}

void TerminalProgress::draw()
{
    if (!m_enabled)
        return;
    const int percent = percentDone(m_progress.linesRead, m_progress.total);
    const int filled = percent * BarWidth / 100;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(BarWidth - filled, QLatin1Char('.'));
    const QString line = QStringLiteral("\r[%1] %2%  %3/%4 lines  %5 failed  %6")
                                 .arg(bar)
                                 .arg(percent, 3)
                                 .arg(m_progress.linesRead)
                                 .arg(m_progress.total)
                                 .arg(m_progress.failed)
                                 .arg(m_status);
    // \x1b[K clears what a longer earlier line left behind.
    printOut(line + QStringLiteral("\x1b[K"));
    m_lineOpen = true;
}

void TerminalProgress::endLine()
{
    if (m_enabled && m_lineOpen)
        printOut(QStringLiteral("\n"));
    m_lineOpen = false;
}

} // namespace vxr::cli

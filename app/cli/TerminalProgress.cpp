#include "TerminalProgress.h"

#include "Console.h"

namespace vxr::cli {

namespace {
constexpr int BarWidth = 30;
constexpr int RedrawMilliseconds = 100;
} // namespace

void TerminalProgress::setStatus(const QString &text)
{
    m_status = text;
    draw(true);
    // The run's last status ends the progress line, so that messages and the
    // summary start on a line of their own.
    if (text != RunStatusInitializing && text != RunStatusImporting)
        endLine();
}

void TerminalProgress::setRecordsToProcess(const QString &text)
{
    m_total = text;
    draw(true);
}

void TerminalProgress::setRecordsProcessed(const QString &text)
{
    m_processed = text;
    draw(false);
}

void TerminalProgress::setPercentCompleted(const QString &text)
{
    m_percent = text;
    draw(true);
}

void TerminalProgress::setErrorsEncountered(const QString &text)
{
    m_errors = text;
    draw(false);
}

void TerminalProgress::draw(bool force)
{
    if (!m_enabled || (!force && m_sinceDraw.elapsed() < RedrawMilliseconds))
        return;
    m_sinceDraw.restart();
    const int percent = std::clamp(QStringView(m_percent).chopped(1).toInt(), 0, 100);
    const int filled = percent * BarWidth / 100;
    const QString bar = QString(filled, QLatin1Char('#')) + QString(BarWidth - filled, QLatin1Char('.'));
    const QString line = QStringLiteral("\r[%1] %2  %3/%4 lines  %5 failed  %6")
                             .arg(bar, m_percent.rightJustified(4), m_processed, m_total, m_errors, m_status);
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

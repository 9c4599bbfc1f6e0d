#pragma once

#include "import/ImportRun.h"

#include <QElapsedTimer>

#include <algorithm>

namespace vxr::cli {

// The run's progress as one line redrawn in place on an interactive
// terminal: a bar, the percentage, lines processed and errors so far.
class TerminalProgress final : public ProgressSink
{
public:
    explicit TerminalProgress(bool enabled) : m_enabled(enabled) { m_sinceDraw.start(); }

    void setStatus(const QString &text) override;
    void setRecordsToProcess(const QString &text) override;
    void setRecordsProcessed(const QString &text) override;
    void setPercentCompleted(const QString &text) override;
    void setErrorsEncountered(const QString &text) override;

private:
    void draw(bool force);
    void endLine();

    bool m_enabled;
    bool m_lineOpen = false;
    QString m_status;
    QString m_total = QStringLiteral("0");
    QString m_processed = QStringLiteral("0");
    QString m_percent = QStringLiteral("0%");
    QString m_errors = QStringLiteral("0");
    QElapsedTimer m_sinceDraw;
};

} // namespace vxr::cli

#pragma once

#include "import/ImportRun.h"

#include <QElapsedTimer>

namespace vxr::cli {

// The run's progress as one line redrawn in place on an interactive
// terminal: a bar, the percentage, lines processed and failed so far.
class TerminalProgress final : public ProgressSink
{
public:
    explicit TerminalProgress(bool enabled) : m_enabled(enabled) {}

    void setStatus(const QString &text) override;
    void setProgress(const ImportProgress &progress) override;

private:
    void draw();
    void endLine();

    bool m_enabled;
    bool m_lineOpen = false;
    QString m_status;
    ImportProgress m_progress;
};

} // namespace vxr::cli

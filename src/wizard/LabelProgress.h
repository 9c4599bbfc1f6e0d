#pragma once

#include "import/ImportRun.h"

class QLabel;

namespace vxr {

// Shows a run's progress in the five labels of the import panel: the status,
// lines to process, lines processed, the percentage and the lines failed.
// A label is rewritten only when its text changes. It lives on the window's
// thread: a run on another thread reaches it through signals.
class LabelProgress final : public ProgressSink
{
public:
    LabelProgress(QLabel *status, QLabel *recordsToProcess, QLabel *recordsProcessed, QLabel *percentCompleted,
                  QLabel *errorsEncountered);

    void setStatus(const QString &text) override { show(m_status, text); }
    void setProgress(const ImportProgress &progress) override;

private:
    static void show(QLabel *label, const QString &text);

    QLabel *m_status;
    QLabel *m_recordsToProcess;
    QLabel *m_recordsProcessed;
    QLabel *m_percentCompleted;
    QLabel *m_errorsEncountered;
};

} // namespace vxr

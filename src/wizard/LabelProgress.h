#pragma once

#include "import/ImportRun.h"

class QLabel;

namespace vxr {

// Shows a run's progress in the five labels of the import panel. The run
// holds the user-interface thread, so every label is repainted at once.
class LabelProgress final : public ProgressSink
{
public:
    LabelProgress(QLabel *status, QLabel *recordsToProcess, QLabel *recordsProcessed, QLabel *percentCompleted,
                  QLabel *errorsEncountered);

    void setStatus(const QString &text) override { show(m_status, text); }
    void setRecordsToProcess(const QString &text) override { show(m_recordsToProcess, text); }
    void setRecordsProcessed(const QString &text) override { show(m_recordsProcessed, text); }
    void setPercentCompleted(const QString &text) override { show(m_percentCompleted, text); }
    void setErrorsEncountered(const QString &text) override { show(m_errorsEncountered, text); }

private:
    static void show(QLabel *label, const QString &text);

    QLabel *m_status;
    QLabel *m_recordsToProcess;
    QLabel *m_recordsProcessed;
    QLabel *m_percentCompleted;
    QLabel *m_errorsEncountered;
};

} // namespace vxr

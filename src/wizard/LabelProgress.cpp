#include "LabelProgress.h"

#include <QLabel>

namespace vxr {

LabelProgress::LabelProgress(QLabel *status, QLabel *recordsToProcess, QLabel *recordsProcessed,
                             QLabel *percentCompleted, QLabel *errorsEncountered)
    : m_status(status), m_recordsToProcess(recordsToProcess), m_recordsProcessed(recordsProcessed),
      m_percentCompleted(percentCompleted), m_errorsEncountered(errorsEncountered)
{
}

void LabelProgress::show(QLabel *label, const QString &text)
{
    label->setText(text);
    label->repaint();
}

} // namespace vxr

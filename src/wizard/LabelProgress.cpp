#include "LabelProgress.h"

#include <QLabel>

namespace vxr {

LabelProgress::LabelProgress(QLabel *status, QLabel *recordsToProcess, QLabel *recordsProcessed,
                             QLabel *percentCompleted, QLabel *errorsEncountered)
    : m_status(status), m_recordsToProcess(recordsToProcess), m_recordsProcessed(recordsProcessed),
      m_percentCompleted(percentCompleted), m_errorsEncountered(errorsEncountered)
{
}

void LabelProgress::setProgress(const ImportProgress &progress)
{
    show(m_recordsToProcess, QString::number(progress.total));
    show(m_recordsProcessed, QString::number(progress.linesRead));
    show(m_percentCompleted, QString::number(percentDone(progress.linesRead, progress.total)) + QLatin1Char('%'));
    show(m_errorsEncountered, QString::number(progress.failed));
}

void LabelProgress::show(QLabel *label, const QString &text)
{
    if (label->text() != text)
        label->setText(text);
}

} // namespace vxr

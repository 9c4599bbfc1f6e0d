#include "PathLabel.h"

#include <QDir>
#include <QFontMetrics>

namespace vxr {

PathLabel::PathLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void PathLabel::setPath(const QString &path)
{
    m_path = QDir::toNativeSeparators(path);
    setToolTip(m_path);
    showFitting();
}

QSize PathLabel::minimumSizeHint() const
{
    return {0, QLabel::minimumSizeHint().height()};
}

void PathLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    showFitting();
}

void PathLabel::showFitting()
{
    setText(fontMetrics().elidedText(m_path, Qt::ElideMiddle, std::max(contentsRect().width(), 1)));
}

} // namespace vxr

#include "HelpWindow.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace vxr {

HelpWindow::HelpWindow(const QString &manualPath, QWidget *owner)
    : ToolWindow("HelpWindow", QStringLiteral("Vexaro Import"), owner)
{
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(true);
    m_browser->setSource(QUrl::fromLocalFile(manualPath));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    placeOnScreen(QSize(820, 640));
}

} // namespace vxr

#pragma once

#include "ToolWindow.h"

class QTextBrowser;

namespace vxr {

// The user manual in a window of its own, beside the wizard.
class HelpWindow : public ToolWindow
{
    Q_OBJECT
public:
    HelpWindow(const QString &manualPath, QWidget *owner);

    QTextBrowser *browser() const { return m_browser; }

private:
    QTextBrowser *m_browser;
};

} // namespace vxr

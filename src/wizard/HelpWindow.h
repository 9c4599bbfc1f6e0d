#pragma once

#include <QWidget>

class QTextBrowser;

namespace vxr {

// The user manual in a window of its own, beside the wizard: placed on the
// wizard's screen, closed with Escape.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    HelpWindow(const QString &manualPath, QWidget *owner);

    QTextBrowser *browser() const { return m_browser; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QTextBrowser *m_browser;
};

} // namespace vxr

#include "ToolWindow.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include <algorithm>

namespace vxr {

namespace {

// Room for the title bar and borders the window manager adds around the
// window (its frame), and a margin to the screen's edges.
const QSize FrameAllowance(16, 40);
const QSize ScreenMargin(32, 16);

} // namespace

ToolWindow::ToolWindow(const char *name, const QString &title, QWidget *owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(title);
}

void ToolWindow::bringToFront()
{
    show();
    raise();
    activateWindow();
}

void ToolWindow::placeOnScreen(QSize preferred)
{
    const QWidget *owner = parentWidget();
    const QScreen *screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        resize(preferred);
        return;
    }
    const QRect available = screen->availableGeometry();
    const QSize size = preferred.boundedTo(available.size() - FrameAllowance - ScreenMargin);
    resize(size);

    const QPoint centre = owner && owner->isVisible() ? owner->frameGeometry().center() : available.center();
    // The frame's rectangle: move() places its top left corner.
    QRect placed(QPoint(0, 0), size + FrameAllowance);
    placed.moveCenter(centre);
    placed.moveLeft(std::clamp(placed.left(), available.left(), available.right() - placed.width()));
    placed.moveTop(std::clamp(placed.top(), available.top(), available.bottom() - placed.height()));
    move(placed.topLeft());
}

// The text views inside leave Escape to their window.
void ToolWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace vxr

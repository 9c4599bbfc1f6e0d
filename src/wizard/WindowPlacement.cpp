#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace vxr {

namespace {

// Room for the title bar and borders the window manager adds around the
// window (its frame), and a margin to the screen's edges.
const QSize FrameAllowance(16, 40);
const QSize ScreenMargin(32, 16);

} // namespace

void placeOnScreen(QWidget *window, const QWidget *owner, QSize preferred)
{
    const QScreen *screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        window->resize(preferred);
        return;
    }
    const QRect available = screen->availableGeometry();
    const QSize size = preferred.boundedTo(available.size() - FrameAllowance - ScreenMargin);
    window->resize(size);

    const QPoint centre = owner && owner->isVisible() ? owner->frameGeometry().center() : available.center();
    // The frame's rectangle: move() places its top left corner.
    QRect placed(QPoint(0, 0), size + FrameAllowance);
    placed.moveCenter(centre);
    placed.moveLeft(std::clamp(placed.left(), available.left(), available.right() - placed.width()));
    placed.moveTop(std::clamp(placed.top(), available.top(), available.bottom() - placed.height()));
    window->move(placed.topLeft());
}

} // namespace vxr

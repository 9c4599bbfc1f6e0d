#pragma once

#include <QSize>

class QWidget;

namespace vxr {

// Gives a top-level window its size and place before it is first shown: the
// preferred size, made smaller where the screen is smaller, centred over its
// owner and moved so that all of it (frame included) is on the owner's screen.
void placeOnScreen(QWidget *window, const QWidget *owner, QSize preferred);

} // namespace vxr

#pragma once

#include <QSize>
#include <QWidget>

namespace vxr {

// A window of its own beside the wizard (the manual, the log): placed on its
// owner's screen, brought to the front when asked for again, closed with
// Escape.
class ToolWindow : public QWidget
{
    Q_OBJECT
public:
    // Shows the window in front of the others, and gives it the keyboard.
    void bringToFront();

protected:
    ToolWindow(const char *name, const QString &title, QWidget *owner);

    // Gives the window its size and place before it is first shown: the
    // preferred size, made smaller where the screen is smaller, centred over
    // its owner and moved so that all of it (frame included) is on the
    // owner's screen.
    void placeOnScreen(QSize preferred);

    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace vxr

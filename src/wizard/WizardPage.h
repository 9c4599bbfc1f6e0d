#pragma once

#include <QFrame>
#include <QString>

#include <initializer_list>

class QGridLayout;
class QLabel;
class QPushButton;

namespace vxr {

// One of the wizard's four panels. A panel shows the set-up the main window
// owns and edits it through its own controls; it keeps no copy of it.
class WizardPage : public QFrame
{
    Q_OBJECT
public:
    WizardPage(const char *name, QWidget *parent);

    // Shows the set-up as it now is: at the start, after a settings file was
    // loaded, for a new import.
    virtual void showSetup() = 0;
    // The panel comes on show (it is the only one usable then).
    virtual void enter() {}
};

// The controls the wizard's windows make alike, each given its object name
// (the name tests and the screenshot walk find it by).

template<typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// Plain text; wrapped for the panels' longer explanations.
QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, bool wrap = false);
// A panel's title: bold and a little larger.
QLabel *makeHeading(QWidget *parent, const char *name, const QString &text);
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption);

// A value with its caption to the left of it, at a row and a caption column
// (0 or 2) of a value grid.
struct CaptionedValue
{
    const char *captionName;
    QString caption;
    QWidget *value;
    int row;
    int column;
};
// Two columns of captioned values; the values take the room left.
QGridLayout *makeValueGrid(QWidget *parent, std::initializer_list<CaptionedValue> cells);

} // namespace vxr

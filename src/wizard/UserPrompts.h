#pragma once

#include "catalogue/Reporter.h"

#include <QString>

class QWidget;

namespace vxr {

// Everything the wizard asks or tells the operator goes through this one
// interface: message boxes, the file dialogs and handing a file to the
// desktop's own viewer. The program uses the Qt implementation below; tests
// use a double that answers without a person.
class UserPrompts : public Reporter
{
public:
    // A message box with an OK button. Critical and Exclamation show the
    // stop and warning icons, Information the information icon, Plain none.
    // An empty caption means "VXRImp".
    void message(MessageKind kind, const QString &text, const QString &caption = QString()) override = 0;

    // File dialogs. filter uses Qt's form ("Text (*.txt);;All Files (*)");
    // initial is a file name or a folder. An empty result means cancelled.
    virtual QString getOpenFileName(const QString &title, const QString &initial, const QString &filter) = 0;
    virtual QString getSaveFileName(const QString &title, const QString &initial, const QString &filter) = 0;

    // Opens a file in the viewer the desktop associates with it; false when
    // nothing could be started.
    virtual bool openExternally(const QString &path) = 0;

    // A message with the exclamation icon, an OK button and a "Do not show
    // this again" box; true when the operator checked the box.
    virtual bool disclaimer(const QString &text, const QString &caption) = 0;

    // A question with Yes and No buttons, No the default; true for Yes.
    virtual bool question(const QString &text, const QString &caption = QString()) = 0;
};

// A message of the engine ("the text file x does not exist") as a message
// box says it: with a capital letter and a full stop.
inline QString sentence(const QString &text)
{
    if (text.isEmpty())
        return text;
    QString result = text.at(0).toUpper() + text.mid(1);
    if (!result.endsWith(QLatin1Char('.')))
        result += QLatin1Char('.');
    return result;
}

// The caption of message boxes that are given none.
inline QString applicationTitle() { return QStringLiteral("VXRImp"); }

// Message boxes and file dialogs of Qt, parented to a window.
class QtUserPrompts final : public UserPrompts
{
public:
    explicit QtUserPrompts(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParentWidget(QWidget *parent) { m_parent = parent; }

    void message(MessageKind kind, const QString &text, const QString &caption = QString()) override;
    QString getOpenFileName(const QString &title, const QString &initial, const QString &filter) override;
    QString getSaveFileName(const QString &title, const QString &initial, const QString &filter) override;
    bool openExternally(const QString &path) override;
    bool disclaimer(const QString &text, const QString &caption) override;
    bool question(const QString &text, const QString &caption = QString()) override;

private:
    QWidget *m_parent;
};

// Answers every question without showing anything: messages go to standard
// error, file dialogs return nothing and nothing is opened. Used where no
// operator is present (the screenshot walk).
class UnattendedPrompts final : public UserPrompts
{
public:
    void message(MessageKind kind, const QString &text, const QString &caption = QString()) override;
    QString getOpenFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString getSaveFileName(const QString &, const QString &, const QString &) override { return {}; }
    bool openExternally(const QString &) override { return false; }
    bool disclaimer(const QString &text, const QString &caption) override
    {
        message(MessageKind::Exclamation, text, caption);
        return false;
    }
    // Nobody is there to agree: the answer is the safe No.
    bool question(const QString &text, const QString &caption = QString()) override
    {
        message(MessageKind::Plain, text, caption);
        return false;
    }
};

} // namespace vxr

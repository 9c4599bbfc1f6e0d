#pragma once

#include "TestSupport.h"

#include "wizard/UserPrompts.h"
#include "wizard/frmMain.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace vxr::test {

// Answers the wizard's questions from a script and keeps what it was shown.
class ScriptedPrompts final : public UserPrompts
{
public:
    using Message = RecordingReporter::Message;

    void message(MessageKind kind, const QString &text, const QString &caption = QString()) override
    {
        messages.append({kind, text, caption});
    }
    QString getOpenFileName(const QString &, const QString &initial, const QString &) override
    {
        openInitials.append(initial);
        return nextAnswer();
    }
    QString getSaveFileName(const QString &, const QString &, const QString &) override
    {
        ++saveDialogs;
        return nextAnswer();
    }
    bool openExternally(const QString &path) override
    {
        opened.append(path);
        return viewerStarts;
    }
    bool disclaimer(const QString &text, const QString &caption) override
    {
        messages.append({MessageKind::Exclamation, text, caption});
        return hideDisclaimer;
    }
    bool question(const QString &text, const QString &caption = QString()) override
    {
        questions.append(text + (caption.isEmpty() ? QString() : QStringLiteral(" (") + caption + u')'));
        return answerYes;
    }
    QStringList texts() const
    {
        QStringList result;
        for (const Message &m : messages)
            result << m.text;
        return result;
    }

    QList<Message> messages;
    QStringList openInitials; // where each open dialog started
    int saveDialogs = 0;
    QStringList fileAnswers; // what the next file dialogs return, in order
    QStringList opened;
    bool viewerStarts = true;
    bool hideDisclaimer = false; // "Do not show this again" checked
    QStringList questions;
    bool answerYes = false;      // the answer to every question

private:
    QString nextAnswer() { return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst(); }
};

// A started wizard (its disclaimer answered) with its log in a temporary
// folder, and the user's remembered choices in a folder of the test's own.
class WizardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.filePath(QStringLiteral("config")));
        window = newWindow();
    }
    std::unique_ptr<frmMain> newWindow(int disclaimers = 1)
    {
        prompts.messages.clear();
        auto w = std::make_unique<frmMain>(prompts);
        w->Form_Load();
        w->LogPath = dir.filePath(QStringLiteral("VUVEDIZE.LOG"));
        EXPECT_EQ(prompts.messages.size(), disclaimers) << "the disclaimer, once per start unless hidden";
        prompts.messages.clear();
        return w;
    }
    template<typename T = QWidget>
    T *control(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            ADD_FAILURE() << "no control " << name;
        return found;
    }
    bool enabled(const char *name) const { return control(name)->isEnabled(); }
    QString writeFile(const QString &name, const QByteArray &content) const
    {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            ADD_FAILURE() << "cannot write " << name.toStdString();
        return file.fileName();
    }
    // Selects the list entry with this text and double-clicks it.
    void assign(const QString &fieldName)
    {
        auto *list = control<QListWidget>("lstFields");
        const auto found = list->findItems(fieldName, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << fieldName.toStdString();
        list->setCurrentItem(found.first());
        emit list->itemDoubleClicked(found.first());
    }
    // "&Connect" with the connection string already in the box.
    void connectTo(const QString &connectionString)
    {
        control<QLineEdit>("txtVXRDB")->setText(connectionString);
        window->cmdConnect_Click();
    }

    ScriptedPrompts prompts;
    QTemporaryDir dir;
    std::unique_ptr<frmMain> window;
};

} // namespace vxr::test

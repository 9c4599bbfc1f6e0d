#pragma once

#include "TestStores.h"
#include "TestSupport.h"

#include "wizard/MainWindow.h"
#include "wizard/MappingPage.h"
#include "wizard/UserPrompts.h"

#include <QAbstractButton>
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
        return true;
    }
    bool disclaimer(const QString &text, const QString &caption) override
    {
        messages.append({MessageKind::Exclamation, text, caption});
        return hideDisclaimer;
    }
    bool question(const QString &text, const QString &) override
    {
        questions.append(text);
        return answerYes;
    }
    QStringList texts() const
    {
        QStringList result;
        for (const Message &m : messages)
            result << m.text;
        return result;
    }
    // The text of the one message shown since the last call, which is taken
    // away; fails when there were none or several, or it was of another kind.
    QString takeOne(MessageKind kind = MessageKind::Critical)
    {
        EXPECT_EQ(messages.size(), 1) << texts().join(u'\n').toStdString();
        const Message shown = messages.isEmpty() ? Message{kind, QString(), QString()} : messages.constLast();
        EXPECT_EQ(shown.kind, kind) << shown.text.toStdString();
        messages.clear();
        return shown.text;
    }

    QList<Message> messages;
    QStringList openInitials; // where each open dialog started
    int saveDialogs = 0;
    QStringList fileAnswers; // what the next file dialogs return, in order
    QStringList opened;
    bool hideDisclaimer = false; // "Do not show this again" checked
    QStringList questions;
    bool answerYes = false; // the answer to every question

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
    std::unique_ptr<MainWindow> newWindow(int disclaimers = 1)
    {
        prompts.messages.clear();
        auto w = std::make_unique<MainWindow>(prompts);
        w->start();
        w->setLogPath(dir.filePath(QStringLiteral("VUVEDIZE.LOG")));
        EXPECT_EQ(prompts.messages.size(), disclaimers) << "the disclaimer, once per start unless hidden";
        prompts.messages.clear();
        return w;
    }
    const ImportSetup &setup() const { return window->setup(); }
    // The child of this name in the window, or in the widget given.
    template<typename T = QWidget>
    T *control(const char *name, const QObject *in = nullptr) const
    {
        T *found = (in ? in : window.get())->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            ADD_FAILURE() << "no control " << name;
        return found;
    }
    bool enabled(const char *name) const { return control(name)->isEnabled(); }
    // Which of the controls named are enabled, in the order given.
    QString enabledOf(std::initializer_list<const char *> names) const
    {
        QStringList on;
        for (const char *name : names)
            on << (enabled(name) ? QString::fromLatin1(name) : QString());
        on.removeAll(QString());
        return on.join(u' ');
    }
    void click(const char *name) { control<QAbstractButton>(name)->click(); }
    void type(const char *name, const QString &text) { control<QLineEdit>(name)->setText(text); }
    QString writeFile(const QString &name, const QByteArray &content) const
    {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeTestFile(path, content)) << name.toStdString();
        return path;
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
    // Makes a text position the mapping grid's current one.
    void selectPosition(int position) { window->mappingPage()->selectPosition(position); }
    // "&Connect" with the connection string typed into the box.
    void connectTo(const QString &connectionString)
    {
        type("txtVXRDB", connectionString);
        click("cmdConnect");
    }
    // Connected to a fresh store with the text file named: Next goes on.
    void connectWithFile(const QByteArray &content)
    {
        ASSERT_TRUE(store.isValid()) << store.error().toStdString();
        connectTo(store.connectionString());
        ASSERT_TRUE(window->isConnected());
        type("txtFileName", writeFile(QStringLiteral("items.csv"), content));
    }
    void goToPanel(int panel)
    {
        for (int step = 0; step < 3 && window->currentPanel() < panel; ++step)
            click("cmdNext");
        ASSERT_EQ(window->currentPanel(), panel);
    }

    ScriptedPrompts prompts;
    QTemporaryDir dir;
    TempSqliteStore store;
    std::unique_ptr<MainWindow> window;
};

} // namespace vxr::test

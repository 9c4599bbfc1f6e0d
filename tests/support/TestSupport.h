#pragma once

#include "catalogue/Reporter.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <ostream>

// QStrings in test messages as text, not as 16-bit units.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace vxr::test {

// Path of a file in the source tree (for example "examples/items.csv").
QString sourcePath(const QString &relative);

// Replaces a file's content with the bytes; false when it cannot be written.
bool writeTestFile(const QString &path, const QByteArray &bytes);
// A file's bytes; empty when it cannot be read.
QByteArray readTestFile(const QString &path);

// Points XDG_DATA_HOME (the per-user data folder) at a folder for the length
// of a scope, and puts back what it was.
class ScopedDataHome
{
public:
    explicit ScopedDataHome(const QString &folder) : m_before(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", folder.toLocal8Bit());
    }
    ~ScopedDataHome()
    {
        if (m_before.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_before);
    }
    ScopedDataHome(const ScopedDataHome &) = delete;
    ScopedDataHome &operator=(const ScopedDataHome &) = delete;

private:
    QByteArray m_before;
};

// Collects what the engine would have shown the operator.
class RecordingReporter final : public Reporter
{
public:
    struct Message
    {
        MessageKind kind;
        QString text;
        QString caption;
    };
    void message(MessageKind kind, const QString &text, const QString &caption) override
    {
        messages.append({kind, text, caption});
    }
    QList<Message> messages;
};

} // namespace vxr::test

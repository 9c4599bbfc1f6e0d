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
// Lines "K0001,Item 1" ... for the item mapping {Item Lookup Code, Description}.
QByteArray itemLines(int first, int last, const QByteArray &end = "\r\n");

// Sets an environment variable for the length of a scope, and puts back
// what it was.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QString &value) : m_name(name), m_before(qgetenv(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedEnvironment()
    {
        if (m_before.isNull())
            qunsetenv(m_name);
        else
            qputenv(m_name, m_before);
    }
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;

private:
    const char *m_name;
    QByteArray m_before;
};

// Collects what the engine would have shown the operator.
class RecordingReporter final : public Reporter
{
public:
    struct Message { MessageKind kind; QString text; QString caption; };
    void message(MessageKind kind, const QString &text, const QString &caption) override
    {
        messages.append({kind, text, caption});
    }
    QList<Message> messages;
};

} // namespace vxr::test

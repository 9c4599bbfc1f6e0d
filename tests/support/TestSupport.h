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

#pragma once

#include <QString>

namespace vxr {

// The severity of a message meant for the operator. The wizard maps these to
// message-box icons; the command-line tool prefixes them on standard error.
enum class MessageKind { Critical, Exclamation, Information, Plain };

// The engine shows no dialogs. Whatever the operator must be told goes through
// this interface, which each front end implements in its own way.
class Reporter
{
public:
    virtual ~Reporter() = default;
    // An empty caption means the application's title ("VXRImp").
    virtual void message(MessageKind kind, const QString &text, const QString &caption = QString()) = 0;
};

// Drops every message; for callers that have nobody to tell.
class SilentReporter final : public Reporter
{
public:
    void message(MessageKind, const QString &, const QString &) override {}
};

} // namespace vxr

#pragma once

#include "catalogue/Reporter.h"

#include <QString>

namespace vxr::cli {

// Standard output and standard error, written as UTF-8.
void printOut(const QString &text);
void printErr(const QString &text);
// "vxrimp: error: " + text + a line end, on standard error.
void printError(const QString &text);

// True when standard output is an interactive terminal.
bool stdoutIsTerminal();

// Messages for the operator go to standard error, with the severity first.
class TerminalReporter final : public Reporter
{
public:
    void message(MessageKind kind, const QString &text, const QString &caption = QString()) override;
};

} // namespace vxr::cli

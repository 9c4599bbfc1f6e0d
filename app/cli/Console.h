#pragma once

#include "catalogue/Reporter.h"

#include <QString>

namespace vxr::cli {

// Standard output and standard error, written as UTF-8.
void printOut(const QString &text);
void printErr(const QString &text);
// "vxrimp: error: " + text + a line end, on standard error.
void printError(const QString &text);

// Text from a file made safe for a terminal: control and format characters
// (escape sequences, carriage returns, direction overrides) shown as \xNN or
// \u{NNNN} instead of acting on the terminal.
QString visibleText(const QString &text);

// True when standard output is an interactive terminal.
bool stdoutIsTerminal();

// Messages for the operator go to standard error, with the severity first.
class TerminalReporter final : public Reporter
{
public:
    void message(MessageKind kind, const QString &text, const QString &caption = QString()) override;
};

} // namespace vxr::cli

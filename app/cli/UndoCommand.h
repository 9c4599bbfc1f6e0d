#pragma once

#include <QStringList>

namespace vxr::cli {

// "vxrimp undo ...": the whole command line (program name first), read by
// the command itself; the exit status.
int runUndo(const QStringList &arguments);

// The command line names the undo command (its first word after the program).
bool isUndoCommand(const QStringList &arguments);

} // namespace vxr::cli

#pragma once

#include <QString>
#include <QStringList>

namespace vxr {

// The user manual's file name.
inline QString manualFileName() { return QStringLiteral("Vexaro Import.html"); }

// Where the manual of a program in programFolder may be, in the order they
// are tried: beside the program (its build tree), in share/vxrimp/ of the
// prefix the program is installed in, and in vxrimp/ of the desktop's data
// folders (XDG_DATA_HOME, XDG_DATA_DIRS).
QStringList manualCandidates(const QString &programFolder);

// The first candidate that is a file; the first candidate when none is.
QString manualPath(const QString &programFolder);

} // namespace vxr

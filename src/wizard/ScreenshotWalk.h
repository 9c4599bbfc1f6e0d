#pragma once

#include <QString>

namespace vxr {

// Walks the four panels on a fresh store, importing on the last one, and
// saves panel1.png .. panel4.png into outputFolder, with panel1-delimiter.png
// (the set-up panel offering the delimiter of a file of semicolons) and
// panel4-running.png
// (a long import in progress, cancelled afterwards) before panel4.png. The set-up comes from a
// settings file when one is given (its text file has a heading line, which
// the walk skips), else from a small built-in item list. Nobody is asked
// anything; messages go to standard error. Last, panel2-suggestions.png (see
// ScreenshotSuggestions.h). Returns the exit code.
int screenshotWalk(const QString &outputFolder, const QString &settingsFile = QString());

} // namespace vxr

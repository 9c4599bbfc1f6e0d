#pragma once

#include <QString>

namespace vxr {

// Walks the four panels with a fresh sample store and text file, importing on
// the last one, and saves panel1.png .. panel4.png into outputFolder. Nobody
// is asked anything; messages go to standard error. Returns the exit code.
int screenshotWalk(const QString &outputFolder);

} // namespace vxr

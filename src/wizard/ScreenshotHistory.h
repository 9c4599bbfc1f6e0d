#pragma once

#include <QString>

namespace vxr {

class MainWindow;

// docs/history.png: the history window over the store the walk filled, after
// the walk's last import, whose newest item has been given another price
// since: what an undo would change is refused, the conflict listed.
bool saveHistory(MainWindow &window, const QString &storeFile, const QString &outputFolder);

} // namespace vxr

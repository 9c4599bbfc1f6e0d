#pragma once

#include <QString>

namespace vxr {

class UserPrompts;

// Saves panel2-suggestions.png into outputFolder: the mapping panel of a
// fresh window on the store, for an export whose first line names its
// columns as another program does, with the fields those names suggest.
// The export is written into workFolder. False when the picture is not saved.
bool saveHeaderSuggestions(UserPrompts &prompts, const QString &connectionString, const QString &outputFolder,
                           const QString &workFolder);

} // namespace vxr

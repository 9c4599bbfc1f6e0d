#pragma once

#include <QString>

namespace vxr {

class MainWindow;
class UserPrompts;

// Pictures of the screenshot walk that need a set-up of their own.

// Waits (a while) until the review panel of window shows its values as
// stored and its count of problems.
void waitForStoredPreview(MainWindow &window);

// docs/panel3-problems.png: the review panel on the sample of new items, its
// values as stored with the problem cells marked and one problem's tooltip.
bool saveStoredPreview(UserPrompts &prompts, const QString &connectionString, const QString &settingsFile,
                       const QString &outputFolder);

// docs/panel1-sheet.png: the set-up panel with a workbook of two sheets chosen,
// its sheet list beside the delimiter.
bool saveSheetChoice(UserPrompts &prompts, const QString &connectionString, const QString &outputFolder,
                     const QString &workFolder);

} // namespace vxr

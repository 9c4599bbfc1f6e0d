#pragma once

#include <QString>

namespace vxr::previewTexts {

// The words the stored-value preview shows for a cell's problem, kept in
// one place so that the run's own sentences can take their place.

// A text with no number or date in it, stored as 0 or empty.
QString readAsEmpty(const QString &caption, const QString &text);
// A text cut to the characters its column holds.
QString cut(const QString &caption, int columnSize);
// A name the look-up would add as a new row.
QString newReference(const QString &table);
// A code no stored item (or item class) has: the line fails.
QString noSuchCode(const QString &table, const QString &code);
// A code stored with another case or trailing blanks: 0 is stored.
QString codeDiffers(const QString &table, const QString &code);
// The line's key is stored already, or given by an earlier line.
QString keyStored(bool updates);
QString keyRepeated();
// The line holds more fields than a line may.
QString tooManyFields();

// Beside the count: what the preview cannot see.
QString notChecked();

} // namespace vxr::previewTexts

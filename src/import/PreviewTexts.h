#pragma once

#include <QString>

namespace vxr {
struct DbError;
struct ValueNote;
} // namespace vxr

namespace vxr::previewTexts {

// The words the stored-value preview shows for a cell's problem: the run's
// own sentences where it has them (the problems report's, the error
// numbers' words), in one place.

// A value stored, but not as its text gave it (read as 0 or empty, cut): as
// the problems report says it.
QString changed(const ValueNote &note);
// A value that fails its line: what the run would log, and the error's words.
QString fails(const DbError &error);
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

#pragma once

#include <QVariant>

namespace vxr {

// Whether a column still holds what a run wrote, by the column's kind
// (TypeCodes): texts character for character (an empty text and NULL alike),
// dates to the second, numbers and booleans by their value to the fourth
// decimal, as money columns keep them. The written value comes from the
// journal, the stored one from the store's driver, so their kinds may differ.
bool sameStoredValue(const QVariant &written, const QVariant &stored, int typeCode);

// A journal value made ready to write back into a column of this kind: a
// date kept as text becomes a date again.
QVariant restoredValue(const QVariant &journalValue, int typeCode);

// A value as the conflict list shows it: NULL for null, dates as
// yyyy-MM-dd HH:mm:ss, and in a column of numbers (typeCode given) the
// number without the zeros a driver may add (9, not 9.0000).
QString shownValue(const QVariant &value, int typeCode = -1);

} // namespace vxr

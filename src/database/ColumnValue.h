#pragma once

#include "DbConnection.h"

#include <QString>
#include <QVariant>

#include <cstring>

namespace vxr {

// The value to bind for a column of the given type code (TypeCodes), from a
// field value of any of the variant kinds:
// - null binds as NULL; empty (never set) binds as empty text into a text
//   column and as NULL anywhere else, so that a text column that is NOT NULL
//   still takes the row while no number or date is made up;
// - a number into a date-time column is a day count after 1899-12-30 (the
//   whole number 1 is 1899-12-31), a fraction the time of day;
// - a number into a boolean column is true unless it is 0, and a boolean into
//   a number column is 1 or 0, so that databases with a strict BOOLEAN type
//   take both;
// - a number into an integer column is rounded; one outside the column's
//   range fails with ValueOutOfRange, text that is no number with
//   ConversionFailed; so does infinity or NaN into any number column (money,
//   floating-point, decimal) and a number beyond a float's range into a
//   single-precision one;
// - anything into a text column is its text form.
// columnName only serves the description of a failure.
QVariant boundValue(const QVariant &value, int typeCode, Dialect dialect, const QString &columnName);

// Whether a value as bound goes to the database as NULL: a null variant, a
// null text or an invalid date and time.
bool isNullBound(const QVariant &value);
// Whether two values as bound are the same to the database: of the same
// kind, and both NULL or equal (numbers to the bit, texts character for
// character, dates and times with their kind of time: UTC, local or an
// offset). Tells the kinds a row
// binds apart without QVariant's general comparison.
bool sameBound(const QVariant &a, const QVariant &b);
// Whether two variants are one and the same: of the same kind and null-ness
// with the same bits, or sharing one text. Never true for values that differ
// (both are alive, so nothing they share can have been reused); false for
// equal values made apart. Costs next to nothing, where comparing values
// asks each whether it is null.
inline bool sameVariant(const QVariant &a, const QVariant &b)
{
    return std::memcmp(static_cast<const void *>(&a), static_cast<const void *>(&b), sizeof(QVariant)) == 0;
}

} // namespace vxr

#pragma once

#include <QVariant>

namespace vxr {

// Field values are variants of a few kinds: empty (an invalid QVariant), null,
// 16-bit and 32-bit integers, doubles, booleans, text and date-times. Empty and
// null are different things: empty is "nothing was ever set", null is the
// database NULL (for example a text that does not read as a date).

inline QVariant emptyValue() { return QVariant(); }
inline QVariant nullValue() { return QVariant::fromValue(nullptr); }
inline QVariant int16Value(qint16 v) { return QVariant::fromValue<qint16>(v); }
inline QVariant int32Value(qint32 v) { return QVariant::fromValue<qint32>(v); }

inline bool isEmptyValue(const QVariant &v) { return !v.isValid(); }
inline bool isNullValue(const QVariant &v)
{
    return v.isValid() && (v.typeId() == QMetaType::Nullptr || v.isNull());
}

// A value read as a boolean: false for empty, null, 0 and texts that read as 0.
bool valueIsTrue(const QVariant &v);

// A value read as a 32-bit integer (empty and null give 0).
qint32 valueToInt32(const QVariant &v);

} // namespace vxr

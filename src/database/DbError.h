#pragma once

#include <QString>

namespace vxr {

// The error numbers lines fail with. The log marks the duplicate numbers.
namespace ErrorNumbers {
constexpr qint32 SubscriptOutOfRange = 9;                 // a line with more than 100 fields
constexpr qint32 NoCurrentRecord = 3021;                  // reading a row from an empty result
constexpr qint32 DuplicateKeyClassic = 3022;
constexpr qint32 DuplicateKey = -2147217873;              // 0x80040E2F
constexpr qint32 ConstraintViolation = -2147217910;       // 0x80040E0A (NOT NULL, foreign key, check)
constexpr qint32 ValueOutOfRange = -2147217833;           // 0x80040E57 (too long, out of range)
constexpr qint32 ConversionFailed = -2147217913;          // 0x80040E07
constexpr qint32 StatementFailed = -2147217900;           // 0x80040E14
constexpr qint32 ConnectionFailed = -2147467259;          // 0x80004005
constexpr qint32 NoUpdateByKey = -1;
} // namespace ErrorNumbers

// A database failure: its error number and the database's own description.
// Thrown below the record writer, which turns it into the line's result.
struct DbError
{
    qint32 number = ErrorNumbers::StatementFailed;
    QString description;
};

} // namespace vxr

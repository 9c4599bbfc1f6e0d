#pragma once

#include <QString>

namespace vxr {

// The error numbers lines fail with. The log marks the duplicate numbers.
namespace ErrorNumbers {
constexpr qint32 SubscriptOutOfRange = 9;                 // a line with more than 100 fields
constexpr qint32 NoCurrentRecord = 3021;                  // reading a row from an empty result
constexpr qint32 EmptyKey = 3315;                         // the key of a line is empty
constexpr qint32 InvalidValue = 3421;                     // a value that is not a number or date (strict values)
constexpr qint32 DuplicateKeyClassic = 3022;
constexpr qint32 DuplicateKey = -2147217873;              // 0x80040E2F
constexpr qint32 ConstraintViolation = -2147217910;       // 0x80040E0A (NOT NULL, foreign key, check)
constexpr qint32 ValueOutOfRange = -2147217833;           // 0x80040E57 (too long, out of range)
constexpr qint32 ConversionFailed = -2147217913;          // 0x80040E07
constexpr qint32 StatementFailed = -2147217900;           // 0x80040E14
constexpr qint32 ConnectionFailed = -2147467259;          // 0x80004005
constexpr qint32 OperationCancelled = -2147217842;        // 0x80040E4E
constexpr qint32 NoUpdateByKey = -1;
constexpr qint32 NoSuchTable = 91;                        // rows for a table that takes none
constexpr qint32 TextCut = 3163;                          // a text longer than its column, when cuts fail
} // namespace ErrorNumbers

// How far a failure reaches: one line (the run goes on with the next), the
// whole run (the store or the connection can take no more: lost connection,
// full disk, a transaction that cannot be ended), or a cancel request that
// interrupted the statement.
enum class FailureScope { Line, Run, Cancel };

// A database failure: its error number and the database's own description.
// Thrown below the record writer, which turns a line's failure into the
// line's result and lets the others through to the run.
struct DbError
{
    DbError() = default;
    DbError(qint32 errorNumber, QString text, FailureScope reach = FailureScope::Line)
        : number(errorNumber), description(std::move(text)), scope(reach)
    {
    }

    qint32 number = ErrorNumbers::StatementFailed;
    QString description;
    FailureScope scope = FailureScope::Line;
    QString detail; // what the log marker names for InvalidValue: the field's caption
    // The caption of the entry whose value failed the line, and the value's
    // text, when one value did.
    QString field;
    QString value;
    // A deadlock victim or a serialization failure: the database rolled the
    // work back for the sake of another transaction, and the same work may
    // succeed when tried again. The scope says what it does to this run when
    // it is not tried again.
    bool transient = false;

    bool endsRun() const { return scope != FailureScope::Line; }
};

} // namespace vxr

#pragma once

#include "DbError.h"
#include "ValueResolver.h"

#include <QString>

namespace vxr {

// What became of a line: staged (its rows wait to be written with others),
// added, updated, or failed with an error number. A failure of the line
// alone comes back as an outcome; a failure that reaches further (the
// connection, the store, a cancel request) is thrown as DbError instead.
struct LineOutcome
{
    enum class Kind { Staged, Added, Updated, Failed } kind = Kind::Staged;
    qint32 errorNumber = 0;
    QString detail;      // what the log marker names for InvalidValue: the field's caption
    QString description; // the database's own words, when it gave any
    QString field;       // the caption of the entry whose value failed the line
    QString value;       // and that value's text
    ValueTally values;   // of the rows written

    bool failed() const { return kind == Kind::Failed; }

    static LineOutcome staged() { return {}; }
    static LineOutcome written(Kind kind, const ValueTally &values)
    {
        LineOutcome outcome;
        outcome.kind = kind;
        outcome.values = values;
        return outcome;
    }
    static LineOutcome failure(qint32 errorNumber, const QString &detail = {}, const QString &description = {})
    {
        LineOutcome outcome;
        outcome.kind = Kind::Failed;
        outcome.errorNumber = errorNumber;
        outcome.detail = detail;
        outcome.description = description;
        return outcome;
    }
    static LineOutcome failure(const DbError &error)
    {
        LineOutcome outcome = failure(error.number, error.detail, error.description);
        outcome.field = error.field;
        outcome.value = error.value;
        return outcome;
    }
};

} // namespace vxr

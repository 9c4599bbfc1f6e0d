#pragma once

#include <QVariant>
#include <QVariantList>

namespace vxr {

// One statement prepared on the run's connection, run again and again with
// new values. Each backend's dialect makes its own kind: through Qt's driver,
// or, where binding through Qt costs more than the statement itself, through
// the database library's own calls. Failures are thrown as DbError.
class PreparedStatement
{
public:
    virtual ~PreparedStatement() = default;

    // Binds values to the placeholders in order and runs the statement.
    virtual void execute(const QVariantList &values) = 0;
    // Moves to the next row of the result; false after the last one. A
    // failure the database reports only while the result is read is thrown.
    virtual bool next() = 0;
    // A column of the current row.
    virtual QVariant value(int column) const = 0;
    // Releases the result, so that it holds no lock and keeps no write from
    // completing.
    virtual void finish() = 0;
    // The ID of the row the statement inserted, where the driver knows it.
    virtual QVariant lastInsertId() const = 0;
};

} // namespace vxr

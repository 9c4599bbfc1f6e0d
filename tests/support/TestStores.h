#pragma once

#include <QString>
#include <QTemporaryDir>

namespace vxr::test {

// A fresh SQLite store made from the schema, in a temporary folder that goes
// away with the object.
class TempSqliteStore
{
public:
    TempSqliteStore();

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }      // why the store could not be made
    QString path() const { return m_path; }
    QString connectionString() const;              // "Provider=SQLite;Data Source=<path>"

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_error;
};

} // namespace vxr::test

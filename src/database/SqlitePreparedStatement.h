#pragma once

#include "PreparedStatement.h"

#include <QSqlDatabase>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace vxr {

class SqlDialect;

// A statement run through the SQLite library itself, on the handle of Qt's
// connection. Binding a value costs a library call here, where Qt's driver
// spends far more on each; the import's inserts bind dozens per row.
class SqlitePreparedStatement final : public PreparedStatement
{
public:
    // The library handle of a connection of Qt's SQLite driver; null for
    // any other connection.
    static sqlite3 *handleOf(const QSqlDatabase &database);

    // Throws DbError when the statement cannot be prepared.
    SqlitePreparedStatement(sqlite3 *database, const QString &sql, const SqlDialect &dialect);
    ~SqlitePreparedStatement() override;
    SqlitePreparedStatement(const SqlitePreparedStatement &) = delete;
    SqlitePreparedStatement &operator=(const SqlitePreparedStatement &) = delete;

    void execute(const QVariantList &values) override;
    bool next() override;
    QVariant value(int column) const override;
    void finish() override;
    QVariant lastInsertId() const override;

private:
    void bind(int index, const QVariant &value);
    bool step();
    [[noreturn]] void fail(int resultCode);

    sqlite3 *m_database;
    sqlite3_stmt *m_statement = nullptr;
    const SqlDialect &m_dialect;
    QVariantList m_bound;     // keeps the bound values alive while the statement reads them
    // The bound texts in UTF-8, the store's own encoding, one after the
    // other: SQLite reads them where they are instead of converting and
    // copying each. Its storage is reused from run to run.
    QByteArray m_utf8;
    qsizetype m_utf8Used = 0;
    bool m_rowPending = false; // the first row was stepped to by execute
    bool m_done = true;        // the statement ran to its end (stepping again would run it again)
};

} // namespace vxr

#pragma once

#include <QSqlDatabase>
#include <QString>

namespace vxr {

class SqlDialect;
class StatementCanceller;

// Runs a statement once, unprepared, on the ODBC connection Qt's driver
// opened for database: a transaction or savepoint statement, which some
// drivers will not prepare. False, with nothing run, when the connection is
// no ODBC one or the program has no ODBC headers. Throws DbError.
bool runOdbcDirect(const QSqlDatabase &database, const QString &sql, const SqlDialect &dialect);

} // namespace vxr

// The statement class only for sources built with the driver manager's headers.
#ifdef VXR_HAVE_ODBC

#include "OdbcParameters.h"
#include "PreparedStatement.h"

#include <vector>

class QSqlDriver;

namespace vxr {

// A statement run through the ODBC driver manager's own calls, on the
// connection Qt's ODBC driver opened (and inside its transaction). The
// statement text and every text value go with their exact lengths, texts as
// UTF-16; failures carry the driver's SQLSTATEs, native numbers and messages.
class OdbcStatement final : public PreparedStatement
{
public:
    // The connection handle (SQLHDBC) of an open connection of Qt's ODBC
    // driver; null for any other connection.
    static void *handleOf(const QSqlDatabase &database);

    // Prepared once and run again and again, or run as it is each time.
    enum class Mode { Prepared, Direct };

    // Throws DbError when the statement cannot be prepared. The driver is
    // the connection's, asked for a last insert id only.
    OdbcStatement(void *connection, const QSqlDriver *driver, const QString &sql, const SqlDialect &dialect,
                  StatementCanceller *canceller, Mode mode = Mode::Prepared);
    ~OdbcStatement() override;
    OdbcStatement(const OdbcStatement &) = delete;
    OdbcStatement &operator=(const OdbcStatement &) = delete;

    void execute(const QVariantList &values) override;
    bool next() override;
    QVariant value(int column) const override { return m_row.value(column); }
    void finish() override;
    QVariant lastInsertId() const override;

private:
    struct Column
    {
        SQLSMALLINT sqlType = 0;
        QMetaType::Type kind = QMetaType::QString;
    };

    SQLRETURN toFirstResult();
    void describeColumns(SQLSMALLINT count);
    void readRow();
    QVariant readColumn(SQLUSMALLINT position, const Column &column);
    QVariant readText(SQLUSMALLINT position, QMetaType::Type kind);
    [[noreturn]] void fail(SQLSMALLINT handleType, SQLHANDLE handle);

    SQLHSTMT m_handle = SQL_NULL_HSTMT;
    QString m_direct;               // the text a direct statement runs; empty when prepared
    const QSqlDriver *m_driver;
    const SqlDialect &m_dialect;
    StatementCanceller *m_canceller;
    OdbcParameters m_parameters;
    std::vector<Column> m_columns;  // of the current result
    std::vector<SQLWCHAR> m_text;   // where texts are read into, a piece at a time
    QVariantList m_row;             // the current row
    bool m_resultOpen = false;      // rows may be left to fetch
};

} // namespace vxr

#endif // VXR_HAVE_ODBC

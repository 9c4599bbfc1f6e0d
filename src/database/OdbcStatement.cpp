#include "OdbcStatement.h"

#ifdef VXR_HAVE_ODBC

#include "SqlDialect.h"
#include "StatementCanceller.h"

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlResult>

namespace vxr {

namespace {

// What a column of this SQL type is read as: the kinds Qt's ODBC driver
// gives, so that callers compare stored values the same way either path.
QMetaType::Type kindOf(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_BIT: return QMetaType::Bool;
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER: return QMetaType::Int;
    case SQL_BIGINT: return QMetaType::LongLong;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL: return QMetaType::Double;
    case SQL_TYPE_DATE:
    case SQL_DATE: return QMetaType::QDate;
    case SQL_TYPE_TIME:
    case SQL_TIME: return QMetaType::QTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP: return QMetaType::QDateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return QMetaType::QByteArray;
    default: return QMetaType::QString;
    }
}

QVariant nullOf(QMetaType::Type kind)
{
    return QVariant(QMetaType(kind));
}

// The units of a piece SQLGetData wrote into a buffer of capacity bytes
// (less its closing NUL when the piece filled the buffer).
SQLLEN pieceBytes(SQLRETURN r, SQLLEN indicator, SQLLEN capacity, SQLLEN terminator)
{
    if (r == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator > capacity - terminator))
        return capacity - terminator;
    return indicator;
}

} // namespace

void *OdbcStatement::handleOf(const QSqlDatabase &database)
{
    const QSqlDriver *driver = database.driver();
    if (!driver || !database.isOpen() || !QByteArray(driver->metaObject()->className()).contains("ODBC"))
        return nullptr;
    const QVariant handle = driver->handle();
    const char *typeName = handle.typeName();
    if (!handle.isValid() || !typeName || (qstrcmp(typeName, "void*") != 0 && qstrcmp(typeName, "SQLHANDLE") != 0))
        return nullptr;
    return *static_cast<void *const *>(handle.constData());
}

OdbcStatement::OdbcStatement(void *connection, const QSqlDriver *driver, const QString &sql,
                             const SqlDialect &dialect, StatementCanceller *canceller, Mode mode)
    : m_driver(driver), m_dialect(dialect), m_canceller(canceller), m_text(1024)
{
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, connection, &m_handle))) {
        m_handle = SQL_NULL_HSTMT;
        fail(SQL_HANDLE_DBC, connection);
    }
    if (mode == Mode::Direct) {
        m_direct = sql;
        return;
    }
    QString text = sql;
    // The length given, so nothing past the text (its closing NUL) is read.
    if (!SQL_SUCCEEDED(SQLPrepareW(m_handle, reinterpret_cast<SQLWCHAR *>(text.data()), SQLINTEGER(text.size())))) {
        const SQLHSTMT handle = m_handle;
        try {
            fail(SQL_HANDLE_STMT, handle);
        } catch (...) {
            SQLFreeHandle(SQL_HANDLE_STMT, handle);
            m_handle = SQL_NULL_HSTMT;
            throw;
        }
    }
}

OdbcStatement::~OdbcStatement()
{
    if (m_handle != SQL_NULL_HSTMT)
        SQLFreeHandle(SQL_HANDLE_STMT, m_handle);
}

// The failure the handle's diagnostics tell, as the dialect classifies it; the
// result is released first, so the connection is free for what comes next.
void OdbcStatement::fail(SQLSMALLINT handleType, SQLHANDLE handle)
{
    const OdbcDiagnostics diagnostics = odbcDiagnostics(handleType, handle);
    if (m_handle != SQL_NULL_HSTMT)
        SQLFreeStmt(m_handle, SQL_CLOSE);
    m_resultOpen = false;
    m_row.clear();
    QString message;
    for (const QString &piece : diagnostics.messages) {
        if (message.endsWith(piece))
            continue;
        if (!message.isEmpty())
            message += u' ';
        message += piece;
    }
    const QString native = diagnostics.nativeErrors.isEmpty()
            ? QString()
            : QString::number(diagnostics.nativeErrors.constLast());
    throw m_dialect.errorFrom(QSqlError(QStringLiteral("Unable to execute statement"), message,
                                        QSqlError::StatementError, native),
                              diagnostics);
}

void OdbcStatement::execute(const QVariantList &values)
{
    // The last result, if still open, is closed: a statement runs again only
    // on a closed cursor.
    SQLFreeStmt(m_handle, SQL_CLOSE);
    m_resultOpen = false;
    m_row.clear();
    if (!SQL_SUCCEEDED(m_parameters.bind(m_handle, values)))
        fail(SQL_HANDLE_STMT, m_handle);
    SQLRETURN r = SQL_SUCCESS;
    {
        const RunningStatement running(m_canceller, m_handle);
        // The length given, so nothing past the text (its closing NUL) is read.
        r = m_direct.isEmpty() ? SQLExecute(m_handle)
                               : SQLExecDirectW(m_handle, reinterpret_cast<SQLWCHAR *>(m_direct.data()),
                                                SQLINTEGER(m_direct.size()));
        // SQL_NO_DATA: an UPDATE or DELETE that touched no row.
        if (SQL_SUCCEEDED(r) || r == SQL_NO_DATA)
            r = toFirstResult();
    }
    if (!SQL_SUCCEEDED(r))
        fail(SQL_HANDLE_STMT, m_handle);
}

// Moves past the row counts of a batch (a trigger's, or a statement's before
// its SELECT) to the first result with columns, where the rows are; a
// failure of a later statement of the batch shows here.
SQLRETURN OdbcStatement::toFirstResult()
{
    for (;;) {
        SQLSMALLINT count = 0;
        SQLRETURN r = SQLNumResultCols(m_handle, &count);
        if (!SQL_SUCCEEDED(r))
            return r;
        if (count > 0) {
            describeColumns(count);
            m_resultOpen = true;
            return SQL_SUCCESS;
        }
        r = SQLMoreResults(m_handle);
        if (r == SQL_NO_DATA)
            return SQL_SUCCESS;
        if (!SQL_SUCCEEDED(r))
            return r;
    }
}

void OdbcStatement::describeColumns(SQLSMALLINT count)
{
    m_columns.resize(size_t(count));
    for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(count); ++i) {
        SQLLEN sqlType = SQL_UNKNOWN_TYPE;
        if (!SQL_SUCCEEDED(SQLColAttributeW(m_handle, i, SQL_DESC_CONCISE_TYPE, nullptr, 0, nullptr, &sqlType)))
            sqlType = SQL_UNKNOWN_TYPE;
        m_columns[i - 1] = {SQLSMALLINT(sqlType), kindOf(SQLSMALLINT(sqlType))};
    }
}

bool OdbcStatement::next()
{
    if (!m_resultOpen)
        return false;
    SQLRETURN r = SQLFetch(m_handle);
    if (r == SQL_NO_DATA) {
        // The end of the rows; a statement of the batch after them may still
        // have failed.
        m_resultOpen = false;
        m_row.clear();
        r = SQLMoreResults(m_handle);
        if (r != SQL_ERROR)
            return false;
    }
    if (!SQL_SUCCEEDED(r))
        fail(SQL_HANDLE_STMT, m_handle);
    readRow();
    return true;
}

void OdbcStatement::readRow()
{
    m_row.clear();
    m_row.reserve(qsizetype(m_columns.size()));
    for (size_t i = 0; i < m_columns.size(); ++i)
        m_row.append(readColumn(SQLUSMALLINT(i + 1), m_columns[i]));
}

QVariant OdbcStatement::readColumn(SQLUSMALLINT position, const Column &column)
{
    SQLLEN indicator = 0;
    const auto read = [&](SQLSMALLINT cType, void *data) {
        if (!SQL_SUCCEEDED(SQLGetData(m_handle, position, cType, data, 0, &indicator)))
            fail(SQL_HANDLE_STMT, m_handle);
        return indicator != SQL_NULL_DATA;
    };
    switch (column.kind) {
    case QMetaType::Bool: {
        SQLCHAR bit = 0;
        return read(SQL_C_BIT, &bit) ? QVariant(bit != 0) : nullOf(column.kind);
    }
    case QMetaType::Int: {
        SQLINTEGER number = 0;
        return read(SQL_C_SLONG, &number) ? QVariant(int(number)) : nullOf(column.kind);
    }
    case QMetaType::LongLong: {
        SQLBIGINT number = 0;
        return read(SQL_C_SBIGINT, &number) ? QVariant::fromValue<qlonglong>(number) : nullOf(column.kind);
    }
    case QMetaType::Double: {
        SQLDOUBLE number = 0;
        return read(SQL_C_DOUBLE, &number) ? QVariant(double(number)) : nullOf(column.kind);
    }
    case QMetaType::QDate: {
        SQL_DATE_STRUCT d = {};
        return read(SQL_C_TYPE_DATE, &d) ? QVariant(QDate(d.year, d.month, d.day)) : nullOf(column.kind);
    }
    case QMetaType::QTime: {
        SQL_TIME_STRUCT t = {};
        return read(SQL_C_TYPE_TIME, &t) ? QVariant(QTime(t.hour, t.minute, t.second)) : nullOf(column.kind);
    }
    case QMetaType::QDateTime: {
        SQL_TIMESTAMP_STRUCT t = {};
        if (!read(SQL_C_TYPE_TIMESTAMP, &t))
            return nullOf(column.kind);
        return QDateTime(QDate(t.year, t.month, t.day),
                         QTime(t.hour, t.minute, t.second, int(t.fraction / 1000000)));
    }
    default:
        return readText(position, column.kind);
    }
}

// A text or binary value, read a piece at a time into the text buffer.
QVariant OdbcStatement::readText(SQLUSMALLINT position, QMetaType::Type kind)
{
    const bool binary = kind == QMetaType::QByteArray;
    const SQLLEN capacity = SQLLEN(m_text.size() * sizeof(SQLWCHAR));
    const SQLLEN terminator = binary ? 0 : SQLLEN(sizeof(SQLWCHAR));
    QByteArray bytes;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN r = SQLGetData(m_handle, position, binary ? SQL_C_BINARY : SQL_C_WCHAR, m_text.data(),
                                       capacity, &indicator);
        if (r == SQL_NO_DATA)
            break;
        if (!SQL_SUCCEEDED(r))
            fail(SQL_HANDLE_STMT, m_handle);
        if (indicator == SQL_NULL_DATA)
            return nullOf(kind);
        bytes.append(reinterpret_cast<const char *>(m_text.data()), pieceBytes(r, indicator, capacity, terminator));
        if (r == SQL_SUCCESS)
            break;
    }
    if (binary)
        return bytes;
    if (bytes.isEmpty())
        return QString(QLatin1String("")); // empty, not null
    return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / qsizetype(sizeof(QChar)));
}

void OdbcStatement::finish()
{
    SQLFreeStmt(m_handle, SQL_CLOSE);
    m_resultOpen = false;
    m_row.clear();
}

QVariant OdbcStatement::lastInsertId() const
{
    // Only a source that reports new IDs no other way asks: Qt's driver knows
    // which query tells each database's last ID, run on the same connection.
    if (!m_driver)
        return {};
    QSqlQuery query(m_driver->createResult());
    return query.lastInsertId();
}

bool runOdbcDirect(const QSqlDatabase &database, const QString &sql, const SqlDialect &dialect)
{
    void *connection = OdbcStatement::handleOf(database);
    if (!connection)
        return false;
    // Not cancelled: a transaction statement is never left half done.
    OdbcStatement statement(connection, nullptr, sql, dialect, nullptr, OdbcStatement::Mode::Direct);
    statement.execute({});
    statement.finish();
    return true;
}

} // namespace vxr

#else // VXR_HAVE_ODBC

namespace vxr {

bool runOdbcDirect(const QSqlDatabase &, const QString &, const SqlDialect &)
{
    return false;
}

} // namespace vxr

#endif // VXR_HAVE_ODBC

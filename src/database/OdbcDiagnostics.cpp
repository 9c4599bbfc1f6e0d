#include "OdbcDiagnostics.h"

#include <QSqlDriver>
#include <QSqlResult>
#include <QVariant>

#ifdef VXR_HAVE_ODBC
#include "OdbcApi.h"

#include <vector>
#endif

namespace vxr {

#ifdef VXR_HAVE_ODBC
namespace {

QString textOf(const SQLWCHAR *text, qsizetype length)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(text), length);
}

// The length of a text the driver wrote, NUL-terminated, into a buffer of
// capacity units: a driver that reports more than it could write is held to
// what it wrote.
qsizetype writtenLength(const SQLWCHAR *text, SQLSMALLINT reported, qsizetype capacity)
{
    if (reported >= 0 && reported < capacity)
        return reported;
    qsizetype length = 0;
    while (length < capacity - 1 && text[length] != 0)
        ++length;
    return length;
}

// SQLDriversW and SQLDataSourcesW: the driver manager's names, one a call.
using DriverManagerListing = SQLRETURN(SQL_API *)(SQLHENV, SQLUSMALLINT, SQLWCHAR *, SQLSMALLINT, SQLSMALLINT *,
                                                  SQLWCHAR *, SQLSMALLINT, SQLSMALLINT *);

// Every name a listing gives, first to last, through an environment of its
// own; empty when the driver manager gives none.
QStringList driverManagerList(DriverManagerListing next)
{
    QStringList names;
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        return names;
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLWCHAR name[256];
    SQLWCHAR details[1024];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT detailsLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(next(environment, direction, name, SQLSMALLINT(std::size(name)), &nameLength, details,
                              SQLSMALLINT(std::size(details)), &detailsLength))) {
        names << textOf(name, writtenLength(name, nameLength, qsizetype(std::size(name))));
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    return names;
}

} // namespace
#endif

OdbcDiagnostics odbcDiagnostics(short handleType, void *handle)
{
    OdbcDiagnostics diagnostics;
#ifdef VXR_HAVE_ODBC
    if (!handle)
        return diagnostics;
    std::vector<SQLWCHAR> message(1024);
    for (SQLSMALLINT record = 1; record < 20; ++record) {
        SQLWCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN r = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                     SQLSMALLINT(message.size()), &length);
        if (r == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(message.size())) {
            // The message was cut: once more with room for all of it.
            message.resize(size_t(length) + 1);
            r = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                               SQLSMALLINT(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(r))
            break;
        diagnostics.sqlStates << textOf(state, writtenLength(state, SQL_SQLSTATE_SIZE, SQL_SQLSTATE_SIZE + 1));
        diagnostics.nativeErrors << int(native);
        diagnostics.messages << textOf(message.data(), writtenLength(message.data(), length,
                                                                     qsizetype(message.size())));
    }
#else
    Q_UNUSED(handleType);
    Q_UNUSED(handle);
#endif
    return diagnostics;
}

OdbcDiagnostics odbcDiagnostics(const QSqlQuery &query)
{
#ifdef VXR_HAVE_ODBC
    const QSqlResult *result = query.result();
    if (!result || !query.driver())
        return {};
    // Only Qt's ODBC driver hands out an ODBC statement handle (as a void*).
    const QVariant handle = result->handle();
    const char *typeName = handle.typeName();
    if (!handle.isValid() || !typeName
        || (qstrcmp(typeName, "void*") != 0 && qstrcmp(typeName, "SQLHANDLE") != 0))
        return {};
    const QString driverName = QString::fromLatin1(query.driver()->metaObject()->className());
    if (!driverName.contains(QLatin1String("ODBC"), Qt::CaseInsensitive))
        return {};
    return odbcDiagnostics(SQL_HANDLE_STMT, *static_cast<void *const *>(handle.constData()));
#else
    Q_UNUSED(query);
    return {};
#endif
}

QStringList odbcDriverManagerDrivers()
{
#ifdef VXR_HAVE_ODBC
    return driverManagerList(SQLDriversW);
#else
    return {};
#endif
}

QStringList odbcDriverManagerDataSources()
{
#ifdef VXR_HAVE_ODBC
    // A name defined both for the user and for the system is listed once.
    QStringList sources = driverManagerList(SQLDataSourcesW);
    sources.removeDuplicates();
    return sources;
#else
    return {};
#endif
}

} // namespace vxr

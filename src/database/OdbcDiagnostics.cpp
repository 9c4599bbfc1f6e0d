#include "OdbcDiagnostics.h"

#include <QSqlDriver>
#include <QSqlResult>
#include <QVariant>

#ifdef VXR_HAVE_ODBC
// The ANSI calls, whatever UNICODE says: the buffers below hold bytes.
#define SQL_NOUNICODEMAP
#include <sql.h>
#include <sqlext.h>
#endif

namespace vxr {

#ifdef VXR_HAVE_ODBC
namespace {

// SQLDrivers and SQLDataSources: the driver manager's names, one a call.
using DriverManagerListing = SQLRETURN(SQL_API *)(SQLHENV, SQLUSMALLINT, SQLCHAR *, SQLSMALLINT, SQLSMALLINT *,
                                                  SQLCHAR *, SQLSMALLINT, SQLSMALLINT *);

// Every name a listing gives, first to last, through an environment of its
// own; empty when the driver manager gives none.
QStringList driverManagerList(DriverManagerListing next)
{
    QStringList names;
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        return names;
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLCHAR name[256];
    SQLCHAR details[1024];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT detailsLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(next(environment, direction, name, sizeof name, &nameLength, details, sizeof details,
                              &detailsLength))) {
        names << QString::fromLocal8Bit(reinterpret_cast<const char *>(name));
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
    return names;
}

} // namespace
#endif

OdbcDiagnostics odbcDiagnostics(const QSqlQuery &query)
{
    OdbcDiagnostics diagnostics;
#ifdef VXR_HAVE_ODBC
    const QSqlResult *result = query.result();
    if (!result || !query.driver())
        return diagnostics;
    // Only Qt's ODBC driver hands out an ODBC statement handle (as a void*).
    const QVariant handle = result->handle();
    const char *typeName = handle.typeName();
    if (!handle.isValid() || !typeName
        || (qstrcmp(typeName, "void*") != 0 && qstrcmp(typeName, "SQLHANDLE") != 0))
        return diagnostics;
    const QString driverName = QString::fromLatin1(query.driver()->metaObject()->className());
    if (!driverName.contains(QLatin1String("ODBC"), Qt::CaseInsensitive))
        return diagnostics;
    SQLHANDLE statement = *static_cast<const SQLHANDLE *>(handle.constData());
    if (!statement)
        return diagnostics;
    for (SQLSMALLINT record = 1; record < 20; ++record) {
        SQLCHAR state[SQL_SQLSTATE_SIZE + 1] = {};
        SQLINTEGER native = 0;
        SQLCHAR message[8] = {};
        SQLSMALLINT length = 0;
        const SQLRETURN r = SQLGetDiagRec(SQL_HANDLE_STMT, statement, record, state, &native, message,
                                          sizeof message, &length);
        if (r != SQL_SUCCESS && r != SQL_SUCCESS_WITH_INFO)
            break;
        diagnostics.sqlStates << QString::fromLatin1(reinterpret_cast<const char *>(state));
        diagnostics.nativeErrors << static_cast<int>(native);
    }
#else
    Q_UNUSED(query);
#endif
    return diagnostics;
}

QStringList odbcDriverManagerDrivers()
{
#ifdef VXR_HAVE_ODBC
    return driverManagerList(SQLDrivers);
#else
    return {};
#endif
}

QStringList odbcDriverManagerDataSources()
{
#ifdef VXR_HAVE_ODBC
    // A name defined both for the user and for the system is listed once.
    QStringList sources = driverManagerList(SQLDataSources);
    sources.removeDuplicates();
    return sources;
#else
    return {};
#endif
}

} // namespace vxr

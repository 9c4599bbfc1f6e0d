#include "OdbcDiagnostics.h"

#include <QSqlDriver>
#include <QSqlResult>
#include <QVariant>

#ifdef VXR_HAVE_ODBC
#include <sql.h>
#include <sqlext.h>
#endif

namespace vxr {

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
    QStringList drivers;
#ifdef VXR_HAVE_ODBC
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        return drivers;
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLCHAR name[256];
    SQLCHAR attributes[1024];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT attributesLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDrivers(environment, direction, name, sizeof name, &nameLength, attributes,
                                    sizeof attributes, &attributesLength))) {
        drivers << QString::fromLocal8Bit(reinterpret_cast<const char *>(name));
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
#endif
    return drivers;
}

QStringList odbcDriverManagerDataSources()
{
    QStringList sources;
#ifdef VXR_HAVE_ODBC
    SQLHENV environment = SQL_NULL_HENV;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment)))
        return sources;
    SQLSetEnvAttr(environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLCHAR name[SQL_MAX_DSN_LENGTH + 1];
    SQLCHAR description[256];
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDataSources(environment, direction, name, sizeof name, &nameLength, description,
                                        sizeof description, &descriptionLength))) {
        const QString source = QString::fromLocal8Bit(reinterpret_cast<const char *>(name));
        if (!sources.contains(source))
            sources << source;
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeHandle(SQL_HANDLE_ENV, environment);
#endif
    return sources;
}

} // namespace vxr

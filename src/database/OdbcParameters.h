#pragma once

// Only for sources built with the driver manager's headers.
#ifdef VXR_HAVE_ODBC

#include "OdbcApi.h"

#include <QVariantList>

#include <vector>

namespace vxr {

// The values of one execution bound to a statement's placeholders, each with
// the C and SQL types that fit it: texts as UTF-16 with their exact length
// (never a closing NUL) and SQL_WVARCHAR up to MaxVarcharSize characters,
// numbers, dates and bits in their own types. Holds every buffer the driver
// reads until the next binding.
class OdbcParameters
{
public:
    // Characters a text may have and still go as SQL_WVARCHAR (nvarchar(4000)
    // on SQL Server); a longer one goes as SQL_WLONGVARCHAR.
    static constexpr SQLULEN MaxVarcharSize = 4000;

    // The driver's answer to the first binding it refused; SQL_SUCCESS when
    // every value is bound.
    SQLRETURN bind(SQLHSTMT statement, const QVariantList &values);

private:
    struct Slot
    {
        SQLLEN indicator = 0;
        union {
            SQLBIGINT integer;
            SQLINTEGER smallInteger;
            SQLDOUBLE real;
            SQLCHAR bit;
            SQL_TIMESTAMP_STRUCT timestamp;
            SQL_DATE_STRUCT date;
            SQL_TIME_STRUCT time;
        } data = {};
    };

    SQLRETURN bindOne(SQLHSTMT statement, SQLUSMALLINT position, const QVariant &value, Slot &slot);
    SQLRETURN bindText(SQLHSTMT statement, SQLUSMALLINT position, const QString &text, bool isNull, Slot &slot);

    QVariantList m_values;        // the values bound, kept alive: texts are read from them in place
    QStringList m_converted;      // texts made from values of other kinds
    std::vector<Slot> m_slots;    // lengths and fixed-size values, one a placeholder
};

} // namespace vxr

#endif // VXR_HAVE_ODBC

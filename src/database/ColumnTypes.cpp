#include "ColumnTypes.h"

#include "ColumnKinds.h"
#include "SqlDialect.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace vxr {

namespace {

// The size ADO reports for a long text: the largest a column may hold.
constexpr int LongTextDefinedSize = 1073741823;

ColumnType sized(int code, int size)
{
    ColumnType type;
    type.typeCode = code;
    type.definedSize = size;
    return type;
}

ColumnType textType(qint64 maxLength)
{
    if (maxLength <= 0 || maxLength > LongTextDefinedSize)
        return sized(TypeCodes::LongVarWChar, LongTextDefinedSize);
    return sized(TypeCodes::VarWChar, static_cast<int>(maxLength));
}

// The kinds that are not text, by the words both SQLite's declared types and
// information_schema use.
ColumnType nonTextType(const QString &base)
{
    const auto is = [&base](std::initializer_list<const char *> names) {
        for (const char *name : names)
            if (base == QLatin1String(name))
                return true;
        return false;
    };
    if (is({"bit", "bool", "boolean"}))
        return sized(TypeCodes::Boolean, 2);
    if (is({"tinyint"}))
        return sized(TypeCodes::UnsignedTinyInt, 1);
    if (is({"smallint", "int2"}))
        return sized(TypeCodes::SmallInt, 2);
    if (is({"int", "integer", "int4", "mediumint", "serial"}))
        return sized(TypeCodes::Integer, 4);
    if (is({"bigint", "int8", "bigserial"}))
        return sized(TypeCodes::BigInt, 8);
    if (is({"money", "smallmoney"}))
        return sized(TypeCodes::Currency, 8);
    if (is({"numeric", "decimal"}))
        return sized(TypeCodes::Numeric, 19);
    if (is({"float", "double", "double precision", "float8"}))
        return sized(TypeCodes::Double, 8);
    if (is({"real", "float4"}))
        return sized(TypeCodes::Single, 4);
    if (is({"datetime", "datetime2", "smalldatetime", "timestamp", "timestamp without time zone",
            "timestamp with time zone", "timestamptz", "datetimeoffset"}))
        return sized(TypeCodes::DBTimeStamp, 16);
    if (is({"date"}))
        return sized(TypeCodes::DBDate, 6);
    if (is({"time", "time without time zone", "time with time zone"}))
        return sized(TypeCodes::DBTime, 6);
    return sized(TypeCodes::Variant, 16);
}

bool isTextWord(const QString &base)
{
    static const QRegularExpression text(QStringLiteral("char|text|clob|string|character"));
    return text.match(base).hasMatch();
}

} // namespace

ColumnType classifyDeclaredType(const QString &declaredType)
{
    // "NVARCHAR(30)" -> base "nvarchar", size 30; "NUMERIC(19,4)" -> "numeric".
    static const QRegularExpression form(QStringLiteral("^\\s*([A-Za-z_ ]*?)\\s*(?:\\(\\s*(\\w+)\\s*(?:,[^)]*)?\\))?\\s*$"));
    const QRegularExpressionMatch m = form.match(declaredType);
    const QString base = (m.hasMatch() ? m.captured(1) : declaredType).trimmed().toLower().simplified();
    if (base.isEmpty())
        return sized(TypeCodes::Variant, 16); // no declared type: any value
    if (isTextWord(base)) {
        const QString size = m.hasMatch() ? m.captured(2) : QString();
        bool ok = false;
        const qint64 length = size.toLongLong(&ok);
        return textType(ok ? length : -1);
    }
    if (base.contains(QLatin1String("blob")))
        return sized(TypeCodes::Variant, 16);
    ColumnType type = nonTextType(base);
    if (type.typeCode == TypeCodes::Variant && base.contains(QLatin1String("int")))
        type = sized(TypeCodes::Integer, 4); // SQLite's rule: any type naming INT is an integer
    return type;
}

ColumnType classifyInformationSchemaType(const QString &dataType, qint64 maxLength)
{
    const QString base = dataType.trimmed().toLower();
    if (base == QLatin1String("text") || base == QLatin1String("ntext") || base == QLatin1String("xml"))
        return sized(TypeCodes::LongVarWChar, LongTextDefinedSize);
    if (isTextWord(base))
        return textType(maxLength);
    if (base == QLatin1String("sql_variant"))
        return sized(TypeCodes::Variant, 16);
    if (base == QLatin1String("datetime"))
        return sized(TypeCodes::DBTimeStamp, 8);
    if (base == QLatin1String("smalldatetime"))
        return sized(TypeCodes::DBTimeStamp, 4);
    return nonTextType(base);
}

std::optional<DateRange> dateRange(int typeCode, int definedSize)
{
    if (typeCode != TypeCodes::DBTimeStamp)
        return std::nullopt;
    if (definedSize == 8)
        return DateRange{QDateTime(QDate(1753, 1, 1), QTime(0, 0)), QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 997))};
    if (definedSize == 4) // a time from 23:59:30 on rounds up to the next day
        return DateRange{QDateTime(QDate(1900, 1, 1), QTime(0, 0)), QDateTime(QDate(2079, 6, 6), QTime(23, 59, 29, 998))};
    return std::nullopt;
}

const ColumnType *findColumnType(const QList<ColumnType> &columns, const QString &name)
{
    for (const ColumnType &column : columns)
        if (column.name.compare(name, Qt::CaseInsensitive) == 0)
            return &column;
    return nullptr;
}

QList<ColumnType> readColumnTypes(const QSqlDatabase &database, Dialect dialect, const QString &table)
{
    return sqlDialect(dialect).readColumnTypes(database, table);
}

} // namespace vxr

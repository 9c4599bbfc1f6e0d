#include "QueryHelpers.h"

#include "SqlStatements.h"

#include "catalogue/VariantKinds.h"

#include <QSqlQuery>

#include <limits>

namespace vxr {

namespace {

bool isTextValue(const QVariant &v)
{
    return v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray;
}

// A key value as the query binds it: texts as they are, anything else in its
// ordinary text form.
QVariant keyParameter(const QVariant &value)
{
    if (isNullValue(value))
        return QVariant(QMetaType(QMetaType::QString));
    return boundText(value.toString());
}

} // namespace

bool storedValueEquals(const QVariant &stored, const QVariant &value)
{
    if (isNullValue(stored) || isNullValue(value))
        return false;
    if (isEmptyValue(stored))
        return isEmptyValue(value) || (isTextValue(value) && value.toString().isEmpty());
    if (isEmptyValue(value))
        return isTextValue(stored) && stored.toString().isEmpty();
    if (isTextValue(value) || isTextValue(stored)) {
        if (isTextValue(value) && isTextValue(stored))
            return stored.toString() == value.toString();
        // A number against a text: equal when the text reads as that number.
        bool ok = false;
        const double asNumber = (isTextValue(stored) ? stored : value).toString().toDouble(&ok);
        return ok && asNumber == (isTextValue(stored) ? value : stored).toDouble();
    }
    if (stored.typeId() == QMetaType::QDateTime || value.typeId() == QMetaType::QDateTime)
        return stored.toDateTime() == value.toDateTime();
    return stored.toDouble() == value.toDouble();
}

// The first row of a key that several rows hold: the oldest (see the
// look-ups in ReferenceLookups.cpp).
QString recordExistsSql(const QString &tableName, const QString &columnName)
{
    return QStringLiteral("SELECT %1 FROM %2 WHERE %1 = ? ORDER BY ID").arg(columnName, tableName);
}

QString recordIdSql(const QString &tableName, const QString &columnName)
{
    if (tableName == QLatin1String("AccountReceivable"))
        return QStringLiteral("SELECT ID FROM %1 ORDER BY ID DESC").arg(tableName);
    return QStringLiteral("SELECT ID FROM %1 WHERE %2 = ? ORDER BY ID").arg(tableName, columnName);
}

bool recordExists(SqlStatements &sql, const QString &tableName, const QString &columnName,
                  const QVariant &value)
{
    PreparedStatement &query = sql.run(recordExistsSql(tableName, columnName), {keyParameter(value)});
    const ResultRelease release(query);
    // Only the first row the database selects is compared.
    return query.next() && storedValueEquals(query.value(0), value);
}

qint32 recordId(SqlStatements &sql, const QString &tableName, const QString &columnName,
                   const QString &value)
{
    PreparedStatement *query = nullptr;
    if (tableName == QLatin1String("AccountReceivable"))
        query = &sql.run(recordIdSql(tableName, columnName), {});
    else
        query = &sql.run(recordIdSql(tableName, columnName), {boundText(value)});
    const ResultRelease release(*query);
    if (!query->next())
        throw noCurrentRecord();
    bool ok = false;
    const qlonglong id = query->value(0).toLongLong(&ok);
    if (!ok || id < std::numeric_limits<qint32>::min() || id > std::numeric_limits<qint32>::max())
        throw DbError{ErrorNumbers::ValueOutOfRange,
                      QStringLiteral("The ID %1 of table %2 does not fit a 32-bit integer.")
                              .arg(query->value(0).toString(), tableName)};
    return static_cast<qint32>(id);
}

int placesFor(qsizetype count, int most)
{
    int places = 1;
    while (places < count && places < most)
        places *= 2;
    return qMin(places, most);
}

} // namespace vxr

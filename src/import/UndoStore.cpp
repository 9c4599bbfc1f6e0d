#include "UndoStore.h"

#include "database/ColumnValue.h"
#include "database/SqlDialect.h"

#include "catalogue/TableCatalogue.h"

#include <QSqlDriver>

namespace vxr {

namespace {

[[noreturn]] void unknown(const QString &what)
{
    throw DbError{ErrorNumbers::StatementFailed, what, FailureScope::Run};
}

} // namespace

QString UndoStore::tableName(const QString &table)
{
    for (const QString &known : importTableNames()) {
        if (known.compare(table, Qt::CaseInsensitive) == 0)
            return known;
    }
    unknown(QStringLiteral("The journal names the table %1, which the program does not write.").arg(table));
}

const QList<ColumnType> &UndoStore::columns(const QString &table)
{
    const QString known = tableName(table);
    auto found = m_columns.constFind(known.toLower());
    if (found == m_columns.constEnd())
        found = m_columns.insert(known.toLower(),
                                 readColumnTypes(m_statements.database(), m_statements.dialect(), known));
    return *found;
}

const ColumnType &UndoStore::column(const QString &table, const QString &column)
{
    const ColumnType *found = findColumnType(columns(table), column);
    if (!found)
        unknown(QStringLiteral("The table %1 has no column %2.").arg(table, column));
    return *found;
}

QString UndoStore::name(const QString &table, const QString &columnName)
{
    return m_statements.database().driver()->escapeIdentifier(column(table, columnName).name,
                                                              QSqlDriver::FieldName);
}

int UndoStore::idsPerStatement() const
{
    // Room for what a driver binds beside the values.
    return qBound(1, m_statements.sqlDialect().maxParameters() - 10, 500);
}

QList<QVariantList> UndoStore::rowsWhereIn(const QString &table, const QStringList &selected, const QString &column,
                                           const QList<qint64> &values)
{
    QStringList names;
    for (const QString &c : selected)
        names.append(name(table, c));
    const QString where = name(table, column);
    const QString from = tableName(table);
    QList<QVariantList> rows;
    const int perStatement = idsPerStatement();
    for (qsizetype first = 0; first < values.size(); first += perStatement) {
        const QList<qint64> part = values.mid(first, perStatement);
        QVariantList bound;
        for (const qint64 value : part)
            bound.append(value);
        const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 IN %4")
                                    .arg(names.join(QStringLiteral(", ")), from, where,
                                         placeholderRow(int(part.size())));
        PreparedStatement &query = m_statements.run(sql, bound);
        const ResultRelease release(query);
        while (query.next()) {
            QVariantList row;
            for (int c = 0; c < names.size(); ++c)
                row.append(query.value(c));
            rows.append(row);
        }
    }
    return rows;
}

void UndoStore::deleteRows(const QString &table, const QList<qint64> &ids)
{
    const QString id = name(table, QStringLiteral("ID"));
    const QString from = tableName(table);
    const int perStatement = idsPerStatement();
    for (qsizetype first = 0; first < ids.size(); first += perStatement) {
        const QList<qint64> part = ids.mid(first, perStatement);
        QVariantList bound;
        for (const qint64 value : part)
            bound.append(value);
        m_statements.run(QStringLiteral("DELETE FROM %1 WHERE %2 IN %3").arg(from, id, placeholderRow(int(part.size()))),
                         bound).finish();
    }
}

void UndoStore::updateRow(const QString &table, qint64 id, const QList<std::pair<QString, QVariant>> &values)
{
    QStringList assignments;
    QVariantList bound;
    for (const auto &[columnName, value] : values) {
        const ColumnType &type = column(table, columnName);
        assignments.append(name(table, columnName) + QStringLiteral(" = ?"));
        bound.append(boundValue(value, type.typeCode, m_statements.dialect(), type.name));
    }
    bound.append(id);
    m_statements.run(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                             .arg(tableName(table), assignments.join(QStringLiteral(", ")),
                                  name(table, QStringLiteral("ID"))),
                     bound).finish();
}

} // namespace vxr

#include "SqlDialect.h"

#include "ErrorMapping.h"
#include "OdbcDialect.h"
#include "PostgresDialect.h"
#include "QtPreparedStatement.h"
#include "SqlServerDialect.h"
#include "SqliteDialect.h"

#include <QSqlQuery>

#include <bit>

namespace vxr {

QString placeholderRow(int count)
{
    QString row;
    row.reserve(count * 3 + 2);
    row += u'(';
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            row += QStringLiteral(", ");
        row += u'?';
    }
    row += u')';
    return row;
}

namespace {

QString literalRow(const QStringList &literals)
{
    QString row;
    row += u'(';
    for (qsizetype i = 0; i < literals.size(); ++i) {
        if (i > 0)
            row += QStringLiteral(", ");
        row += literals.at(i).isEmpty() ? QStringLiteral("?") : literals.at(i);
    }
    row += u')';
    return row;
}

} // namespace

QString valueRows(int columnCount, int rowCount, const QStringList &literals)
{
    const QString row = literals.isEmpty() ? placeholderRow(columnCount) : literalRow(literals);
    QString values;
    values.reserve((row.size() + 2) * rowCount);
    for (int i = 0; i < rowCount; ++i) {
        if (i > 0)
            values += QStringLiteral(", ");
        values += row;
    }
    return values;
}

QString SqlDialect::insertSql(NewIdSource source, const QString &table, const QStringList &columns) const
{
    const QString returning = source == NewIdSource::Returning ? QStringLiteral(" RETURNING ID") : QString();
    if (columns.isEmpty())
        return QStringLiteral("INSERT INTO %1 DEFAULT VALUES%2").arg(table, returning);
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3%4")
            .arg(table, columns.join(QStringLiteral(", ")), placeholderRow(int(columns.size())), returning);
}

std::unique_ptr<PreparedStatement> SqlDialect::prepare(const QSqlDatabase &database, const QString &sql,
                                                      StatementCanceller *canceller) const
{
    return std::make_unique<QtPreparedStatement>(database, sql, *this, canceller);
}

QString SqlDialect::multiRowInsertSql(NewIdSource source, const QString &table, const QStringList &columns,
                                      int rowCount, const ColumnType &returned, const QStringList &literals) const
{
    const QString returning = returned.name.isEmpty() || source != NewIdSource::Returning
            ? QString()
            : QStringLiteral(" RETURNING ID, ") + returned.name;
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3%4")
            .arg(table, columns.join(QStringLiteral(", ")), valueRows(int(columns.size()), rowCount, literals),
                 returning);
}

QString SqlDialect::updateSql(const QString &table, const QStringList &columns) const
{
    return QStringLiteral("UPDATE %1 SET %2 = ? WHERE ID = ?").arg(table, columns.join(QStringLiteral(" = ?, ")));
}

QString SqlDialect::valuesPresentSql(const QString &table, const QString &column, int count) const
{
    QString marks = placeholderRow(count);
    return QStringLiteral("SELECT %1 FROM %2 WHERE %1 IN %3").arg(column, table, marks);
}

int SqlDialect::rowsPerStatement(int columnCount) const
{
    return qMax(1, qMin(maxValuesPerInsert() / qMax(columnCount, 1), maxRowsPerValuesList()));
}

int SqlDialect::rowsOfNextStatement(qsizetype left, int perStatement) const
{
    if (left >= perStatement)
        return perStatement;
    return isEmbedded() ? int(std::bit_floor(quint64(left))) : int(left);
}

const SqlDialect &sqlDialect(Dialect kind)
{
    static const SqliteDialect sqlite;
    static const PostgresDialect postgres;
    static const SqlServerDialect sqlServer;
    static const OdbcDialect otherOdbc;
    switch (kind) {
    case Dialect::SQLite: return sqlite;
    case Dialect::PostgreSQL: return postgres;
    case Dialect::SqlServer: return sqlServer;
    case Dialect::OtherOdbc: break;
    }
    return otherOdbc;
}

namespace {

DbError tableNotFound(const QString &table)
{
    return DbError{ErrorNumbers::StatementFailed, QStringLiteral("The table %1 does not exist in the database.").arg(table)};
}

} // namespace

QList<ColumnType> informationSchemaColumnTypes(const QSqlDatabase &database, const SqlDialect &dialect,
                                               const QString &table, const QString &schemaFilter)
{
    return schemaQueryColumnTypes(database, dialect, table,
                                  QStringLiteral("SELECT column_name, data_type, character_maximum_length "
                                                 "FROM information_schema.columns WHERE LOWER(table_name) = LOWER(?)")
                                          + schemaFilter + QStringLiteral(" ORDER BY ordinal_position"));
}

QList<ColumnType> schemaQueryColumnTypes(const QSqlDatabase &database, const SqlDialect &dialect,
                                         const QString &table, const QString &sql)
{
    // Through the dialect's own statements, so that on ODBC the table's
    // name goes with its exact length: a closing NUL would make it another
    // name on SQL Server.
    const std::unique_ptr<PreparedStatement> query = dialect.prepare(database, sql, nullptr);
    query->execute(QVariantList(sql.count(u'?'), table));
    QList<ColumnType> columns;
    while (query->next()) {
        const QVariant length = query->value(2);
        ColumnType column =
                classifyInformationSchemaType(query->value(1).toString(), length.isNull() ? -1 : length.toLongLong());
        column.name = query->value(0).toString();
        columns.append(column);
    }
    query->finish();
    if (columns.isEmpty())
        throw tableNotFound(table);
    return columns;
}

QList<ColumnType> columnTypesFrom(QSqlQuery &query, const QString &table,
                                  const std::function<ColumnType(const QSqlQuery &)> &classify)
{
    QList<ColumnType> columns;
    while (query.next()) {
        ColumnType column = classify(query);
        column.name = query.value(0).toString();
        columns.append(column);
    }
    if (columns.isEmpty())
        throw tableNotFound(table);
    return columns;
}

} // namespace vxr

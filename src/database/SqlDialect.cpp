#include "SqlDialect.h"

#include "ErrorMapping.h"
#include "OdbcDialect.h"
#include "PostgresDialect.h"
#include "QtPreparedStatement.h"
#include "SqlServerDialect.h"
#include "SqliteDialect.h"

#include <QSqlQuery>

namespace vxr {

QString SqlDialect::insertSql(NewIdSource source, const QString &table, const QStringList &columns) const
{
    const QString output = source == NewIdSource::OutputClause ? QStringLiteral(" OUTPUT INSERTED.ID") : QString();
    const QString returning = source == NewIdSource::Returning ? QStringLiteral(" RETURNING ID") : QString();
    if (columns.isEmpty())
        return QStringLiteral("INSERT INTO %1%2 DEFAULT VALUES%3").arg(table, output, returning);
    QStringList marks;
    marks.fill(QStringLiteral("?"), columns.size());
    return QStringLiteral("INSERT INTO %1 (%2)%3 VALUES (%4)%5")
            .arg(table, columns.join(QStringLiteral(", ")), output, marks.join(QStringLiteral(", ")), returning);
}

std::unique_ptr<PreparedStatement> SqlDialect::prepare(const QSqlDatabase &database, const QString &sql,
                                                      StatementCanceller *canceller) const
{
    return std::make_unique<QtPreparedStatement>(database, sql, *this, canceller);
}

namespace {

// "(?, ?, ?)" for a row of count values.
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

} // namespace

QString SqlDialect::multiRowInsertSql(NewIdSource source, const QString &table, const QStringList &columns,
                                      int rowCount, const QString &returnColumn) const
{
    const QString row = placeholderRow(int(columns.size()));
    QString values;
    values.reserve((row.size() + 2) * rowCount);
    for (int i = 0; i < rowCount; ++i) {
        if (i > 0)
            values += QStringLiteral(", ");
        values += row;
    }
    QString output;
    QString returning;
    if (!returnColumn.isEmpty()) {
        if (source == NewIdSource::OutputClause)
            output = QStringLiteral(" OUTPUT INSERTED.ID, INSERTED.") + returnColumn;
        else
            returning = QStringLiteral(" RETURNING ID, ") + returnColumn;
    }
    return QStringLiteral("INSERT INTO %1 (%2)%3 VALUES %4%5")
            .arg(table, columns.join(QStringLiteral(", ")), output, values, returning);
}

QString SqlDialect::valuesPresentSql(const QString &table, const QString &column, int count) const
{
    QString marks = placeholderRow(count);
    return QStringLiteral("SELECT %1 FROM %2 WHERE %1 IN %3").arg(column, table, marks);
}

int SqlDialect::rowsPerStatement(int columnCount) const
{
    return qMax(1, qMin(maxParameters() / qMax(columnCount, 1), maxRowsPerValuesList()));
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

QList<ColumnType> informationSchemaColumnTypes(const QSqlDatabase &database, const SqlDialect &dialect,
                                               const QString &table, const QString &schemaFilter)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT column_name, data_type, character_maximum_length "
                                 "FROM information_schema.columns WHERE LOWER(table_name) = LOWER(?)")
                  + schemaFilter + QStringLiteral(" ORDER BY ordinal_position"));
    query.addBindValue(table);
    if (!query.exec())
        throw dialect.errorFrom(query.lastError(), odbcDiagnostics(query));
    return columnTypesFrom(query, table, [](const QSqlQuery &row) {
        const QVariant length = row.value(2);
        return classifyInformationSchemaType(row.value(1).toString(), length.isNull() ? -1 : length.toLongLong());
    });
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
        throw DbError{ErrorNumbers::StatementFailed,
                      QStringLiteral("The table %1 does not exist in the database.").arg(table)};
    return columns;
}

} // namespace vxr

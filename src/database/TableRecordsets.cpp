#include "TableRecordsets.h"
#include "TableRecordsetsPrivate.h"

#include "ColumnKinds.h"
#include "ColumnTypes.h"
#include "ColumnValue.h"
#include "DbConnection.h"
#include "RowChangeSink.h"
#include "SqlDialect.h"
#include "SqlStatements.h"
#include "Transaction.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace vxr {

namespace {

QString key(const QString &name)
{
    return name.toLower();
}

} // namespace

using namespace recordsets;

const Table &TableRecordsets::Private::table(const QString &name) const
{
    const auto found = tables.constFind(key(name));
    if (!open || found == tables.constEnd())
        throw DbError{ErrorNumbers::StatementFailed,
                      QStringLiteral("The table %1 is not open.").arg(name)};
    return *found;
}

const Column &TableRecordsets::Private::column(const Table &table, const QString &name) const
{
    const auto found = table.columns.constFind(key(name));
    if (found == table.columns.constEnd())
        throw DbError{ErrorNumbers::StatementFailed,
                      QStringLiteral("The table %1 has no column %2.").arg(table.name, name)};
    return *found;
}

namespace {

QString cacheKey(const QString &tableName, const QStringList &columnNames)
{
    return tableName + QLatin1Char('\x1f') + columnNames.join(QLatin1Char('\x1f'));
}

} // namespace

// The statement for a table and a list of columns. Lines write the same
// columns every time, so each statement is made and prepared once.
WriteStatement TableRecordsets::Private::makeStatement(bool insert, const QString &tableName,
                                                       const QStringList &columnNames)
{
    const Table &target = table(tableName);
    WriteStatement statement;
    statement.tableName = target.name;
    QStringList names;
    const QSqlDriver *driver = statements.database().driver();
    for (const QString &name : columnNames) {
        const Column &c = column(target, name);
        statement.columns.append(c);
        names.append(driver->escapeIdentifier(c.name, QSqlDriver::FieldName));
    }
    if (insert) {
        statement.sql = statements.sqlDialect().insertSql(newIdSource, target.name, names);
    } else {
        statement.sql = statements.sqlDialect().updateSql(target.name, names);
    }
    statements.prepared(statement.sql);
    return statement;
}

QVariantList TableRecordsets::Private::boundValues(const WriteStatement &statement, const QVariantList &values,
                                                  qsizetype firstColumn, const QVariantList *previous,
                                                  const QVariantList *previousBound,
                                                  ConstantColumns::Changed *changed) const
{
    QVariantList bound;
    bound.reserve(values.size() + 1);
    const Dialect dialect = statements.dialect();
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (previous && sameVariant(values.at(i), previous->at(i))) {
            bound.append(previousBound->at(i));
            continue;
        }
        const Column &c = statement.columns.at(firstColumn + i);
        bound.append(boundValue(values.at(i), c.typeCode, dialect, c.name));
        if (changed)
            changed->append(i);
    }
    return bound;
}

TableRecordsets::TableRecordsets(DbConnection &connection, FieldTable &fields)
    : d(std::make_unique<Private>(connection, fields))
{
    d->transaction.addRollbackListener([this](quint64 since) {
        if (d->sink)
            d->sink->rolledBack(since);
    });
}

void TableRecordsets::setChangeSink(RowChangeSink *sink)
{
    d->sink = sink;
}

TableRecordsets::~TableRecordsets()
{
    d->statements.detach();
}

void TableRecordsets::openTables()
{
    d->statements.detach();
    d->tables.clear();
    d->inserts.clear();
    d->updates.clear();
    d->open = false;
    ++d->generation;

    if (!d->connection.isOpen())
        throw DbError{ErrorNumbers::ConnectionFailed,
                      QStringLiteral("There is no open connection to the database.")};
    const QSqlDatabase db = d->connection.database();
    d->statements.attach(db, d->connection.dialect(), d->connection.statementCanceller());
    d->newIdSource = d->statements.sqlDialect().newIdSource(db);

    // One reading of the schema per run: the tables and their columns. A
    // missing table fails here, named in the error.
    for (const QString &name : importTableNames()) {
        Table table;
        table.name = name;
        for (const ColumnType &type : readColumnTypes(db, d->connection.dialect(), name))
            table.columns.insert(key(type.name), Column{type.name, type.typeCode, type.definedSize});
        d->tables.insert(key(name), table);
    }
    d->open = true;
}

void TableRecordsets::readFieldTypes(int tableId)
{
    // The account-receivable tables keep -1: nothing resolves their columns
    // by type.
    if (tableId < ItemTable || tableId > SecurityTable)
        return;
    const Table &table = d->table(tableInfo(tableId)->name);
    for (FieldDef &field : d->fields.entries) {
        if (field.tableId != tableId)
            continue;
        const Column &column = d->column(table, field.columnName);
        field.dataType = column.typeCode;
        field.maxLength = (column.typeCode == TypeCodes::Variant || column.typeCode == TypeCodes::LongVarWChar)
                ? LongTextMaxLength
                : column.size;
    }
}

void TableRecordsets::closeTables() noexcept
{
    d->open = false;
    try {
        // What was not committed is not kept.
        d->transaction.rollback();
        d->inserts.clear();
        d->updates.clear();
        d->tables.clear();
        // The statements go before the connection, which must have no users left.
        d->statements.detach();
        d->connection.close();
    } catch (...) {
        // Closing is best effort: what was stored is committed already.
    }
}

bool TableRecordsets::isOpen() const
{
    return d->open;
}

SqlStatements &TableRecordsets::statements()
{
    return d->statements;
}

Transaction &TableRecordsets::transaction()
{
    return d->transaction;
}

int TableRecordsets::generation() const
{
    return d->generation;
}

const RowShape &TableRecordsets::rowShape(const QString &tableName, const QStringList &columnNames)
{
    const QString cacheKey = vxr::cacheKey(tableName, columnNames);
    const auto found = d->inserts.constFind(cacheKey);
    if (found != d->inserts.constEnd())
        return *found;
    RowShape shape;
    static_cast<WriteStatement &>(shape) = d->makeStatement(true, tableName, columnNames);
    shape.columnNames = columnNames;
    return *d->inserts.insert(cacheKey, shape);
}

qint64 TableRecordsets::addRow(const RowShape &shape, const QVariantList &values)
{
    // Every value is bound afresh: a row the database refused leaves nothing
    // behind for the next one.
    const QVariantList bound = d->boundValues(shape, values);
    PreparedStatement &query = d->statements.run(shape.sql, bound);
    const ResultRelease release(query);
    const qint64 id = d->newId(query, shape.tableName);
    if (d->sink)
        d->reportAdded(shape, bound, id);
    return id;
}

qint64 TableRecordsets::addRow(const QString &tableName, const ColumnValues &values)
{
    QStringList names;
    QVariantList row;
    names.reserve(values.size());
    row.reserve(values.size());
    for (const auto &[name, value] : values) {
        names.append(name);
        row.append(value);
    }
    return addRow(rowShape(tableName, names), row);
}

bool TableRecordsets::canReturnRows() const
{
    return d->newIdSource != NewIdSource::LastInsertId;
}

QList<std::pair<QVariant, qint64>> TableRecordsets::addRows(const RowShape &shape, const QList<QVariantList> &rows,
                                                            const QString &returnColumn, const QVariantList &shared)
{
    QList<std::pair<QVariant, qint64>> added;
    if (rows.isEmpty())
        return added;
    if (d->sink && returnColumn.isEmpty()) {
        // The rows are journaled by ID: asked back by the column that names
        // them where the backend gives rows back, else added one by one.
        if (!canReturnRows()) {
            for (const QVariantList &row : rows)
                addRow(shape, row + shared);
            return added;
        }
        addRows(shape, rows, rowNamingColumn(shape.tableName), shared);
        return added;
    }
    const SqlDialect &dialect = d->statements.sqlDialect();
    const QSqlDriver *driver = d->statements.database().driver();
    QStringList columns;
    for (const Column &c : shape.columns)
        columns.append(driver->escapeIdentifier(c.name, QSqlDriver::FieldName));
    ColumnType returned;
    QString highestIdSql;
    qsizetype keyAt = -1;
    if (!returnColumn.isEmpty()) {
        const Column &c = d->column(d->table(shape.tableName), returnColumn);
        returned = ColumnType{driver->escapeIdentifier(c.name, QSqlDriver::FieldName), c.typeCode, c.size};
        for (qsizetype i = 0; i < shape.columns.size() && keyAt < 0; ++i) {
            if (shape.columns.at(i).name.compare(c.name, Qt::CaseInsensitive) == 0)
                keyAt = i;
        }
        // IDs that follow the table's highest need not come back, nor the
        // keys, which are those bound.
        if (keyAt >= 0)
            highestIdSql = d->highestIdSql(shape.tableName);
    }
    const bool following = !highestIdSql.isEmpty();
    const NewIdSource idSource = following ? NewIdSource::LastInsertId : d->newIdSource;
    // Every row is bound before the first statement: the columns whose value
    // every row shares go into the statement's text.
    const QVariantList boundShared = d->boundValues(shape, shared, shape.columns.size() - shared.size());
    QList<QVariantList> boundRows;
    boundRows.reserve(rows.size());
    // Most columns hold the same value as in the row before, which binds as
    // it did there.
    ConstantColumns::Changed changed;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        changed.clear();
        if (r == 0) {
            boundRows.append(d->boundValues(shape, rows.at(r)));
            for (qsizetype c = 0; c < shape.columns.size(); ++c)
                changed.append(c);
            shape.constants.admit(dialect, shape.columns, boundRows.constLast() + boundShared, changed);
            continue;
        }
        boundRows.append(d->boundValues(shape, rows.at(r), 0, &rows.at(r - 1), &boundRows.at(r - 1), &changed));
        shape.constants.admit(dialect, shape.columns, boundRows.constLast(), changed);
    }
    const QStringList literals = shape.constants.literals();
    const int perStatement = dialect.rowsPerStatement(int(shape.constants.boundCount()));
    const bool reporting = d->sink && !returned.name.isEmpty();
    // The full statements have the same number of rows: their text is made,
    // and their prepared statement found, once.
    PreparedStatement *statement = nullptr;
    int statementRows = 0;
    qint64 highestBefore = -1;
    int count = 0;
    for (qsizetype first = 0; first < rows.size(); first += count) {
        count = dialect.rowsOfNextStatement(rows.size() - first, perStatement);
        QVariantList bound;
        bound.reserve(count * shape.constants.boundCount());
        for (qsizetype r = first; r < first + count; ++r)
            shape.constants.appendBound(bound, boundRows.at(r), boundShared);
        // Asked once: after a statement whose IDs followed, its last is the
        // highest (rows another added in between would show in the next
        // statement's last ID).
        if (following && highestBefore < 0)
            highestBefore = d->highestId(highestIdSql);
        if (!statement || count != statementRows) {
            statement = &d->statements.prepared(dialect.multiRowInsertSql(
                    idSource, shape.tableName, columns, count, following ? ColumnType{} : returned, literals));
            statementRows = count;
        }
        statement->execute(bound);
        const ResultRelease release(*statement);
        // Stepped to the end even when nothing comes back: a failure the
        // database raises late must not pass unseen.
        while (statement->next()) {
            if (!returned.name.isEmpty() && !following)
                added.append({statement->value(1), statement->value(0).toLongLong()});
        }
        if (following) {
            d->appendFollowingIds(*statement, highestBefore, shape.tableName, boundRows.mid(first, count),
                                  boundShared, keyAt, added);
            highestBefore += count;
        }
        if (!returned.name.isEmpty() && added.size() != first + count)
            throw DbError{ErrorNumbers::NoCurrentRecord,
                          QStringLiteral("The database gave back %1 of the %2 rows added to %3.")
                                  .arg(added.size() - first)
                                  .arg(count)
                                  .arg(shape.tableName)};
        // Told statement by statement, so that the journal takes these rows
        // while the store takes the next.
        if (reporting)
            d->reportAddedRows(shape, boundRows.mid(first, count), boundShared, returnColumn,
                               added.mid(first, count));
    }
    return added;
}

int TableRecordsets::columnSize(const QString &tableName, const QString &column) const
{
    return d->column(d->table(tableName), column).size;
}

void TableRecordsets::updateRow(const QString &tableName, qint64 id, const ColumnValues &values)
{
    if (values.isEmpty())
        return;
    QStringList names;
    QVariantList row;
    for (const auto &[name, value] : values) {
        names.append(name);
        row.append(value);
    }
    const QString cacheKey = vxr::cacheKey(tableName, names);
    auto found = d->updates.constFind(cacheKey);
    if (found == d->updates.constEnd())
        found = d->updates.insert(cacheKey, d->makeStatement(false, tableName, names));
    QVariantList bound = d->boundValues(*found, row);
    if (d->sink)
        d->reportUpdated(*found, id, bound, names);
    bound.append(id);
    PreparedStatement &query = d->statements.run(found->sql, bound);
    query.finish();
}

} // namespace vxr

#pragma once

// The inside of TableRecordsets, shared by the files that implement it.

#include "ConstantColumns.h"
#include "SqlDialect.h"
#include "TableRecordsets.h"
#include "SqlStatements.h"
#include "Transaction.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

namespace vxr {

class DbConnection;
class FieldTable;
class PreparedStatement;
class RowChangeSink;

namespace recordsets {

struct Column
{
    QString name; // as the database spells it
    int typeCode = -1;
    int size = -1;
};

struct Table
{
    QString name; // the program's spelling
    QHash<QString, Column> columns; // by lower-case name
};

// A prepared insert or update: its statement and the columns it binds.
struct WriteStatement
{
    QString tableName;
    QString sql;
    QList<Column> columns;
};

} // namespace recordsets

struct RowShape : recordsets::WriteStatement
{
    QStringList columnNames; // as the program spells them, for the change sink
    // The columns its multi-row inserts write as literals: kept with the
    // shape, so that every batch runs the same prepared statements.
    mutable ConstantColumns constants;
};

struct TableRecordsets::Private
{
    Private(DbConnection &c, FieldTable &f) : connection(c), fields(f), transaction(statements) {}

    DbConnection &connection;
    FieldTable &fields;
    SqlStatements statements;
    Transaction transaction;
    bool open = false;
    NewIdSource newIdSource = NewIdSource::LastInsertId;
    QHash<QString, recordsets::Table> tables;                  // by lower-case name
    QHash<QString, RowShape> inserts;              // by table and column list
    QHash<QString, recordsets::WriteStatement> updates;
    QHash<QString, QString> highestIdSqls; // by lower-case name; empty where IDs come back
    int generation = 0;
    RowChangeSink *sink = nullptr;

    const recordsets::Table &table(const QString &name) const;
    const recordsets::Column &column(const recordsets::Table &table, const QString &name) const;
    recordsets::WriteStatement makeStatement(bool insert, const QString &tableName, const QStringList &columnNames);
    // The values of the statement's columns from firstColumn on, as bound.
    // previous, when given, is the row added just before and previousBound
    // its values as bound: a value that is the same variant as the one
    // before it in its column is bound as that one was. changed, when
    // given, gets the columns bound anew.
    QVariantList boundValues(const recordsets::WriteStatement &statement, const QVariantList &values,
                             qsizetype firstColumn = 0, const QVariantList *previous = nullptr,
                             const QVariantList *previousBound = nullptr,
                             ConstantColumns::Changed *changed = nullptr) const;
    qint64 newId(PreparedStatement &query, const QString &tableName);
    QString highestIdSql(const QString &tableName);
    qint64 highestId(const QString &sql);
    void appendFollowingIds(const PreparedStatement &insert, qint64 before, const QString &tableName,
                            const QList<QVariantList> &rows, const QVariantList &shared, qsizetype keyAt,
                            QList<std::pair<QVariant, qint64>> &added) const;
    void reportAdded(const RowShape &shape, const QVariantList &bound, qint64 id);
    void reportAddedRows(const RowShape &shape, const QList<QVariantList> &rows, const QVariantList &shared,
                         const QString &returnColumn, const QList<std::pair<QVariant, qint64>> &added);
    void reportUpdated(const recordsets::WriteStatement &statement, qint64 id, const QVariantList &bound,
                       const QStringList &columnNames);
};

} // namespace vxr

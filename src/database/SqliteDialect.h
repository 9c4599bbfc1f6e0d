#pragma once

#include "SqlDialect.h"

namespace vxr {

// The embedded SQLite store. A batch takes the write lock when it begins
// (BEGIN IMMEDIATE), so that it waits for another writer there instead of
// failing in the middle; a failed statement leaves the transaction usable.
// Dates are kept as sortable text and booleans as 0 and 1.
class SqliteDialect final : public SqlDialect
{
public:
    Dialect kind() const override { return Dialect::SQLite; }
    QString beginTransactionSql() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    bool failedStatementAbortsTransaction() const override { return false; }
    bool transactionStatementsCanBePrepared() const override { return true; }
    // The pages changed go to the write-ahead log as frames no commit
    // covers yet: one who opens the store after a crash passes over them.
    void writeAheadOfCommit(const QSqlDatabase &database) const override;
    // Through the SQLite library itself when the connection lets us reach
    // it: binding through Qt's driver costs more than the insert.
    std::unique_ptr<PreparedStatement> prepare(const QSqlDatabase &database, const QString &sql,
                                               StatementCanceller *canceller) const override;
    NewIdSource newIdSource(const QSqlDatabase &database) const override;
    // Where ID is the table's rowid (INTEGER PRIMARY KEY of a table with
    // rowids); with AUTOINCREMENT the highest ever given counts too.
    QString highestIdSql(const QSqlDatabase &database, const QString &table) const override;
    QList<ColumnType> readColumnTypes(const QSqlDatabase &database, const QString &table) const override;
    DbError errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const override;
    int maxParameters() const override { return 32766; }
    // SQLite compiles a multi-row insert into a program of a few
    // instructions per value, kept while the statement is: a few hundred
    // values keep each program small and the run's memory flat, and larger
    // ones save no time (the rows are written one by one all the same).
    int maxValuesPerInsert() const override { return 500; }
    bool isEmbedded() const override { return true; }
    QVariant dateTimeValue(const QDateTime &value) const override;
    QVariant booleanValue(bool value) const override { return value ? 1 : 0; }
    std::optional<QString> literal(const QVariant &value, int typeCode) const override;
    QString schemaResource() const override { return QStringLiteral(":/vxr/schema/sqlite.sql"); }
    // Write-ahead log and normal sync: what is committed survives the
    // program's death, at a modest cost per commit. Switching a store to the
    // write-ahead log while another program writes to it fails at once
    // (SQLite does not wait where waiting could deadlock): it is tried again.
    bool prepareConnection(const QSqlDatabase &database, const std::function<bool()> &waitForLock,
                           QString *error) const override;

    // The result codes after which the store can take nothing more in this
    // run: busy past the time-out, I/O errors, a full disk, corruption.
    static bool codeEndsRun(int code);
    // The store's file as SQLite opens it: as a URI that opens the file only
    // if it is there. A plain name creates an empty database where the file
    // was moved away since it was found, and the run would take that for
    // the store.
    static QString existingFileUri(const QString &path);
};

} // namespace vxr

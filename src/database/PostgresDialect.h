#pragma once

#include "OdbcDialect.h"

namespace vxr {

// PostgreSQL through psqlODBC. A failed statement aborts the transaction
// until it is rolled back to a savepoint; new IDs come back with RETURNING.
class PostgresDialect final : public OdbcDialect
{
public:
    Dialect kind() const override { return Dialect::PostgreSQL; }
    NewIdSource newIdSource(const QSqlDatabase &) const override { return NewIdSource::Returning; }
    QList<ColumnType> readColumnTypes(const QSqlDatabase &database, const QString &table) const override;
    DbError errorFrom(const QSqlError &error, const OdbcDiagnostics &diagnostics) const override;
    // The server takes 65,535 values a statement, but psqlODBC loses its
    // footing ("lost synchronization with server") on the server's
    // description of a statement with more than about 7,000 parameters:
    // stay well below that.
    int maxParameters() const override { return 6000; }
    // NULL, integers, booleans, whole numbers in number columns, plain
    // ASCII texts and dates with their time of day: values the server
    // reads from a literal exactly as from psqlODBC's binding of them.
    std::optional<QString> literal(const QVariant &value, int typeCode) const override;
    QString schemaResource() const override { return QStringLiteral(":/vxr/schema/postgresql.sql"); }
    // An advisory lock of the transaction, on a key of our own (the bytes
    // of "VXR-refs"); a wait the server gives up (a deadlock, lock_timeout)
    // fails like any other statement.
    QString referenceLockSql() const override
    {
        return QStringLiteral("SELECT pg_advisory_xact_lock(6221813240358594163)");
    }

    // Adds the psqlODBC option that leaves the handling of a failed
    // statement to us: without it the driver rolls back the whole
    // transaction (losing the lines before) or wraps every statement in a
    // savepoint of its own. An option the operator gave for it is replaced.
    QString openedDatabaseName(const QString &odbc) const override;
};

} // namespace vxr

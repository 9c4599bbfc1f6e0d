#pragma once

#include "database/DbConnection.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

namespace vxr::test {

// A fresh SQLite store made from the schema, in a temporary folder that goes
// away with the object.
class TempSqliteStore
{
public:
    TempSqliteStore();

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }      // why the store could not be made
    QString path() const { return m_path; }
    QString connectionString() const;              // "Provider=SQLite;Data Source=<path>"

private:
    QTemporaryDir m_dir;
    QString m_path;
    QString m_error;
};

// A fresh PostgreSQL store on the server that VXR_TEST_PG_CONNECT names (an
// ODBC connection string to its "postgres" database, which scripts/test
// exports): a new uniquely named database with the schema loaded, dropped
// again with the object. The connection string adds BoolsAsChar=0, so that
// psqlODBC reports booleans as numbers (0/1) rather than as the texts "0"/"1".
class PostgresStore
{
public:
    PostgresStore();
    ~PostgresStore();
    PostgresStore(const PostgresStore &) = delete;
    PostgresStore &operator=(const PostgresStore &) = delete;

    // VXR_TEST_PG_CONNECT is set: the server is meant to be there.
    static bool isConfigured();

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    QString databaseName() const { return m_database; }
    QString odbcConnectionString() const { return m_odbc; }
    QString connectionString() const;              // "Provider=MSDASQL;<ODBC string>"

private:
    bool runOnServer(const QString &sql);

    QString m_admin;     // the given string, to the postgres database
    QString m_odbc;      // the same, to the fresh database
    QString m_database;
    QString m_error;
};

// The backends a suite can run on. PrintTo gives the test names.
enum class StoreBackend { SQLite, PostgreSQL };
void PrintTo(StoreBackend backend, std::ostream *out);
std::string storeBackendName(const ::testing::TestParamInfo<StoreBackend> &info);

// A fixture that runs each test on a fresh store of each backend, with an
// open connection to it. Derive a fixture from it, write TEST_P tests and
// instantiate them with VXR_ON_EVERY_BACKEND(Fixture). Without a PostgreSQL
// server the PostgreSQL run is skipped with a visible message, or fails
// when CI is "true" (there the server must be there).
class BackendTest : public ::testing::TestWithParam<StoreBackend>
{
protected:
    void SetUp() override;
    void TearDown() override;

    StoreBackend backend() const { return GetParam(); }
    Dialect dialect() const { return connection.dialect(); }
    QString connectionString() const;

    DbConnection connection;

private:
    std::unique_ptr<TempSqliteStore> m_sqlite;
    std::unique_ptr<PostgresStore> m_postgres;
};

} // namespace vxr::test

#define VXR_ON_EVERY_BACKEND(Fixture)                                                                        \
    INSTANTIATE_TEST_SUITE_P(Backends, Fixture,                                                             \
                             ::testing::Values(::vxr::test::StoreBackend::SQLite, ::vxr::test::StoreBackend::PostgreSQL), \
                             ::vxr::test::storeBackendName)

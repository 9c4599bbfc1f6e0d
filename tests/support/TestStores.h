#pragma once

#include "catalogue/FieldTable.h"
#include "database/DbConnection.h"
#include "database/RecordWriter.h"
#include "database/TableRecordsets.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>
#include <vector>
#include <ostream>

namespace vxr::test {

// What a test store is like beyond what its schema makes: traits a store on
// SQL Server may have. Without a unique index on the keys, only the program's
// own duplicate check keeps a key once; a case-insensitive store (SQLite's
// always is: its texts are COLLATE NOCASE) compares texts as SQL Server's
// usual collations do, on PostgreSQL through a non-deterministic ICU
// collation, and its Item table has an insert trigger that keeps an audit
// trail in ItemAudit.
enum class StoreTraits { Schema, NoUniqueKeys, CaseInsensitive, CaseInsensitiveNoUniqueKeys };

// A fresh store made from the schema, gone again with the object.
class TestStore
{
public:
    virtual ~TestStore() = default;
    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }      // why the store could not be made
    virtual QString connectionString() const = 0;

protected:
    QString m_error;
};

// A SQLite store in a temporary folder.
class TempSqliteStore final : public TestStore
{
public:
    explicit TempSqliteStore(StoreTraits traits = StoreTraits::Schema);
    QString path() const { return m_path; }
    QString connectionString() const override;     // "Provider=SQLite;Data Source=<path>"

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// A store on the PostgreSQL server that VXR_TEST_PG_CONNECT names (an ODBC
// connection string to its "postgres" database, which scripts/test exports):
// a new uniquely named database with the schema loaded. The connection
// string adds BoolsAsChar=0, so that psqlODBC reports booleans as numbers
// (0/1) rather than as the texts "0"/"1".
class PostgresStore final : public TestStore
{
public:
    explicit PostgresStore(StoreTraits traits = StoreTraits::Schema);
    ~PostgresStore() override;
    PostgresStore(const PostgresStore &) = delete;
    PostgresStore &operator=(const PostgresStore &) = delete;

    // VXR_TEST_PG_CONNECT is set: the server is meant to be there.
    static bool isConfigured();

    QString connectionString() const override;     // "Provider=MSDASQL;<ODBC string>"

private:
    QString m_admin;     // the given string, to the postgres database
    QString m_odbc;      // the same, to the fresh database
    QString m_database;
};

// The whole field catalogue, made once for the tests that only read it.
const FieldTable &testCatalogue();

// Every row of every table the import writes to, in ID order, each as
// "Table: a|b|c", read through a connection of its own. A date with a time of
// day keeps only the date: the dates a run gives unmapped columns are the
// moment it started.
// How everyRow shows the IDs of items and the columns that name an item: as
// stored, or as the item's place in ID order (a server's ID sequence skips
// the values of a statement that failed, so two runs that store the same
// items may give them other IDs).
enum class ItemIds { AsStored, InOrder };
QStringList everyRow(const QString &connectionString, ItemIds ids = ItemIds::AsStored);

// The rows a statement gives on a store, read (or written) through a
// connection of its own, as rowTexts gives them.
QStringList rowsOf(const QString &connectionString, const QString &sql);

// The rows a query gives from where it stands, each as its columns' texts
// joined by "|".
QStringList rowTexts(QSqlQuery &query);

// A connection of the test's own to a SQLite file (a store beside the tool,
// a journal, ":memory:"), open for the object's life: to read it, or to hold
// its lock as another program would.
class SqliteFile
{
public:
    explicit SqliteFile(const QString &path, const QString &options = QString());
    ~SqliteFile();
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }
    bool exec(const QString &sql) const { return QSqlQuery(database()).exec(sql); }
    // The rows a statement gives, as rowTexts gives them.
    QStringList rows(const QString &sql) const;

private:
    QString m_name;
};

// The rows a statement gives on a SQLite file, as SqliteFile::rows.
QStringList fileRows(const QString &sqliteFile, const QString &sql);

// Prepares and runs a statement with its values bound in order; false (with
// the query's error) when either fails.
bool runBound(QSqlQuery &query, const QString &sql, const QVariantList &values);

// The backends a suite can run on, and the kinds of store on them. PrintTo
// gives the test names.
enum class StoreBackend { SQLite, PostgreSQL };
struct StoreKind
{
    StoreKind(StoreBackend onBackend, StoreTraits withTraits = StoreTraits::Schema)
        : backend(onBackend), traits(withTraits)
    {
    }
    StoreBackend backend;
    StoreTraits traits;
};
void PrintTo(const StoreKind &kind, std::ostream *out);
std::string storeBackendName(const ::testing::TestParamInfo<StoreKind> &info);

// A fresh store of the kind; check isValid().
std::unique_ptr<TestStore> makeStore(const StoreKind &kind);

// A fixture that runs each test on a fresh store of each backend, with an
// open connection to it. Derive a fixture from it, write TEST_P tests and
// instantiate them with VXR_ON_EVERY_BACKEND(Fixture). Without a PostgreSQL
// server the PostgreSQL run is skipped with a visible message, or fails
// when CI is "true" (there the server must be there).
class BackendTest : public ::testing::TestWithParam<StoreKind>
{
protected:
    void SetUp() override;
    void TearDown() override;

    StoreBackend backend() const { return GetParam().backend; }
    StoreTraits traits() const { return GetParam().traits; }
    // The file of the SQLite store (empty on a server).
    QString sqliteStorePath() const;
    Dialect dialect() const { return connection.dialect(); }
    QString connectionString() const;
    // Texts compare without regard to case in this store (SQLite stores do,
    // as a server database with its usual collation does).
    bool caseInsensitive() const
    {
        return backend() == StoreBackend::SQLite || traits() == StoreTraits::CaseInsensitive
                || traits() == StoreTraits::CaseInsensitiveNoUniqueKeys;
    }
    // A fresh store of the same kind, kept until the test ends; its
    // connection string.
    QString freshStore();

    // Arranging and checking a test's rows on the connection: the first
    // column of the first row (invalid when there is none), every row (as
    // rowTexts gives them), a table's row count, and a statement that must
    // succeed.
    QVariant scalar(const QString &sql, const QVariantList &values = {}) const;
    QStringList rows(const QString &sql, const QVariantList &values = {}) const;
    qint64 count(const QString &table) const;
    void exec(const QString &sql, const QVariantList &values = {}) const;
    // Has the store refuse the table's new rows that do not meet the
    // condition (its columns as NEW.Column), as a real store's own rules may:
    // on SQLite a trigger, on a server a check constraint.
    void refuseRowsUnless(const QString &table, const QString &condition) const;

    DbConnection connection;

private:
    std::vector<std::unique_ptr<TestStore>> m_stores; // the test's store first
};

// A store opened as an import run opens it: the catalogue (started at
// 2024-05-06 07:08:09), a reader whose fieldMap the tests fill by hand, the
// fourteen tables with the column types read, and a record writer.
class RunStoreTest : public BackendTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Maps positions 1, 2, ... to these FieldIDs (0 leaves a position unmapped).
    void mapPositions(std::initializer_list<int> fieldIds);
    // Sets the texts of positions 1, 2, ... as if a line had been read.
    void setLine(std::initializer_list<const char *> texts);

    FieldTable fields;
    RecordReader reader{fields};
    RegionalSettings regional;
    std::unique_ptr<TableRecordsets> tables;
    std::unique_ptr<RecordWriter> writer;
};

} // namespace vxr::test

#define VXR_ON_EVERY_BACKEND(Fixture)                                                                        \
    INSTANTIATE_TEST_SUITE_P(Backends, Fixture,                                                             \
                             ::testing::Values(::vxr::test::StoreBackend::SQLite, ::vxr::test::StoreBackend::PostgreSQL), \
                             ::vxr::test::storeBackendName)

// Every backend, and the stores with SQL Server's traits on each.
#define VXR_ON_EVERY_STORE_KIND(Fixture)                                                                     \
    INSTANTIATE_TEST_SUITE_P(                                                                                \
            Stores, Fixture,                                                                                 \
            ::testing::Values(::vxr::test::StoreKind(::vxr::test::StoreBackend::SQLite),                     \
                              ::vxr::test::StoreKind(::vxr::test::StoreBackend::SQLite,                      \
                                                     ::vxr::test::StoreTraits::NoUniqueKeys),                \
                              ::vxr::test::StoreKind(::vxr::test::StoreBackend::PostgreSQL),                 \
                              ::vxr::test::StoreKind(::vxr::test::StoreBackend::PostgreSQL,                  \
                                                     ::vxr::test::StoreTraits::CaseInsensitive),             \
                              ::vxr::test::StoreKind(::vxr::test::StoreBackend::PostgreSQL,                  \
                                                     ::vxr::test::StoreTraits::CaseInsensitiveNoUniqueKeys)), \
            ::vxr::test::storeBackendName)

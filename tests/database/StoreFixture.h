#pragma once

// A store to run the database tests on: a temporary SQLite store, or a fresh
// schema on the PostgreSQL server that VXR_TEST_PG_CONNECT names (reached
// through psqlODBC). The same tests run on both.

#include "TestStores.h"

#include "catalogue/FieldTable.h"
#include "catalogue/Reporter.h"
#include "database/DbConnection.h"
#include "database/RecordWriter.h"
#include "database/SqlStatements.h"
#include "database/TableRecordsets.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QVariant>

#include <memory>

namespace vxr::test {

enum class Backend { SQLite, PostgreSQL };

std::string backendName(const ::testing::TestParamInfo<Backend> &info);

// Where a test's store lives; made fresh for each test.
class StoreHandle
{
public:
    virtual ~StoreHandle() = default;
    virtual QString connectionString() const = 0;
};

// Null (with *skipReason) when the backend is not available here.
std::unique_ptr<StoreHandle> makeStore(Backend backend, QString *skipReason);

// A store opened for an import run: the catalogue, a reader whose FieldMap the
// tests fill by hand, the connection, the open tables (column types read) and
// a record writer.
class StoreTest : public ::testing::TestWithParam<Backend>
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Texts compare without regard to case on this backend (SQLite stores do,
    // as a server database with its usual collation does).
    bool caseInsensitive() const { return GetParam() == Backend::SQLite; }

    // Maps positions 1, 2, ... to these FieldIDs (0 leaves a position unmapped).
    void mapPositions(std::initializer_list<int> fieldIds);
    // Sets the texts of positions 1, 2, ... as if a line had been read.
    void setLine(std::initializer_list<const char *> texts);

    // The first column of the first row of a query, or an invalid value.
    QVariant scalar(const QString &sql, const QVariantList &values = {}) const;
    qint64 count(const QString &table) const;
    // A statement the test needs on the store (arranging data).
    void exec(const QString &sql, const QVariantList &values = {}) const;

    FieldTable fields;
    RecordReader reader{fields};
    DbConnection connection;
    RegionalSettings regional;
    std::unique_ptr<TableRecordsets> tables;
    std::unique_ptr<RecordWriter> writer;

private:
    std::unique_ptr<StoreHandle> m_store;
};

#define VXR_BOTH_BACKENDS(suite)                                                                  \
    INSTANTIATE_TEST_SUITE_P(Store, suite,                                                        \
                             ::testing::Values(::vxr::test::Backend::SQLite,                     \
                                               ::vxr::test::Backend::PostgreSQL),                \
                             ::vxr::test::backendName)

} // namespace vxr::test

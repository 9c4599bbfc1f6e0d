#pragma once

// A store opened for an import run, on each backend: the catalogue, a reader
// whose FieldMap the tests fill by hand, the open tables (column types read)
// and a record writer.

#include "TestStores.h"

#include "catalogue/FieldTable.h"
#include "database/RecordWriter.h"
#include "database/SqlStatements.h"
#include "database/TableRecordsets.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

#include <QVariant>

#include <memory>

namespace vxr::test {

class StoreTest : public BackendTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Texts compare without regard to case on this backend (SQLite stores do,
    // as a server database with its usual collation does).
    bool caseInsensitive() const { return backend() == StoreBackend::SQLite; }

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
    RegionalSettings regional;
    std::unique_ptr<TableRecordsets> tables;
    std::unique_ptr<RecordWriter> writer;
};

} // namespace vxr::test

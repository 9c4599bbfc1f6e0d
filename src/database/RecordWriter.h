#pragma once

#include "ReferenceLookups.h"
#include "TableRecordsets.h"
#include "ValueResolver.h"

#include "catalogue/TableCatalogue.h"


#include <array>

namespace vxr {

class FieldTable;
class RecordReader;
class TableRecordsets;
struct RegionalSettings;

// Writes the line last read (FieldMap) as one row of a destination table,
// with its look-ups and companion rows; or updates the existing row by key.
// Each row is committed on its own; what was stored before a failure stays.
class RecordWriter
{
public:
    // With strict values, a line whose number or date column gets a text
    // that is none fails (InvalidValue) before any of its look-ups.
    RecordWriter(FieldTable &fields, const RecordReader &reader, TableRecordsets &tables,
                 const RegionalSettings &regional, StrictValues strict);

    // 0 when the row was added; ErrorNumbers::DuplicateKey when the key is
    // already present; otherwise the number of the first failure.
    qint32 SaveRecord(int tableId);
    // 0 when the existing Item or Customer row was updated; -1 for other
    // tables; otherwise the number of the failure. The row is found by this
    // line's key, and only entries of the table itself are written into it.
    qint32 UpdateRecord(int tableId);

    // The failure behind the last non-zero result.
    const DbError &lastFailure() const { return m_lastFailure; }
    // After a result of 0: the values of the rows just written that were
    // read as 0 or empty, or cut to fit (values resolved for rows the line
    // did not write do not count). Empty after a failure.
    const ValueTally &lineTally() const { return m_lineTally; }

private:
    FieldTable &m_fields;
    const RecordReader &m_reader;
    TableRecordsets &m_tables;

    qint32 saveRecord(int tableId);
    qint32 updateRecord(int tableId);
    // Resolves the mapped positions of the line, pass by pass; look-up
    // failures are thrown as DbError.
    void resolvePasses();
    void resolveEntry(int fieldIndex);
    void checkValues() const;
    ValueTally tallyOf(int tableId, bool withSupplierList) const;
    // The values of every catalogue column of a table, in index order.
    QVariantList rowValues(int tableId) const;
    // Adds the row of a table made of its catalogue columns.
    qint64 addTableRow(int tableId);
    bool writeSupplierList(qint64 itemId);
    void writeAccountReceivable(qint64 customerId);

    template<typename Work>
    qint32 lineResult(Work work);
    void checkKeyGiven(const TableInfo &table) const;

    ReferenceLookups m_lookups;
    DbError m_lastFailure;
    ValueTally m_lineTally;
    ValueResolver m_resolver;
    // Indices in Fields of each table's entries, in index order.
    std::array<QList<int>, LastTableId + 1> m_tableEntries;
    // The shape of each table's rows, and the tables' generation it is of.
    std::array<const RowShape *, LastTableId + 1> m_shapes{};
    int m_shapesGeneration = -1;
};

} // namespace vxr

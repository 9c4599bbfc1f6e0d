#pragma once

#include "ReferenceLookups.h"
#include "TableRecordsets.h"
#include "ValueResolver.h"

#include "catalogue/TableCatalogue.h"

#include <QSet>

#include <array>

namespace vxr {

class FieldTable;
class RecordReader;
class TableRecordsets;
struct RegionalSettings;

// A line resolved into the rows it writes, to be written later, alone or
// with the other lines of its batch.
struct StagedLine
{
    QString key;                    // the key of the destination table; empty when it has none
    QVariantList row;               // every catalogue column of the destination table
    QVariantList supplierList;      // the SupplierList row of an item; empty: none
    QVariantList receivable;        // the AccountReceivable row of a customer; empty: none
    QVariantList receivableHistory; // and its AccountReceivableHistory row
    ValueTally values;              // the values of these rows read as 0 or empty, or cut to fit
};

// Writes the line last read (FieldMap) as one row of a destination table,
// with its look-ups and companion rows; or updates the existing row by key.
// A line's rows are written in one savepoint of the run's transaction: all
// of them or none. The references a line creates are written before, in
// savepoints of their own, and stay whatever becomes of the line.
//
// Lines can also be written in batches: StageRecord resolves a line into a
// StagedLine, and WriteStagedRecords writes many with a few statements.
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

    // Resolves the line last read (its look-ups write their references now)
    // into the rows it writes. A failure of the line is thrown as DbError.
    StagedLine StageRecord(int tableId);
    // Writes a staged line on its own, as SaveRecord does: 0, DuplicateKey
    // or the number of the failure.
    qint32 WriteStagedRecord(int tableId, const StagedLine &line);
    // Writes staged lines, whose keys are neither stored nor repeated among
    // them, with as few statements as the backend allows. Throws DbError
    // when a statement fails; the caller rolls back what was written.
    void WriteStagedRecords(int tableId, const QList<const StagedLine *> &lines);
    // Whether WriteStagedRecords can write lines of this table on this
    // backend (the companions need the new rows' IDs back).
    bool canWriteStagedRecords(int tableId) const;
    // The keys among these that the destination table holds, exactly as
    // the duplicate check compares them (case and trailing blanks count).
    QSet<QString> StoredKeys(int tableId, const QStringList &keys);

private:
    FieldTable &m_fields;
    const RecordReader &m_reader;
    TableRecordsets &m_tables;

    qint32 updateRecord(int tableId);
    qint32 writeStagedRecord(int tableId, const StagedLine &line);
    // Resolves the mapped positions of the line, pass by pass; look-up
    // failures are thrown as DbError.
    void resolvePasses();
    void resolveEntry(int fieldIndex);
    void checkValues() const;
    ValueTally tallyOf(int tableId, bool withSupplierList) const;
    // The values of every catalogue column of a table, in index order.
    QVariantList rowValues(int tableId) const;
    const RowShape &shapeOf(int tableId);
    // The slot of an entry in its table's row values.
    int slotOf(int fieldId) const;
    void writeCompanions(int tableId, const QList<const StagedLine *> &lines, const QHash<QString, qint64> &ids);

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

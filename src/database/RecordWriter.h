#pragma once

#include "BatchReferences.h"
#include "LineOutcome.h"
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
    QVariantList row;               // the columns of the destination table a line may set
    QVariantList supplierList;      // the SupplierList row of an item; empty: none
    QVariantList receivable;        // the AccountReceivable row of a customer; empty: none
    QVariantList receivableHistory; // and its AccountReceivableHistory row
    ValueTally values;              // the values of these rows read as 0 or empty, or cut to fit
};

// Writes the line last read (fieldMap) as one row of a destination table,
// with its look-ups and companion rows; or updates the existing row by key.
// A line's rows are written in one savepoint of the run's transaction: all
// of them or none. The references a line creates are written before, in
// savepoints of their own, and stay whatever becomes of the line.
//
// Lines can also be written in batches: stageRecord resolves a line into a
// StagedLine, and writeStagedRecords writes many with a few statements.
class RecordWriter
{
public:
    // With strict values, a line whose number or date column gets a text
    // that is none fails (InvalidValue) before any of its look-ups.
    RecordWriter(FieldTable &fields, const RecordReader &reader, TableRecordsets &tables,
                 const RegionalSettings &regional, StrictValues strict);
    // A line whose text would be cut to fit its column fails (TextCut).
    void setCutFails(bool fails) { m_resolver.setCutFails(fails); }

    // Each of these gives what became of the line: a failure of the line
    // alone as a Failed outcome (DuplicateKey when the key is already
    // present), while a failure that ends the run is thrown as DbError.

    // Adds the line last read.
    LineOutcome saveRecord(int tableId);
    // Updates the existing Item or Customer row this line's key names, with
    // only the entries of the table itself; NoUpdateByKey for other tables.
    LineOutcome updateRecord(int tableId);
    // Resolves the line last read (its look-ups write their references now)
    // into the rows it writes: Staged with rows filled in, or Failed.
    LineOutcome stageRecord(int tableId, StagedLine &rows);
    // Writes a staged line on its own, as saveRecord does.
    LineOutcome writeStagedRecord(int tableId, const StagedLine &line);

    // Writes staged lines, whose keys are neither stored nor repeated among
    // them, with as few statements as the backend allows. Throws DbError
    // when a statement fails; the caller rolls back what was written.
    void writeStagedRecords(int tableId, const QList<const StagedLine *> &lines);
    // Whether writeStagedRecords can write lines of this table on this
    // backend (the companions need the new rows' IDs back).
    bool canWriteStagedRecords(int tableId) const;
    // The keys among these that the destination table holds, exactly as
    // the duplicate check compares them (case and trailing blanks count).
    QSet<QString> storedKeys(int tableId, const QStringList &keys);
    // Before the lines of a batch are staged: resolves the references they
    // name with a few statements for the whole batch (see BatchReferences).
    void resolveReferencesAhead(int tableId, const QList<const ReadLine *> &lines);

private:
    FieldTable &m_fields;
    const RecordReader &m_reader;
    TableRecordsets &m_tables;

    // The steps behind the outcomes; a line's failure is thrown as DbError.
    StagedLine stage(int tableId);
    LineOutcome write(int tableId, const StagedLine &line);
    LineOutcome update(int tableId);
    // Resolves the mapped positions of the line, pass by pass; look-up
    // failures are thrown as DbError.
    void resolvePasses();
    void resolveEntry(int fieldIndex);
    void checkValues() const;
    ValueTally tallyOf(int tableId, bool withSupplierList) const;
    // The values of a table's catalogue columns that a line may set: the
    // row a line stages. sharedValues: those of the other columns, which
    // hold the same value all run; the shape has them last.
    QVariantList rowValues(int tableId);
    QVariantList sharedValues(int tableId);
    // The values of the table's arranged entries from one place to another.
    QVariantList entryValues(int tableId, qsizetype from, qsizetype to) const;
    const RowShape &shapeOf(int tableId);
    // The slot of an entry in its table's row values.
    int slotOf(int fieldId);
    // Orders each table's entries for the run: those a line may set first.
    void arrangeForRun();
    void writeCompanions(int tableId, const QList<const StagedLine *> &lines,
                         const QList<std::pair<QVariant, qint64>> &added);

    template<typename Work>
    LineOutcome outcomeOf(Work work);
    void checkKeyGiven(const TableInfo &table) const;

    ReferenceLookups m_lookups;
    ValueResolver m_resolver;
    BatchReferences m_batchReferences;
    // Indices in Fields of each table's entries, in index order until the
    // run's start arranges them; lineEntryCount of them a line may set.
    std::array<QList<int>, LastTableId + 1> m_tableEntries;
    std::array<qsizetype, LastTableId + 1> m_lineEntryCount{};
    // The shared values as the run started, which a debug build checks
    // every line against: a value set by a line must not be among them.
    std::array<QVariantList, LastTableId + 1> m_sharedAtStart;
    // The shape of each table's rows, and the tables' generation it and
    // the arrangement are of.
    std::array<const RowShape *, LastTableId + 1> m_shapes{};
    int m_shapesGeneration = -1;
};

} // namespace vxr

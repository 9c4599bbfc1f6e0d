#include "RecordWriter.h"

#include "QueryHelpers.h"
#include "SqlStatements.h"
#include "Transaction.h"
#include "WrittenPositions.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "catalogue/VariantKinds.h"
#include "text/RecordReader.h"

#include <QVarLengthArray>

#include <algorithm>
#include <exception>

namespace vxr {

namespace {

const TableInfo &destinationTable(int tableId)
{
    switch (tableId) {
    case ItemTable:
    case CustomerTable:
    case SupplierTable:
    case AliasTable:
    case ItemClassTable:
    case ItemClassComponentTable:
    case SecurityTable:
        return *tableInfo(tableId);
    default:
        throw DbError{ErrorNumbers::NoSuchTable,
                      QStringLiteral("Rows cannot be imported into table id %1.").arg(tableId)};
    }
}

QString valueText(const QVariant &value)
{
    return boundText(value.toString());
}

// The line's own rows go in one savepoint: all of them or none.
const QString LineSavepoint = QStringLiteral("vxr_line");

} // namespace

// Rows go through the tables, which hold the run's connection.
RecordWriter::RecordWriter(FieldTable &fields, const RecordReader &reader, TableRecordsets &tables,
                           const RegionalSettings &regional, StrictValues strict)
    : m_fields(fields), m_reader(reader), m_tables(tables), m_lookups(fields, tables, regional),
      m_resolver(fields, m_lookups, regional, strict),
      m_batchReferences(fields, reader, m_lookups, m_resolver, tables, regional)
{
    for (int index = 0; index < fields.fieldCount(); ++index) {
        const int tableId = fields[index].tableId;
        if (tableId >= FirstTableId && tableId <= LastTableId)
            m_tableEntries[tableId].append(index);
    }
}

// The first failure of a line is its result. A failure that ends the run
// (the connection or the store is gone, a cancel request) goes on to the run.
template<typename Work>
LineOutcome RecordWriter::outcomeOf(Work work)
{
    try {
        return work();
    } catch (const DbError &error) {
        if (error.endsRun())
            throw;
        return LineOutcome::failure(error);
    } catch (const std::exception &error) {
        return LineOutcome::failure(ErrorNumbers::StatementFailed, {}, QString::fromLocal8Bit(error.what()));
    }
}

// A line whose key is empty would store a row nobody can find by its key.
void RecordWriter::checkKeyGiven(const TableInfo &table) const
{
    if (table.keyColumn.isEmpty())
        return;
    const QVariant &key = m_fields[table.keyFieldIndex].value;
    if (isNullValue(key) || key.toString().trimmed().isEmpty())
        throw DbError{ErrorNumbers::EmptyKey, QStringLiteral("The line gives no %1.").arg(table.keyColumn)};
}

void RecordWriter::resolveReferencesAhead(int tableId, const QList<const ReadLine *> &lines)
{
    const TableInfo *table = tableInfo(tableId);
    if (!table)
        return;
    m_resolver.setKeyEntry(table->keyColumn.isEmpty() ? 0 : table->keyFieldIndex);
    m_batchReferences.prepare(tableId, lines);
}

LineOutcome RecordWriter::saveRecord(int tableId)
{
    return outcomeOf([&] { return write(tableId, stage(tableId)); });
}

LineOutcome RecordWriter::updateRecord(int tableId)
{
    return outcomeOf([&] { return update(tableId); });
}

LineOutcome RecordWriter::stageRecord(int tableId, StagedLine &rows)
{
    return outcomeOf([&] {
        rows = stage(tableId);
        return LineOutcome::staged();
    });
}

LineOutcome RecordWriter::writeStagedRecord(int tableId, const StagedLine &line)
{
    return outcomeOf([&] { return write(tableId, line); });
}

void RecordWriter::resolvePasses()
{
    // The few mapped positions are found once, then resolved pass by pass.
    QVarLengthArray<const FieldMapEntry *, 32> mapped;
    for (const int position : m_reader.mappedPositions()) {
        if (isWrittenPosition(position))
            mapped.append(&m_reader.fieldMap[position]);
    }
    for (int pass = 1; pass <= 3; ++pass) {
        for (const FieldMapEntry *entry : mapped) {
            if (m_fields[entry->fieldIndex].pass == pass)
                m_resolver.resolveFieldValue(entry->fieldIndex, entry->text);
        }
    }
}

// With strict values, a line with a text that is no value for its column
// fails before any look-up can add a row for it.
void RecordWriter::checkValues() const
{
    for (const int position : m_reader.mappedPositions()) {
        const FieldMapEntry &entry = m_reader.fieldMap[position];
        if (isWrittenPosition(position))
            m_resolver.checkValue(entry.fieldIndex, entry.text);
    }
}

// The notes of the values that go into the rows written: the table's own,
// and the supplier list's when its row is written.
ValueTally RecordWriter::tallyOf(int tableId, bool withSupplierList) const
{
    ValueTally tally;
    for (const ValueNote &note : m_resolver.notes()) {
        const int noteTable = m_fields[note.fieldIndex].tableId;
        if (noteTable == tableId || (withSupplierList && noteTable == SupplierListTable))
            tally.add(note);
    }
    return tally;
}

// Resolves one entry from every position that maps it; the last one wins.
void RecordWriter::resolveEntry(int fieldIndex)
{
    for (int position = FirstWrittenPosition; position <= LastWrittenPosition; ++position) {
        const FieldMapEntry &entry = m_reader.fieldMap[position];
        if (entry.fieldIndex == fieldIndex)
            m_resolver.resolveFieldValue(fieldIndex, entry.text);
    }
}

// Most of a table's columns hold their field's default all run: only the
// entries the file maps change from line to line, and, in the rows that go
// with an item or a customer, the values and IDs set from theirs. A line's
// row holds those; the rest are written from the fields once a batch.
void RecordWriter::arrangeForRun()
{
    if (m_shapesGeneration == m_tables.generation())
        return;
    m_shapes.fill(nullptr);
    m_shapesGeneration = m_tables.generation();
    QSet<int> mapped;
    for (const int position : m_reader.mappedPositions()) {
        if (isWrittenPosition(position))
            mapped.insert(m_reader.fieldMap[position].fieldIndex);
    }
    for (int tableId = FirstTableId; tableId <= LastTableId; ++tableId) {
        QList<int> &entries = m_tableEntries[tableId];
        std::sort(entries.begin(), entries.end());
        const bool companion = tableId == SupplierListTable || tableId == AccountReceivableTable
                || tableId == AccountReceivableHistoryTable;
        const auto shared = std::stable_partition(entries.begin(), entries.end(), [&](int index) {
            return companion || mapped.contains(index);
        });
        m_lineEntryCount[tableId] = shared - entries.begin();
        m_sharedAtStart[tableId] = sharedValues(tableId);
    }
}

QVariantList RecordWriter::rowValues(int tableId)
{
    arrangeForRun();
    return entryValues(tableId, 0, m_lineEntryCount[tableId]);
}

QVariantList RecordWriter::sharedValues(int tableId)
{
    arrangeForRun();
    return entryValues(tableId, m_lineEntryCount[tableId], m_tableEntries[tableId].size());
}

QVariantList RecordWriter::entryValues(int tableId, qsizetype from, qsizetype to) const
{
    QVariantList values;
    values.reserve(to - from);
    for (qsizetype i = from; i < to; ++i)
        values.append(m_fields[m_tableEntries[tableId].at(i)].value);
    return values;
}

int RecordWriter::slotOf(int fieldId)
{
    arrangeForRun();
    const int index = m_fields.findFieldIndex(fieldId);
    return int(m_tableEntries[m_fields[index].tableId].indexOf(index));
}

const RowShape &RecordWriter::shapeOf(int tableId)
{
    arrangeForRun();
    if (!m_shapes[tableId]) {
        QStringList columns;
        for (const int index : m_tableEntries[tableId])
            columns.append(m_fields[index].columnName);
        m_shapes[tableId] = &m_tables.rowShape(tableInfo(tableId)->name, columns);
    }
    return *m_shapes[tableId];
}

StagedLine RecordWriter::stage(int tableId)
{
    // The fields beyond position 100 were not kept; storing the rest of the
    // line would lose them without a trace.
    if (m_reader.lineHasTooManyFields())
        throw DbError{ErrorNumbers::SubscriptOutOfRange,
                      QStringLiteral("The line holds more fields than can be kept.")};
    const TableInfo &table = destinationTable(tableId);

    // Look-ups may add reference rows here, each in a savepoint of its own;
    // they stay whatever follows.
    m_resolver.clearNotes();
    m_resolver.setKeyEntry(table.keyColumn.isEmpty() ? 0 : table.keyFieldIndex);
    checkValues();
    resolvePasses();
    checkKeyGiven(table);

    StagedLine line;
    if (!table.keyColumn.isEmpty())
        line.key = valueText(m_fields[table.keyFieldIndex].value);
    // The columns of the table a line may set; the others are the run's.
    line.row = rowValues(tableId);
    Q_ASSERT(sharedValues(tableId) == m_sharedAtStart[tableId]);
    // An item that names a supplier is linked to it; a customer with a
    // balance gets a receivable for it and its history entry.
    if (tableId == ItemTable && valueIsTrue(m_fields.byId(FieldIds::ItemSupplier).value)) {
        line.supplierList = rowValues(SupplierListTable);
    } else if (tableId == CustomerTable && valueIsTrue(m_fields.byId(FieldIds::CustomerAccountBalance).value)) {
        line.receivable = rowValues(AccountReceivableTable);
        line.receivableHistory = rowValues(AccountReceivableHistoryTable);
    }
    line.values = tallyOf(tableId, !line.supplierList.isEmpty());
    return line;
}

LineOutcome RecordWriter::write(int tableId, const StagedLine &line)
{
    const TableInfo &table = destinationTable(tableId);
    return m_tables.transaction().guarded(LineSavepoint, [&] {
        if (!table.keyColumn.isEmpty()
            && recordExists(m_tables.statements(), table.name, table.keyColumn, QVariant(line.key)))
            return LineOutcome::failure(ErrorNumbers::DuplicateKey);
        const qint64 newId = m_tables.addRow(shapeOf(tableId), line.row + sharedValues(tableId));
        if (!line.supplierList.isEmpty()) {
            QVariantList supplierList = line.supplierList;
            supplierList[slotOf(FieldIds::SupplierListItemID)] = idValue(newId);
            m_tables.addRow(shapeOf(SupplierListTable), supplierList);
        }
        if (!line.receivable.isEmpty()) {
            QVariantList receivable = line.receivable;
            receivable[slotOf(FieldIds::ARCustomerID)] = idValue(newId);
            const qint64 receivableId = m_tables.addRow(shapeOf(AccountReceivableTable), receivable);
            QVariantList history = line.receivableHistory;
            history[slotOf(FieldIds::ARHistoryReceivableID)] = idValue(receivableId);
            m_tables.addRow(shapeOf(AccountReceivableHistoryTable), history);
        }
        return LineOutcome::written(LineOutcome::Kind::Added, line.values);
    });
}

QSet<QString> RecordWriter::storedKeys(int tableId, const QStringList &keys)
{
    const TableInfo &table = destinationTable(tableId);
    QSet<QString> stored;
    if (table.keyColumn.isEmpty() || keys.isEmpty())
        return stored;
    for (const QVariant &value : m_tables.valuesPresent(table.name, table.keyColumn, keys))
        stored.insert(value.toString());
    return stored;
}

LineOutcome RecordWriter::update(int tableId)
{
    if (m_reader.lineHasTooManyFields())
        return LineOutcome::failure(ErrorNumbers::SubscriptOutOfRange);
    if (tableId != ItemTable && tableId != CustomerTable)
        return LineOutcome::failure(ErrorNumbers::NoUpdateByKey);
    const TableInfo &table = *tableInfo(tableId);

    // The key always comes from this line: the save may have failed before
    // it got to the key, which then still held the previous line's value.
    m_resolver.clearNotes();
    m_resolver.setKeyEntry(table.keyFieldIndex);
    checkValues();
    resolveEntry(table.keyFieldIndex);
    checkKeyGiven(table);

    // Only mapped entries of the table itself go into the row; the others
    // (the supplier list columns offered with the items) belong to other
    // rows. A column mapped twice takes the later value.
    ColumnValues values;
    QHash<int, qsizetype> slotOfEntry;
    for (int pass = 1; pass <= 3; ++pass) {
        for (int position = FirstWrittenPosition; position <= LastWrittenPosition; ++position) {
            const int index = m_reader.fieldMap[position].fieldIndex;
            if (index == 0 || m_fields[index].pass != pass)
                continue;
            m_resolver.resolveFieldValue(index, m_reader.fieldMap[position].text);
            const FieldDef &field = m_fields[index];
            if (field.tableId != tableId)
                continue;
            const auto slot = slotOfEntry.constFind(index);
            if (slot == slotOfEntry.constEnd()) {
                slotOfEntry.insert(index, values.size());
                values.append({field.columnName, field.value});
            } else {
                values[*slot].second = field.value;
            }
        }
    }
    return m_tables.transaction().guarded(LineSavepoint, [&] {
        const qint32 id = recordId(m_tables.statements(), table.name, table.keyColumn,
                                      valueText(m_fields[table.keyFieldIndex].value));
        if (id < 1)
            return LineOutcome::failure(ErrorNumbers::NoUpdateByKey);
        m_tables.updateRow(table.name, id, values);
        return LineOutcome::written(LineOutcome::Kind::Updated, tallyOf(tableId, false));
    });
}

} // namespace vxr

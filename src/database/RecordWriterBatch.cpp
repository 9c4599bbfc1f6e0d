// A batch's staged lines written together: their rows in multi-row
// inserts, then the rows that need the new rows' IDs (an item's supplier
// list, a customer's receivable and its history entry).

#include "RecordWriter.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"

namespace vxr {

bool RecordWriter::canWriteStagedRecords(int tableId) const
{
    // Only items and customers have companions that need the new IDs back.
    const bool needsIds = tableId == ItemTable || tableId == CustomerTable;
    return !needsIds || m_tables.canReturnRows();
}

void RecordWriter::writeStagedRecords(int tableId, const QList<const StagedLine *> &lines)
{
    if (lines.isEmpty())
        return;
    // Lines are staged only for a table they can be imported into.
    const TableInfo &table = *tableInfo(tableId);
    QList<QVariantList> rows;
    rows.reserve(lines.size());
    for (const StagedLine *line : lines)
        rows.append(line->row);
    const bool needsIds = tableId == ItemTable || tableId == CustomerTable;
    const QList<std::pair<QVariant, qint64>> added =
            m_tables.addRows(shapeOf(tableId), rows, needsIds ? table.keyColumn : QString(), sharedValues(tableId));
    if (needsIds)
        writeCompanions(tableId, lines, added);
}

void RecordWriter::writeCompanions(int tableId, const QList<const StagedLine *> &lines,
                                   const QList<std::pair<QVariant, qint64>> &added)
{
    // The new rows come back in the lines' order where the backend keeps it
    // (SQLite always), else in no particular order: their keys then tell
    // which line each ID belongs to.
    QHash<QString, qint64> ids;
    const auto idOfLine = [&](qsizetype index) {
        const QString &key = lines.at(index)->key;
        if (index < added.size() && added.at(index).first.toString() == key)
            return added.at(index).second;
        if (ids.isEmpty()) {
            ids.reserve(added.size());
            for (const auto &[addedKey, id] : added)
                ids.insert(addedKey.toString(), id);
        }
        const auto found = ids.constFind(key);
        if (found == ids.constEnd())
            throw DbError{ErrorNumbers::NoCurrentRecord,
                          QStringLiteral("The ID of the new row with the key %1 did not come back.").arg(key)};
        return *found;
    };
    if (tableId == ItemTable) {
        const int itemSlot = slotOf(FieldIds::SupplierListItemID);
        QList<QVariantList> supplierLists;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (lines.at(i)->supplierList.isEmpty())
                continue;
            supplierLists.append(lines.at(i)->supplierList);
            supplierLists.last()[itemSlot] = idValue(idOfLine(i));
        }
        m_tables.addRows(shapeOf(SupplierListTable), supplierLists, QString());
        return;
    }
    // Customers: the receivables, then their history entries, each linked
    // to the receivable of its customer.
    const int customerSlot = slotOf(FieldIds::ARCustomerID);
    QList<QVariantList> receivables;
    QHash<qint64, const StagedLine *> lineOfCustomer;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const StagedLine *line = lines.at(i);
        if (line->receivable.isEmpty())
            continue;
        const qint64 customerId = idOfLine(i);
        receivables.append(line->receivable);
        receivables.last()[customerSlot] = idValue(customerId);
        lineOfCustomer.insert(customerId, line);
    }
    if (receivables.isEmpty())
        return;
    const int receivableSlot = slotOf(FieldIds::ARHistoryReceivableID);
    QList<QVariantList> histories;
    for (const auto &[customer, receivableId] :
         m_tables.addRows(shapeOf(AccountReceivableTable), receivables, m_fields.byId(FieldIds::ARCustomerID).columnName)) {
        const StagedLine *line = lineOfCustomer.value(customer.toLongLong());
        if (!line)
            throw DbError{ErrorNumbers::NoCurrentRecord,
                          QStringLiteral("The receivable of the new customer %1 did not come back.").arg(customer.toString())};
        histories.append(line->receivableHistory);
        histories.last()[receivableSlot] = idValue(receivableId);
    }
    m_tables.addRows(shapeOf(AccountReceivableHistoryTable), histories, QString());
}

} // namespace vxr

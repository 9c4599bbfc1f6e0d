#pragma once

#include "FieldDef.h"

#include <QDateTime>
#include <QHash>
#include <QList>

namespace vxr {

class Reporter;

// FieldIDs that the record writer and value resolution reach by id.
namespace FieldIds {
constexpr int ItemCategory = 106;
constexpr int ItemCost = 112;
constexpr int ItemDepartment = 113;
constexpr int ItemLookupCode = 116;
constexpr int ItemParentItem = 125;
constexpr int ItemSupplier = 142;
constexpr int ItemSalesTax = 147;
constexpr int CustomerAccountNumber = 201;
constexpr int CustomerAccountBalance = 206;
constexpr int SupplierListItemID = 401;
constexpr int SupplierListSupplierID = 402;
constexpr int SupplierListCost = 403;
constexpr int SupplierListMPQ = 410;
constexpr int AliasItemLookupCode = 501;
constexpr int ComponentItemClass = 701;
constexpr int ComponentItem = 702;
constexpr int ARCustomerID = 900;
constexpr int AROriginalAmount = 903;
constexpr int ARBalance = 906;
constexpr int ARHistoryReceivableID = 925;
constexpr int ARHistoryAmount = 928;
} // namespace FieldIds

// The field table `entries`: every importable column of every destination
// table. Entry 0 is "<none>", so field index 0 means "no field". Entries are
// only appended, so an index stays valid for the life of the table.
class FieldTable
{
public:
    FieldTable() = default;

    // Appends one entry; TableName comes from the table id.
    void addField(int tableId, int fieldId, const QString &columnName, const QString &displayName,
                  int pass, const QVariant &defaultValue, Reporter &reporter);

    // Index of the first entry with this FieldID, 0 when there is none.
    int findFieldIndex(int fieldId) const;

    // Every entry's Value becomes a copy of its DefaultValue.
    void resetFieldValues();

    int fieldCount() const { return static_cast<int>(entries.size()); }

    // Indices of the entries offered for a destination table, in index order:
    // pass not 0 and the table's own entries; for Item also the SupplierList ones.
    QList<int> offeredFieldIndices(int tableId) const;

    // Entry access by index and by FieldID (which must exist).
    FieldDef &operator[](int index) { return entries[index]; }
    const FieldDef &operator[](int index) const { return entries[index]; }
    FieldDef &byId(int fieldId) { return entries[findFieldIndex(fieldId)]; }
    const FieldDef &byId(int fieldId) const { return entries[findFieldIndex(fieldId)]; }

    QList<FieldDef> entries;

private:
    QHash<int, int> m_firstIndexOfId; // FieldID -> first index carrying it
public:

    // The whole catalogue: "<none>" and the 166 importable fields, in the fixed
    // order the duplicate check relies on. Date defaults are taken from
    // startup (the moment the catalogue is built).
    static FieldTable buildCatalogue(const QDateTime &startup, Reporter &reporter);
    static FieldTable buildCatalogue();
};

} // namespace vxr

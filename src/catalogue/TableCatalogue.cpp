#include "TableCatalogue.h"

#include "Reporter.h"

namespace vxr {

const QList<TableInfo> &destinationTables()
{
    static const QList<TableInfo> tables = {
        {ItemTable, QStringLiteral("Item"), QStringLiteral("Inventory"), QStringLiteral("ItemLookupCode"), 16, true},
        {CustomerTable, QStringLiteral("Customer"), QStringLiteral("Customers"), QStringLiteral("AccountNumber"), 58, true},
        {SupplierTable, QStringLiteral("Supplier"), QStringLiteral("Suppliers"), QStringLiteral("SupplierName"), 118, false},
        {SupplierListTable, QStringLiteral("SupplierList"), QString(), QString(), 0, false},
        {AliasTable, QStringLiteral("Alias"), QStringLiteral("Aliases"), QStringLiteral("Alias"), 131, false},
        {ItemClassTable, QStringLiteral("ItemClass"), QStringLiteral("Item Class (Matrices)"), QStringLiteral("ItemLookupCode"), 137, false},
        {ItemClassComponentTable, QStringLiteral("ItemClassComponent"), QStringLiteral("Item Class Component (Matrix Cells)"), QString(), 0, false},
        {SecurityTable, QStringLiteral("Security"), QStringLiteral("Security"), QString(), 0, false},
        {AccountReceivableTable, QStringLiteral("AccountReceivable"), QString(), QString(), 0, false},
        {AccountReceivableHistoryTable, QStringLiteral("AccountReceivableHistory"), QString(), QString(), 0, false},
    };
    return tables;
}

const TableInfo *tableInfo(int tableId)
{
    if (tableId < FirstTableId || tableId > LastTableId)
        return nullptr;
    return &destinationTables().at(tableId - FirstTableId);
}

QList<const TableInfo *> offeredTables()
{
    QList<const TableInfo *> offered;
    for (const TableInfo &table : destinationTables()) {
        if (!table.listCaption.isEmpty())
            offered.append(&table);
    }
    return offered;
}

const QStringList &importTableNames()
{
    static const QStringList names = {
        QStringLiteral("Item"), QStringLiteral("Customer"), QStringLiteral("Supplier"),
        QStringLiteral("SupplierList"), DepartmentTableName, CategoryTableName,
        ItemTaxTableName, TaxTableName, QStringLiteral("Alias"), QStringLiteral("ItemClass"),
        QStringLiteral("ItemClassComponent"), QStringLiteral("Security"),
        QStringLiteral("AccountReceivable"), QStringLiteral("AccountReceivableHistory"),
    };
    return names;
}

QVariant tableName(int tableId, Reporter &reporter)
{
    if (tableId == NoTable)
        return QString(QLatin1String(""));
    if (const TableInfo *table = tableInfo(tableId))
        return table->name;
    reporter.message(MessageKind::Exclamation,
                     QStringLiteral("<Definition::GetTableName> Unknown table id '%1'.").arg(tableId));
    return QVariant();
}

} // namespace vxr

#include "UndoPointers.h"

#include "catalogue/TableCatalogue.h"


namespace vxr {

const QList<StorePointer> &storePointers()
{
    const auto p = [](const char *table, const char *column, const QString &target) {
        return StorePointer{QString::fromLatin1(table), QString::fromLatin1(column), target};
    };
    static const QList<StorePointer> pointers = [&] {
        const QString item = QStringLiteral("Item");
        QList<StorePointer> list = {
            p("Item", "DepartmentID", DepartmentTableName),
            p("Item", "CategoryID", CategoryTableName),
            p("Item", "SupplierID", QStringLiteral("Supplier")),
            // The look-up writes a tax's ID here; the tax group made with the
            // tax usually has the same ID, and a reader may take it for that.
            p("Item", "TaxId", TaxTableName),
            p("Item", "TaxId", ItemTaxTableName),
            p("Item", "ParentItem", item),
            p("Item", "TagAlongItem", item),
            p("Category", "DepartmentID", DepartmentTableName),
            p("SupplierList", "ItemID", item),
            p("SupplierList", "SupplierID", QStringLiteral("Supplier")),
            p("Alias", "ItemID", item),
            p("ItemClassComponent", "ItemClassID", QStringLiteral("ItemClass")),
            p("ItemClassComponent", "ItemID", item),
            p("AccountReceivable", "CustomerID", QStringLiteral("Customer")),
            p("AccountReceivableHistory", "AccountReceivableID", QStringLiteral("AccountReceivable")),
        };
        for (int slot = 1; slot <= 10; ++slot)
            list.append({ItemTaxTableName, QStringLiteral("TaxID%1").arg(slot, 2, 10, QLatin1Char('0')), TaxTableName});
        return list;
    }();
    return pointers;
}

const QStringList &idColumnsPointingElsewhere()
{
    static const QStringList columns = {
        QStringLiteral("Item.MessageID"),   QStringLiteral("Item.QuantityDiscountID"),
        QStringLiteral("Customer.PrimaryShipToId"), QStringLiteral("Customer.StoreId"),
        QStringLiteral("Security.StoreID"), QStringLiteral("AccountReceivableHistory.PaymentID"),
        QStringLiteral("AccountReceivableHistory.CashierID"),
    };
    return columns;
}

} // namespace vxr

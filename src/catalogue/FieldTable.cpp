#include "FieldTable.h"

#include "Reporter.h"
#include "TableCatalogue.h"
#include "VariantKinds.h"

namespace vxr {

void FieldTable::addField(int tableId, int fieldId, const QString &columnName,
                          const QString &displayName, int pass, const QVariant &defaultValue,
                          Reporter &reporter)
{
    FieldDef field;
    field.tableName = tableName(tableId, reporter).toString();
    field.tableId = tableId;
    field.displayName = displayName;
    field.columnName = columnName;
    field.fieldId = fieldId;
    field.pass = pass;
    field.defaultValue = defaultValue;
    m_firstIndexOfId.insert(fieldId, m_firstIndexOfId.value(fieldId, fieldCount()));
    entries.append(field);
}

int FieldTable::findFieldIndex(int fieldId) const
{
    return m_firstIndexOfId.value(fieldId, 0);
}

void FieldTable::resetFieldValues()
{
    for (FieldDef &field : entries)
        field.value = field.defaultValue;
}

QList<int> FieldTable::offeredFieldIndices(int tableId) const
{
    QList<int> offered;
    for (int i = 0; i < fieldCount(); ++i) {
        const FieldDef &field = entries.at(i);
        const bool ofTable = field.tableId == tableId
                || (tableId == ItemTable && field.tableId == SupplierListTable);
        if (ofTable && field.pass != 0 && tableId != NoTable)
            offered.append(i);
    }
    return offered;
}

FieldTable FieldTable::buildCatalogue()
{
    SilentReporter silent;
    return buildCatalogue(QDateTime::currentDateTime(), silent);
}

FieldTable FieldTable::buildCatalogue(const QDateTime &startup, Reporter &reporter)
{
    const QDateTime startupDateTime = startup;
    const QDateTime startupDate(startup.date(), QTime(0, 0));
    const auto i16 = [](qint16 v) { return int16Value(v); };
    const auto i32 = [](qint32 v) { return int32Value(v); };
    const QVariant text = QString(QLatin1String(""));

    FieldTable fields;
    const auto add = [&](int table, int id, const char *column, const char *caption, int pass,
                         const QVariant &dflt) {
        fields.addField(table, id, QString::fromLatin1(column), QString::fromLatin1(caption), pass,
                        dflt, reporter);
    };

    add(NoTable, 0, "<none>", "<none>", 0, i16(0));
    add(1, 101, "HQID", "HQID", 2, i16(0)); // 1
    add(1, 102, "BarcodeFormat", "Barcode Format", 2, i16(0)); // 2
    add(1, 103, "BinLocation", "Bin Location", 2, text); // 3
    add(1, 104, "BuydownPrice", "Buydown Price", 2, i16(0)); // 4
    add(1, 105, "BuydownQuantity", "Buydown Quantity", 2, i16(0)); // 5
    add(1, 106, "CategoryID", "Category", 2, i16(0)); // 6
    add(1, 107, "CommissionAmount", "Commission Amount", 0, i16(0)); // 7
    add(1, 108, "CommissionMaximum", "Commission Maximum", 0, i16(0)); // 8
    add(1, 109, "CommissionMode", "Commission Mode", 0, i16(0)); // 9
    add(1, 110, "CommissionPercentProfit", "Commission Percent of Profit", 0, i16(0)); // 10
    add(1, 111, "CommissionPercentSale", "Commission Percent of Sale", 0, i16(0)); // 11
    add(1, 112, "Cost", "Cost", 2, i16(0)); // 12
    add(1, 113, "DepartmentID", "Department", 1, i16(0)); // 13
    add(1, 114, "Description", "Description", 2, text); // 14
    add(1, 115, "FoodStampable", "Food Stampable", 2, i16(0)); // 15
    add(1, 116, "ItemLookupCode", "Item Lookup Code", 2, text); // 16
    add(1, 117, "ItemNotDiscountable", "Item Not Discountable", 2, i16(0)); // 17
    add(1, 118, "ItemType", "Item Type", 1, i16(0)); // 18
    add(1, 119, "LastReceived", "Last Received", 2, i32(1)); // 19
    add(1, 120, "LastSold", "Last Sold", 2, i32(1)); // 20
    add(1, 121, "LastUpdated", "Last Updated", 2, QVariant(startupDateTime)); // 21
    add(1, 122, "MessageID", "Message", 0, i16(0)); // 22
    add(1, 124, "Notes", "Notes", 2, text); // 23
    add(1, 125, "ParentItem", "Parent Item", 3, i16(0)); // 24
    add(1, 126, "ParentQuantity", "Parent Quantity", 2, i16(0)); // 25
    add(1, 127, "Price", "Price", 2, i16(0)); // 26
    add(1, 128, "PriceA", "Price A", 2, i16(0)); // 27
    add(1, 129, "PriceB", "Price B", 2, i16(0)); // 28
    add(1, 130, "PriceC", "Price C", 2, i16(0)); // 29
    add(1, 131, "PriceLowerBound", "Price Lower Bound", 2, i16(0)); // 30
    add(1, 132, "PriceUpperBound", "Price Upper Bound", 2, i16(0)); // 31
    add(1, 133, "PictureName", "Picture Name", 2, text); // 32
    add(1, 134, "Quantity", "Quantity", 2, i16(0)); // 33
    add(1, 135, "QuantityCommitted", "Quantity Committed", 2, i16(0)); // 34
    add(1, 136, "QuantityDiscountID", "Quantity Discount ID", 0, i16(0)); // 35
    add(1, 137, "ReorderPoint", "Reorder Point", 2, i16(0)); // 36
    add(1, 138, "RestockLevel", "Restock Level", 2, i16(0)); // 37
    add(1, 139, "SaleEndDate", "Sale End Date", 2, i32(1)); // 38
    add(1, 140, "SalePrice", "Sale Price", 2, i16(0)); // 39
    add(1, 141, "SaleStartDate", "Sale Start Date", 2, i32(1)); // 40
    add(1, 142, "SupplierID", "Supplier", 1, i16(0)); // 41
    add(1, 143, "TagAlongItem", "Tag Along Item", 0, i16(0)); // 42
    add(1, 144, "TagAlongQuantity", "Tag Along Quantity", 0, i16(0)); // 43
    add(1, 145, "TareWeight", "Tare Weight", 2, i16(0)); // 44
    add(1, 146, "TareWeightPercent", "Tare Weight Percent", 2, i16(0)); // 45
    add(1, 147, "TaxId", "Sales Tax", 2, i16(0)); // 46
    add(1, 149, "ExtendedDescription", "Extended Description", 2, text); // 47
    add(1, 150, "SubDescription1", "Sub Description 1", 2, text); // 48
    add(1, 151, "SubDescription2", "Sub Description 2", 2, text); // 49
    add(1, 152, "SubDescription3", "Sub Description 3", 2, text); // 50
    add(1, 153, "UnitOfMeasure", "Unit of Measure", 2, text); // 51
    add(1, 154, "QuantityEntryNotAllowed", "QuantityEntryNotAllowed", 2, i16(0)); // 52
    add(1, 155, "PriceMustBeEntered", "Price Must Be Entered", 2, i16(0)); // 53
    add(1, 156, "Weight", "Weight", 2, i16(0)); // 54
    add(1, 157, "ReplacementCost", "Replacement Cost", 2, i16(0)); // 55
    add(1, 158, "WebItem", "Web Item", 2, i16(0)); // 56
    add(1, 159, "LastCost", "Last Cost", 2, i16(0)); // 57
    add(2, 201, "AccountNumber", "Account Number", 2, text); // 58
    add(2, 202, "AccountOpened", "Account Opened", 2, QVariant(startupDateTime)); // 59
    add(2, 203, "Address", "Address", 2, text); // 60
    add(2, 204, "Address2", "Address 2", 2, text); // 61
    add(2, 205, "AssessFinanceCharges", "Assess Finance Charges", 2, QVariant(true)); // 62
    add(2, 206, "AccountBalance", "Account Balance", 2, i16(0)); // 63
    add(2, 209, "City", "City", 2, text); // 64
    add(2, 210, "Company", "Company", 2, text); // 65
    add(2, 211, "Country", "Country", 2, text); // 66
    add(2, 212, "CreditLimit", "Credit Limit", 2, i16(0)); // 67
    add(2, 213, "CurrentDiscount", "Current Discount", 2, i16(0)); // 68
    add(2, 214, "CustomDate1", "Custom Date 1", 2, i32(1)); // 69
    add(2, 215, "CustomDate2", "Custom Date 2", 2, i32(1)); // 70
    add(2, 216, "CustomDate3", "Custom Date 3", 2, i32(1)); // 71
    add(2, 217, "CustomDate4", "Custom Date 4", 2, i32(1)); // 72
    add(2, 218, "CustomDate5", "Custom Date 5", 2, i32(1)); // 73
    add(2, 219, "CustomNumber1", "Custom Number 1", 2, i16(0)); // 74
    add(2, 220, "CustomNumber2", "Custom Number 2", 2, i16(0)); // 75
    add(2, 221, "CustomNumber3", "Custom Number 3", 2, i16(0)); // 76
    add(2, 222, "CustomNumber4", "Custom Number 4", 2, i16(0)); // 77
    add(2, 223, "CustomNumber5", "Custom Number 5", 2, i16(0)); // 78
    add(2, 224, "CustomText1", "Custom Text 1", 2, text); // 79
    add(2, 225, "CustomText2", "Custom Text 2", 2, text); // 80
    add(2, 226, "CustomText3", "Custom Text 3", 2, text); // 81
    add(2, 227, "CustomText4", "Custom Text 4", 2, text); // 82
    add(2, 228, "CustomText5", "Custom Text 5", 2, text); // 83
    add(2, 229, "Employee", "Employee", 2, QVariant(false)); // 84
    add(2, 230, "FaxNumber", "Fax Number", 2, text); // 85
    add(2, 231, "FirstName", "First Name", 2, text); // 86
    add(2, 232, "HQID", "HQID", 0, i16(0)); // 87
    add(2, 234, "LastClosingDate", "Last Closing Date", 0, i32(1)); // 88
    add(2, 235, "LastName", "Last Name", 2, text); // 89
    add(2, 236, "LastUpdated", "Last Updated", 2, QVariant(startupDateTime)); // 90
    add(2, 237, "LastVisit", "Last Visit", 2, QVariant(startupDateTime)); // 91
    add(2, 238, "LayawayCustomer", "Layaway Customer", 2, QVariant(false)); // 92
    add(2, 239, "LimitPurchase", "Limit Purchase", 2, QVariant(false)); // 93
    add(2, 240, "Notes", "Notes", 2, text); // 94
    add(2, 241, "PhoneNumber", "Phone Number", 2, text); // 95
    add(2, 243, "Pricelevel", "Price level", 2, i16(0)); // 96
    add(2, 244, "PrimaryShipToId", "Primary Ship To Id", 0, i16(0)); // 97
    add(2, 245, "State", "State", 2, text); // 98
    add(2, 246, "StoreId", "Store ID", 0, i16(0)); // 99
    add(2, 247, "TaxExempt", "Tax Exempt", 2, QVariant(false)); // 100
    add(2, 248, "TotalSales", "Total Sales", 2, i16(0)); // 101
    add(2, 249, "TotalSavings", "Total Savings", 2, i16(0)); // 102
    add(2, 250, "TotalVisits", "Total Visits", 2, i16(0)); // 103
    add(2, 251, "Zip", "Zip", 2, text); // 104
    add(2, 252, "Title", "Title", 2, text); // 105
    add(2, 253, "EmailAddress", "E-Mail Address", 2, text); // 106
    add(2, 254, "TaxNumber", "Tax Number", 2, text); // 107
    add(2, 255, "PictureName", "Picture Name", 2, text); // 108
    add(3, 301, "Address1", "Address 1", 2, text); // 109
    add(3, 302, "Address2", "Address 2", 2, text); // 110
    add(3, 303, "City", "City", 2, text); // 111
    add(3, 304, "ContactName", "Contact Name", 2, text); // 112
    add(3, 305, "Country", "Country", 2, text); // 113
    add(3, 306, "FaxNumber", "Fax Number", 2, text); // 114
    add(3, 307, "HQID", "HQID", 0, i16(0)); // 115
    add(3, 309, "PhoneNumber", "Phone Number", 2, text); // 116
    add(3, 310, "State", "State", 2, text); // 117
    add(3, 311, "SupplierName", "Supplier Name", 2, text); // 118
    add(3, 312, "Zip", "Zip", 2, text); // 119
    add(3, 406, "EMailAddress", "E-Mail Address", 2, text); // 120
    add(3, 407, "WebPageAddress", "Web Page Address", 2, text); // 121
    add(3, 408, "Code", "Code", 2, text); // 122
    add(3, 409, "TaxNumber", "Tax Number", 2, text); // 123
    add(4, 401, "ItemID", "Item ID", 0, i16(0)); // 124
    add(4, 402, "SupplierID", "Supplier ID", 0, i16(0)); // 125
    add(4, 403, "Cost", "Supplier Cost", 2, i16(0)); // 126
    add(4, 404, "ReorderNumber", "Reorder Number", 2, text); // 127
    add(4, 405, "MinimumOrder", "Minimum Order", 2, i16(1)); // 128
    add(4, 410, "MasterPackQuantity", "MPQ", 2, i16(0)); // 129
    add(5, 501, "ItemID", "Item Lookup Code", 1, i16(0)); // 130
    add(5, 502, "Alias", "Alias", 2, text); // 131
    add(6, 601, "Description", "Description", 1, text); // 132
    add(6, 602, "Dimensions", "Dimensions", 1, i16(1)); // 133
    add(6, 603, "Title1", "Title1", 1, text); // 134
    add(6, 604, "Title2", "Title2", 1, text); // 135
    add(6, 605, "Title3", "Title3", 1, text); // 136
    add(6, 607, "ItemLookupCode", "Item Lookup Code", 1, text); // 137
    add(7, 702, "ItemID", "Component Item Lookup Code", 1, i16(0)); // 138
    add(7, 701, "ItemClassID", "Item Class Item Lookup Code", 1, i16(0)); // 139
    add(7, 704, "Detail1", "Detail1", 1, text); // 140
    add(7, 705, "Detail2", "Detail2", 1, text); // 141
    add(7, 706, "Detail3", "Detail3", 1, text); // 142
    add(8, 801, "FormName", "Form Name", 1, text); // 143
    add(8, 802, "ClassName", "Class Name", 1, text); // 144
    add(8, 803, "ControlType", "Control Type", 1, text); // 145
    add(8, 804, "ControlName", "Control Name", 1, text); // 146
    add(8, 805, "ControlIndex", "Control Index", 1, i16(0)); // 147
    add(8, 806, "ReadDisableCode", "Read Disable Code", 1, i16(0)); // 148
    add(8, 807, "ChangeDisableCode", "Change Disable Code", 1, i16(0)); // 149
    add(8, 808, "ColumnTitle", "Column Title", 1, text); // 150
    add(8, 810, "StoreID", "Store ID", 1, i16(0)); // 151
    add(9, 900, "CustomerID", "Customer ID", 0, i16(0)); // 152
    add(9, 901, "Date", "Date", 1, QVariant(startupDate)); // 153
    add(9, 902, "DueDate", "Due Date", 1, QVariant(startupDate)); // 154
    add(9, 903, "OriginalAmount", "Original Amount", 1, i16(0)); // 155
    add(9, 904, "TransactionNumber", "Transaction Number", 1, i16(0)); // 156
    add(9, 905, "Type", "Type", 1, i16(2)); // 157
    add(9, 906, "Balance", "Balance", 1, i16(0)); // 158
    add(10, 925, "AccountReceivableID", "Account Receivable ID", 0, i16(0)); // 159
    add(10, 927, "BatchNumber", "Batch Number", 1, i16(0)); // 160
    add(10, 928, "Amount", "Amount", 1, i16(0)); // 161
    add(10, 930, "PaymentID", "Payment ID", 1, i16(0)); // 162
    add(10, 931, "Comment", "Comment", 1, text); // 163
    add(10, 932, "CashierID", "Cashier ID", 1, i16(0)); // 164
    add(10, 933, "Date", "Date", 1, QVariant(startupDate)); // 165
    add(10, 934, "HistoryType", "HistoryType", 1, i16(5)); // 166
    return fields;
}

} // namespace vxr

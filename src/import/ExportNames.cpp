#include "HeaderGuess.h"

#include <QHash>

namespace vxr {

namespace {

// The names other programs' exports commonly give a field's column, by
// FieldID, separated by '|'. Abbreviations that wordKey writes out ("No.",
// "#", "Qty", "Desc", "Dept", "Acct" ...) need no entries of their own, nor
// do differences of case, spacing and punctuation. Within one destination
// table a name may belong to one field only, and never to another field's
// own caption or column (a test checks both).
struct ExportNames
{
    int fieldId;
    const char16_t *names;
};

constexpr ExportNames Table[] = {
    // Items
    {103, u"Bin|Location|Shelf|Shelf Location"},
    {106, u"Category Name|Product Category|Group|Item Group|Product Group"},
    {112, u"Unit Cost|Cost Price|Purchase Price|Average Cost|Avg Cost|Wholesale Cost|Buy Price"},
    {113, u"Department Name|Dept Name"},
    {114, u"Name|Item Name|Product Name|Item Description|Product Description|Title|Short Description"},
    {115, u"Food Stamp|Food Stamp Eligible|EBT Eligible"},
    {116, u"SKU|UPC|EAN|Barcode|Item Number|Item|Item Code|Product Code|Product Number|Product ID|"
          u"Article Number|Stock Code|PLU|Lookup Code|Code"},
    {119, u"Last Received Date|Date Last Received|Last Receipt"},
    {120, u"Last Sold Date|Date Last Sold|Last Sale"},
    {124, u"Note|Comments|Comment|Remarks|Memo"},
    {127, u"Retail Price|Retail|Sell Price|Selling Price|Unit Price|List Price|Regular Price|MSRP"},
    {133, u"Picture|Image|Image File|Photo"},
    {134, u"On Hand|Qty On Hand|Quantity On Hand|QOH|Stock|In Stock|Stock On Hand|Stock Level|Units On Hand"},
    {137, u"Reorder Level|Min Stock|Minimum Stock|Min Quantity"},
    {138, u"Max Stock|Maximum Stock|Max Quantity|Par Level|Restock To"},
    {139, u"Sale Ends|Sale End|Sale Until|Promo End|Promotion End|Special Ends"},
    {140, u"Promo Price|Promotion Price|Special Price|Offer Price"},
    {141, u"Sale Starts|Sale Start|Sale From|Promo Start|Promotion Start|Special Starts"},
    {142, u"Vendor|Vendor Name|Supplier Name|Primary Vendor|Primary Supplier|Preferred Vendor|Vendor ID|Vendor Number"},
    {147, u"Tax Rate|Tax|Tax Code|Tax Class|Tax Group|VAT|VAT Rate"},
    {149, u"Long Description|Full Description"},
    {153, u"UOM|U/M|Unit|Units|Unit Of Measurement|Sell Unit"},
    {156, u"Wt|Item Weight|Net Weight"},
    {158, u"Online|Sell Online|Show Online"},
    {159, u"Last Purchase Price|Last Cost Price"},
    // Items: their supplier's entry
    {403, u"Vendor Cost|Supplier Price|Vendor Price"},
    {404, u"Vendor Part Number|Supplier Part Number|Vendor Part|Supplier Part|Vendor SKU|Supplier SKU|"
          u"Vendor Item Number|Supplier Item Number|Order Code|Reorder Code|Catalog Number|Catalogue Number"},
    {405, u"Min Order|Minimum Order Quantity|Min Order Quantity|MOQ"},
    {410, u"Case Quantity|Case Pack|Pack Size|Pack Quantity|Master Pack|Units Per Case"},
    // Customers
    {201, u"Customer Number|Customer ID|Customer Code|Customer|Account|Account ID|Account Code|Client Number|"
          u"Client ID|Member Number"},
    {202, u"Customer Since|Date Opened|Opened|Open Date|Date Created|Created"},
    {203, u"Address 1|Address Line 1|Street|Street Address"},
    {204, u"Address Line 2|Street 2"},
    {206, u"Balance|Current Balance|Amount Due|Outstanding|Outstanding Balance|Open Balance"},
    {209, u"Town"},
    {210, u"Company Name|Business Name|Business|Organization|Organisation"},
    {213, u"Discount|Discount Percent"},
    {230, u"Fax"},
    {231, u"First|Given Name|Forename"},
    {235, u"Last|Surname|Family Name"},
    {237, u"Last Purchase|Last Purchase Date"},
    {240, u"Note|Comments|Comment|Remarks|Memo"},
    {241, u"Phone|Telephone|Tel|Home Phone|Mobile|Cell Phone"},
    {245, u"Province|Region|County|State/Province|State Code"},
    {251, u"Zip Code|Postal Code|Postcode|Post Code|ZIP/Postal Code"},
    {252, u"Salutation"},
    {253, u"Email"},
    {254, u"Tax ID|VAT Number|VAT ID"},
    // Suppliers
    {301, u"Address|Address Line 1|Street|Street Address"},
    {302, u"Address Line 2|Street 2"},
    {303, u"Town"},
    {304, u"Contact|Contact Person|Representative"},
    {306, u"Fax"},
    {309, u"Phone|Telephone|Tel"},
    {310, u"Province|Region|County|State/Province"},
    {311, u"Supplier|Vendor|Vendor Name|Name|Company|Company Name"},
    {312, u"Zip Code|Postal Code|Postcode|Post Code"},
    {406, u"Email"},
    {407, u"Website|Web Site|Web Page|URL|Homepage|Web"},
    {408, u"Supplier Code|Vendor Code|Supplier Number|Vendor Number|Supplier ID|Vendor ID"},
    {409, u"Tax ID|VAT Number|VAT ID"},
    // Aliases
    {501, u"SKU|Item Number|Item Code|Item|Product Code"},
    {502, u"Alias Code|Barcode|UPC|EAN|GTIN|Alternate Code|Alternate Lookup Code"},
    // Item classes and their components
    {601, u"Name|Class Name"},
    {607, u"SKU|Class Code|Item Class Code|Item Number"},
    {701, u"Item Class|Class|Class Code|Item Class Code"},
    {702, u"Component|Component SKU|Component Code|Component Item"},
    // Accounts receivable and their history
    {901, u"Invoice Date|Transaction Date|Posted Date"},
    {902, u"Due|Payment Due|Due By"},
    {903, u"Amount|Invoice Amount|Invoice Total|Total"},
    {904, u"Invoice Number|Invoice|Reference|Document Number|Transaction ID"},
    {905, u"Transaction Type"},
    {906, u"Open Balance|Amount Due|Outstanding|Balance Due"},
    {927, u"Batch"},
    {928, u"Payment Amount|Paid|Amount Paid"},
    {930, u"Payment Number|Payment"},
    {931, u"Comments|Memo|Note|Notes|Remarks"},
    {932, u"Cashier|Cashier Number"},
    {933, u"Payment Date|Paid On"},
};

} // namespace

QStringList exportNamesOf(int fieldId)
{
    static const QHash<int, QStringList> byField = [] {
        QHash<int, QStringList> names;
        for (const ExportNames &entry : Table)
            names.insert(entry.fieldId, QString::fromUtf16(entry.names).split(u'|'));
        return names;
    }();
    return byField.value(fieldId);
}

} // namespace vxr

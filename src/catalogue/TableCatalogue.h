#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace vxr {

class Reporter;

// Table ids of the destination tables. 0 means "no table".
enum TableId : int {
    NoTable = 0,
    ItemTable = 1,
    CustomerTable = 2,
    SupplierTable = 3,
    SupplierListTable = 4,
    AliasTable = 5,
    ItemClassTable = 6,
    ItemClassComponentTable = 7,
    SecurityTable = 8,
    AccountReceivableTable = 9,
    AccountReceivableHistoryTable = 10,
};

constexpr int FirstTableId = 1;
constexpr int LastTableId = 10;

// What the program knows about one destination table.
struct TableInfo
{
    int tableId = NoTable;
    QString name;            // the database's table name, used verbatim in SQL
    QString listCaption;     // entry in the destination table list; empty when not offered
    QString keyColumn;       // column of the duplicate check; empty when none
    int keyFieldIndex = 0;   // index in Fields of the key entry; 0 when none
    bool updatable = false;  // an existing row can be updated by its key
};

// The ten destination tables in id order (index 0 is id 1).
const QList<TableInfo> &destinationTables();

// The table with this id, or nullptr for ids outside 1..10.
const TableInfo *tableInfo(int tableId);

// The tables offered in the destination list, in list order.
QList<const TableInfo *> offeredTables();

// The fourteen tables an import writes to, in the order they are opened:
// the destination tables with the four reference tables among them.
const QStringList &importTableNames();

// The four reference tables, which only receive rows that look-ups create.
inline const QString DepartmentTableName = QStringLiteral("Department");
inline const QString CategoryTableName = QStringLiteral("Category");
inline const QString ItemTaxTableName = QStringLiteral("ItemTax");
inline const QString TaxTableName = QStringLiteral("Tax");

// Table name of an id: text for ids 0..10 (empty for 0); for any other id the
// operator is told "<Definition::GetTableName> Unknown table id 'N'." and the
// result is an empty (invalid) variant.
QVariant tableName(int tableId, Reporter &reporter);

} // namespace vxr

#pragma once

#include <QList>
#include <QString>

namespace vxr {

// A column of a store table that holds the ID of a row of another (or the
// same) table. The store declares no foreign keys, so the program keeps
// this list itself: the one place that says which of the fourteen tables it
// writes point at which. Rows of tables the program does not know (sales,
// purchase orders, ...) are not seen.
struct StorePointer
{
    QString table;  // the pointing table
    QString column; // its column holding the ID
    QString target; // the table whose ID it holds
};

// Every pointer between the tables an import writes, in a fixed order.
const QList<StorePointer> &storePointers();

// The column whose ID-like name points nowhere the program knows (a sales
// message, a quantity discount, a cashier, ...): they are left out on
// purpose, and storePointers() with these covers every such column.
const QStringList &idColumnsPointingElsewhere();

} // namespace vxr

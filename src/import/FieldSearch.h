#pragma once

#include <QList>
#include <QString>

namespace vxr {

class FieldTable;

// The offered fields of a table that a typed text finds, and the one it
// picks. A field is found by its caption: the same caption however written
// ("item lookup code", "Qty" for Quantity), a caption that starts with the
// text, one of whose words starts with it, or that holds it; or by the name
// other programs export it under ("vendor" for Supplier, see HeaderGuess.h).
struct FieldSearch
{
    QList<int> found; // FieldIDs, in the order the table offers them
    // The field the text picks: the only one found by the first of these
    // ways that finds any ("price" picks Price, not Buydown Price). 0 when
    // that way finds several, as "pri" finds Price, Price A ... : the
    // operator then chooses.
    int picked = 0;
};

// Every offered field and none picked when the text is empty.
FieldSearch searchFields(const FieldTable &fields, int tableId, const QString &text);

} // namespace vxr

#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vxr {

class FieldTable;

// Guessing a field from the name another program's export gives its column
// ("Item No.", "Retail Price", "Qty On Hand"), for the header line and the
// mapping panel's field search. What the guesses compare are word keys:
// the name's words in lower case, split at punctuation, spaces and
// camelCase, with the usual abbreviations written out ("No", "Nr", "#" ->
// number; "Qty" -> quantity; "Desc" -> description ...) and joined, so
// "Item #", "item_no" and "ItemNumber" all become "itemnumber".
QString wordKey(const QString &name);

// The names other programs commonly export a field under (empty for most
// fields). A table of data, see ExportNames.cpp.
QStringList exportNamesOf(int fieldId);

// The offered fields (FieldIDs) a column name guesses: first those whose own
// caption or column name has the name's word key; when none has, those with
// an export name of that word key. More than one means the guess is
// ambiguous and must not be taken.
QList<int> guessedFieldIds(const FieldTable &fields, const QList<int> &offered, const QString &name);

} // namespace vxr

#include "FieldSearch.h"

#include "HeaderGuess.h"
#include "HeaderLine.h"

#include "catalogue/FieldTable.h"

#include <array>

namespace vxr {

namespace {

// The ways a field can be found, best first.
enum Way { SameName, Prefix, WordPrefix, Within, ExportName, WayCount };

// "lookup" and "lookup code" are found in "Item Lookup Code".
bool hasWordStartingWith(const QString &caption, const QString &key)
{
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const bool wordStart = caption.at(i).isLetterOrNumber() && (i == 0 || !caption.at(i - 1).isLetterOrNumber());
        if (wordStart && matchingKey(caption.mid(i)).startsWith(key))
            return true;
    }
    return false;
}

bool hasExportName(int fieldId, const QString &typedWords)
{
    for (const QString &name : exportNamesOf(fieldId)) {
        if (wordKey(name) == typedWords)
            return true;
    }
    return false;
}

// The best way the text finds the field; WayCount when it does not.
Way wayFound(const FieldDef &field, const QString &key, const QString &typedWords)
{
    const QString caption = matchingKey(field.displayName);
    if (caption == key || matchingKey(field.columnName) == key || wordKey(field.displayName) == typedWords)
        return SameName;
    if (caption.startsWith(key))
        return Prefix;
    if (hasWordStartingWith(field.displayName, key))
        return WordPrefix;
    if (caption.contains(key))
        return Within;
    if (hasExportName(field.fieldId, typedWords))
        return ExportName;
    return WayCount;
}

} // namespace

FieldSearch searchFields(const FieldTable &fields, int tableId, const QString &text)
{
    FieldSearch search;
    const QString key = matchingKey(text);
    const QString typedWords = wordKey(text);
    std::array<QList<int>, WayCount> byWay;
    for (const int index : fields.offeredFieldIndices(tableId)) {
        const FieldDef &field = fields[index];
        const Way way = key.isEmpty() ? Within : wayFound(field, key, typedWords);
        if (way == WayCount)
            continue;
        search.found.append(field.fieldId);
        byWay[way].append(field.fieldId);
    }
    if (key.isEmpty())
        return search;
    for (const QList<int> &ids : byWay) {
        if (!ids.isEmpty()) {
            search.picked = ids.size() == 1 ? ids.first() : 0;
            break;
        }
    }
    return search;
}

} // namespace vxr

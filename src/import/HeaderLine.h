#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace vxr {

class FieldTable;
struct ImportSetup;

// One column name of a header line and what became of it.
struct HeaderColumn
{
    enum class Outcome {
        Mapped,           // its position was free and is now mapped to fieldId
        AlreadyMapped,    // its position was mapped by the operator; left alone
        FieldTaken,       // its field is mapped at another position already
        NoMatch,          // no offered field has this name
        Ambiguous,        // several offered fields have this name
        BeyondMapping,    // its position is past the positions that can be mapped
    };
    int position = 0;
    QString name;
    int fieldId = 0;      // the field the name matches (Mapped, AlreadyMapped, FieldTaken)
    Outcome outcome = Outcome::NoMatch;
};

// A column name reduced to what matching compares: letters and digits only,
// in lower case ("Item Lookup Code", "item_lookup_code" and "ItemLookupCode"
// all become "itemlookupcode").
QString matchingKey(const QString &name);

// The offered field of the table a column name matches: by caption first,
// then by column name, each ignoring case, spaces, underscores and
// punctuation. 0 when none matches; -1 when several do (never guessed).
int matchHeaderName(const FieldTable &fields, int tableId, const QString &name);

// Matches the names of a header line (positions 1 upwards) against the
// set-up's table and maps the matched positions the operator left unmapped.
// Every named column is listed with its outcome.
QList<HeaderColumn> applyHeaderNames(const FieldTable &fields, const QStringList &names, ImportSetup &setup);

// Reads the first line of the set-up's text file as it would be split for the
// import and applies its names as above. Without a value (and with *error)
// when the file cannot be read.
std::optional<QList<HeaderColumn>> applyHeaderLine(const FieldTable &fields, ImportSetup &setup, QString *error);

} // namespace vxr

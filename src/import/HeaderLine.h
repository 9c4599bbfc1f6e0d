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
        Suggested,        // its position is free, and its name is a guess at fieldId (see HeaderGuess.h)
        AlreadyMapped,    // its position was mapped by the operator; left alone
        FieldTaken,       // its field is mapped at another position already
        NoMatch,          // no offered field has this name
        Ambiguous,        // several offered fields have this name
        BeyondMapping,    // its position is past the positions that can be mapped
    };
    int position = 0;
    QString name;
    int fieldId = 0;      // the field the name matches (Mapped, Suggested, AlreadyMapped, FieldTaken)
    Outcome outcome = Outcome::NoMatch;
    bool guessed = false; // the match is a guess, not the field's own name
};

// Whether a header line maps only the names that are a field's own, or the
// guesses too.
enum class HeaderMatching { OwnNames, Guesses };

// A column name reduced to what matching compares: letters and digits only,
// in lower case ("Item Lookup Code", "item_lookup_code" and "ItemLookupCode"
// all become "itemlookupcode").
QString matchingKey(const QString &name);

// The offered field of the table a column name matches: by caption first,
// then by column name, each ignoring case, spaces, underscores and
// punctuation. 0 when none matches; -1 when several do (never guessed).
int matchHeaderName(const FieldTable &fields, int tableId, const QString &name);

// What the names of a header line (positions 1 upwards) match in the
// set-up's table, without changing the set-up. Names that are a field's own
// (matchHeaderName) come first, wherever they stand; each name left is then
// guessed at (guessedFieldIds), and a single guess whose field is still free
// becomes Suggested. No field is matched at two positions; an ambiguous
// name matches none. Every named column is listed with its outcome.
QList<HeaderColumn> matchHeaderNames(const FieldTable &fields, const QStringList &names, const ImportSetup &setup);

// Maps the positions of the columns matched (Mapped, and with Guesses the
// Suggested ones too, which become Mapped), each only while its position is
// unmapped and its field is mapped nowhere; a column that finds either
// taken by now gets AlreadyMapped or FieldTaken instead.
void applyHeaderColumns(QList<HeaderColumn> &columns, ImportSetup &setup, HeaderMatching matching);

// Matches and applies the names of a header line as above.
QList<HeaderColumn> applyHeaderNames(const FieldTable &fields, const QStringList &names, ImportSetup &setup,
                                     HeaderMatching matching = HeaderMatching::OwnNames);

// Reads the first line of the set-up's text file as it would be split for the
// import and applies its names as above. Without a value (and with *error)
// when the file cannot be read.
std::optional<QList<HeaderColumn>> applyHeaderLine(const FieldTable &fields, ImportSetup &setup, QString *error,
                                                   HeaderMatching matching = HeaderMatching::OwnNames);

} // namespace vxr

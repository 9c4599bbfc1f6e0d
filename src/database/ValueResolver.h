#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariant>

#include <algorithm>

namespace vxr {

class FieldTable;
class ReferenceLookups;
struct DbError;
struct RegionalSettings;

// Whether a text that is no value for its column (no number where a number
// is read, no date for a date column) fails its line, or is read as 0 or
// empty (null for a date) and noted.
enum class StrictValues { No, Yes };

// One value of a line that was not taken as its text gave it: the entry it
// went to (and that entry's caption), the text, and what happened to it. The
// strings share the field table's and the line's data: a note costs no copy.
struct ValueNote
{
    enum class Kind {
        ReadAsZero,  // a text with no number, read as 0
        ReadAsEmpty, // a text with no date, read as empty
        Cut,         // a text cut to fit its column (a supplier name too)
        NulLeftOut,  // a NUL left out of a text that was not cut
    };
    int fieldIndex = 0;
    Kind kind = Kind::ReadAsEmpty;
    QString caption;    // the entry's caption
    QString text;       // as the line gave it
    int columnSize = 0; // the characters the column holds, for a text cut

    bool isCut() const { return kind == Kind::Cut || kind == Kind::NulLeftOut; }
};

// The values of a line's rows (or of a batch's) that were not taken as
// their texts gave them. Holds nothing, and allocates nothing, for a line
// whose values were all taken as given.
struct ValueTally
{
    QList<ValueNote> notes;

    qint64 readAsEmpty() const { return notes.size() - cut(); }
    qint64 cut() const { return std::count_if(notes.cbegin(), notes.cend(), [](const ValueNote &n) { return n.isCut(); }); }
    void add(const ValueNote &note) { notes.append(note); }
    bool isEmpty() const { return notes.isEmpty(); }
};

// Turns the text of one mapped position into the value its entry writes:
// reference fields through their look-up, the item cost and the customer
// balance also into their companion entries, everything else by the type of
// its column.
class ValueResolver
{
public:
    // Amounts and dates are read under the regional settings.
    ValueResolver(FieldTable &fields, ReferenceLookups &lookups, const RegionalSettings &regional,
                  StrictValues strict);

    // Sets the Value of the entry at fieldIndex (and of its companions).
    // Failures of a look-up are thrown as DbError, and so is a text that is
    // no value for its column when values are strict (InvalidValue, with the
    // field's caption as its detail). Otherwise such a text, and a text cut
    // to fit, are noted. A NUL is left out of every value: the value is
    // noted as cut, and with strict values it fails as a text that is none.
    void resolveFieldValue(int fieldIndex, const QString &text);

    // With strict values, throws as resolveFieldValue would for a text that
    // is no value for its column, without looking anything up: a line can be
    // refused before its look-ups add rows. Without, it only checks the key.
    // When cuts fail, a text longer than its column fails here too.
    void checkValue(int fieldIndex, const QString &text) const;

    // A text that would be cut to fit its column (a NUL left out included)
    // fails its line (TextCut) instead, before any look-up: see checkValue.
    void setCutFails(bool fails) { m_cutFails = fails; }

    // The values noted since the last clearNotes(), in the order resolved.
    const QList<ValueNote> &notes() const { return m_notes; }
    void clearNotes() { m_notes.clear(); }

    // The entry holding the key of the destination table (0: none). Its text
    // is never cut to fit the column: two keys that differ only beyond the
    // column's length would become one. A key too long fails the line, and
    // so does a key holding a line feed (InvalidValue, its detail the
    // caption and "\n"), strict values or not.
    void setKeyEntry(int fieldIndex) { m_keyEntry = fieldIndex; }

    // The value of a text for a column of this type and size: text cut to
    // maxLength for every text kind (between whole characters), a date-time
    // or null for date columns, otherwise the number the text reads as.
    static QVariant convertByType(const QString &text, int dataType, int maxLength,
                                  const RegionalSettings &regional);

private:
    void resolve(int fieldIndex, const QString &text);
    void setValue(int fieldId, const QVariant &value);
    QVariant lookUp(int fieldIndex, const QString &text);
    QVariant readNumber(int fieldIndex, const QString &text);
    QVariant readDate(int fieldIndex, const QString &text);
    void checkDateRange(int fieldIndex, const QString &text, const QDateTime &date) const;
    QVariant readText(int fieldIndex, const QString &text);
    void checkKeyLength(int fieldIndex, const QString &text) const;
    void checkKeyLineFeed(int fieldIndex, const QString &text) const;
    DbError nulInValue(int fieldIndex, const QString &text) const;
    void noValue(int fieldIndex, const QString &text, ValueNote::Kind kind);
    void note(int fieldIndex, ValueNote::Kind kind, const QString &text, int columnSize = 0);
    void checkCut(int fieldIndex, const QString &text) const;

    FieldTable &m_fields;
    ReferenceLookups &m_lookups;
    const RegionalSettings &m_regional;
    const StrictValues m_strict;
    int m_keyEntry = 0;
    bool m_cutFails = false;
    QList<ValueNote> m_notes;
};

// Whether the entry's text names another row (a department, a supplier, an
// item...), which a look-up turns into its ID.
bool isReferenceField(int fieldId);

// The longest start of text that fits maxLength UTF-16 units and ends
// between two whole characters (never inside a surrogate pair or before a
// combining mark).
QString cutToLength(const QString &text, int maxLength);

} // namespace vxr

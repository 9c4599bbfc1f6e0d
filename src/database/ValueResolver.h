#pragma once

#include <QString>
#include <QVariant>

namespace vxr {

class FieldTable;
class ReferenceLookups;
struct RegionalSettings;

// Turns the text of one mapped position into the value its entry writes:
// reference fields through their look-up, the item cost and the customer
// balance also into their companion entries, everything else by the type of
// its column.
class ValueResolver
{
public:
    // Amounts and dates are read under the regional settings.
    ValueResolver(FieldTable &fields, ReferenceLookups &lookups, const RegionalSettings &regional);

    // Sets the Value of the entry at fieldIndex (and of its companions).
    // Failures of a look-up are thrown as DbError.
    void ResolveFieldValue(int fieldIndex, const QString &text);

    // The entry holding the key of the destination table (0: none). Its text
    // is never cut to fit the column: two keys that differ only beyond the
    // column's length would become one. A key too long fails the line.
    void setKeyEntry(int fieldIndex) { m_keyEntry = fieldIndex; }

    // The value of a text for a column of this type and size: text cut to
    // maxLength for every text kind (between whole characters), a date-time
    // or null for date columns, otherwise the number the text reads as.
    static QVariant convertByType(const QString &text, int dataType, int maxLength,
                                  const RegionalSettings &regional);

private:
    void setValue(int fieldId, const QVariant &value);

    FieldTable &m_fields;
    ReferenceLookups &m_lookups;
    const RegionalSettings &m_regional;
    int m_keyEntry = 0;
};

// The longest start of text that fits maxLength UTF-16 units and ends
// between two whole characters (never inside a surrogate pair or before a
// combining mark).
QString cutToLength(const QString &text, int maxLength);

} // namespace vxr

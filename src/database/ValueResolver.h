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

    // The value of a text for a column of this type and size: text cut to
    // maxLength for every text kind, a date-time or null for date columns,
    // otherwise the number the text reads as.
    static QVariant convertByType(const QString &text, int dataType, int maxLength,
                                  const RegionalSettings &regional);

private:
    void setValue(int fieldId, const QVariant &value);

    FieldTable &m_fields;
    ReferenceLookups &m_lookups;
    const RegionalSettings &m_regional;
};

} // namespace vxr

#include "ValueResolver.h"

#include "ColumnKinds.h"
#include "ReferenceLookups.h"

#include "DbError.h"

#include "catalogue/FieldTable.h"
#include "catalogue/VariantKinds.h"
#include "text/DateText.h"
#include "text/NumericText.h"

#include <QTextBoundaryFinder>

namespace vxr {

ValueResolver::ValueResolver(FieldTable &fields, ReferenceLookups &lookups,
                             const RegionalSettings &regional)
    : m_fields(fields), m_lookups(lookups), m_regional(regional)
{
}

void ValueResolver::setValue(int fieldId, const QVariant &value)
{
    const int index = m_fields.FindFieldIndex(fieldId);
    if (index != 0)
        m_fields[index].Value = value;
}

void ValueResolver::ResolveFieldValue(int fieldIndex, const QString &text)
{
    if (fieldIndex <= 0 || fieldIndex >= m_fields.FieldCount())
        return;
    FieldDef &field = m_fields[fieldIndex];

    // Companion entries are written before the entry itself.
    switch (field.FieldID) {
    case FieldIds::ItemCategory:
        field.Value = m_lookups.GetCategoryID(text);
        return;
    case FieldIds::ItemCost: {
        const QVariant cost = TextToNumber(text, m_regional);
        setValue(FieldIds::SupplierListCost, cost);
        field.Value = cost;
        return;
    }
    case FieldIds::ItemDepartment:
        field.Value = m_lookups.GetDepartmentID(text);
        return;
    case FieldIds::ItemParentItem:
    case FieldIds::AliasItemLookupCode:
    case FieldIds::ComponentItem:
        field.Value = m_lookups.GetItemID(text);
        return;
    case FieldIds::ItemSupplier: {
        const QVariant supplier = m_lookups.GetSupplierID(text);
        setValue(FieldIds::SupplierListSupplierID, supplier);
        field.Value = supplier;
        return;
    }
    case FieldIds::ItemSalesTax:
        field.Value = m_lookups.GetTaxID(text);
        return;
    case FieldIds::CustomerAccountBalance: {
        const QVariant balance = TextToNumber(text, m_regional);
        setValue(FieldIds::ARBalance, balance);
        setValue(FieldIds::AROriginalAmount, balance);
        setValue(FieldIds::ARHistoryAmount, balance);
        field.Value = balance;
        return;
    }
    case FieldIds::ComponentItemClass:
        field.Value = m_lookups.GetItemClassID(text);
        return;
    default:
        if (fieldIndex == m_keyEntry && isTextType(field.DataType) && field.MaxLength > 0
            && text.size() > field.MaxLength)
            throw DbError{ErrorNumbers::ValueOutOfRange,
                          QStringLiteral("The key \"%1\" is longer than the %2 characters of the column %3.")
                                  .arg(text)
                                  .arg(field.MaxLength)
                                  .arg(field.ColumnName)};
        field.Value = convertByType(text, field.DataType, field.MaxLength, m_regional);
        return;
    }
}

QVariant ValueResolver::convertByType(const QString &text, int dataType, int maxLength,
                                      const RegionalSettings &regional)
{
    if (isTextType(dataType)) {
        // A size that was never read (or a column without one) cuts nothing.
        const QString value = maxLength > 0 ? cutToLength(text, maxLength) : text;
        return value.isNull() ? QString(QLatin1String("")) : value;
    }
    if (isDateType(dataType)) {
        if (const std::optional<QDateTime> date = TextToDate(text, regional.Locale))
            return *date;
        return nullValue();
    }
    return TextToNumber(text, regional);
}

} // namespace vxr

namespace vxr {

QString cutToLength(const QString &text, int maxLength)
{
    if (text.size() <= maxLength)
        return text;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    characters.setPosition(maxLength);
    if (!characters.isAtBoundary())
        characters.toPreviousBoundary();
    return text.left(qMax<qsizetype>(characters.position(), 0));
}

} // namespace vxr

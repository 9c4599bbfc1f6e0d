#include "ValueResolver.h"

#include "ColumnKinds.h"
#include "ColumnTypes.h"
#include "ReferenceLookups.h"

#include "DbError.h"

#include "catalogue/FieldTable.h"
#include "catalogue/VariantKinds.h"
#include "text/DateText.h"
#include "text/NumericText.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace vxr {

namespace {

// How the text of an entry becomes its value: the reference fields name
// another row, the item cost and the customer balance are amounts whatever
// their column, every other entry is read by the type of its column.
enum class Reading { Reference, Number, Date, Text };

Reading readingOf(const FieldDef &field)
{
    if (isReferenceField(field.fieldId))
        return Reading::Reference;
    switch (field.fieldId) {
    case FieldIds::ItemCost:
    case FieldIds::CustomerAccountBalance:
        return Reading::Number;
    default:
        break;
    }
    if (isTextType(field.dataType))
        return Reading::Text;
    if (isDateType(field.dataType))
        return Reading::Date;
    return Reading::Number;
}

// A blank text gives no value at all (0, empty or null, as always); only a
// text that says something can be a wrong value.
bool isBlank(const QString &text)
{
    return text.trimmed().isEmpty();
}

constexpr QChar Nul = QChar(0);
constexpr QChar LineFeed = QChar(u'\n');

// A text as a message can show it: its NULs and line feeds written out.
QString shown(QString text)
{
    return text.replace(Nul, QLatin1String("\\0")).replace(LineFeed, QLatin1String("\\n"));
}

DbError badValue(const FieldDef &field, const QString &text, const QString &what, const QString &detail)
{
    DbError error{ErrorNumbers::InvalidValue,
                  QStringLiteral("The %1 \"%2\" %3.").arg(field.displayName, shown(text), what)};
    error.detail = detail;
    error.field = field.displayName;
    error.value = text;
    return error;
}

DbError invalidValue(const FieldDef &field, const QString &text, Reading reading)
{
    return badValue(field, text,
                    reading == Reading::Date ? QStringLiteral("is not a date") : QStringLiteral("is not a number"),
                    field.displayName);
}

} // namespace

bool isReferenceField(int fieldId)
{
    switch (fieldId) {
    case FieldIds::ItemCategory:
    case FieldIds::ItemDepartment:
    case FieldIds::ItemParentItem:
    case FieldIds::ItemSupplier:
    case FieldIds::ItemSalesTax:
    case FieldIds::AliasItemLookupCode:
    case FieldIds::ComponentItemClass:
    case FieldIds::ComponentItem:
        return true;
    default:
        return false;
    }
}

ValueResolver::ValueResolver(FieldTable &fields, ReferenceLookups &lookups,
                             const RegionalSettings &regional, StrictValues strict)
    : m_fields(fields), m_lookups(lookups), m_regional(regional), m_strict(strict)
{
}

void ValueResolver::setValue(int fieldId, const QVariant &value)
{
    const int index = m_fields.findFieldIndex(fieldId);
    if (index != 0)
        m_fields[index].value = value;
}

void ValueResolver::resolveFieldValue(int fieldIndex, const QString &text)
{
    if (fieldIndex <= 0 || fieldIndex >= m_fields.fieldCount())
        return;
    if (!text.contains(Nul)) {
        resolve(fieldIndex, text);
        return;
    }
    // A NUL is no character of any value: it is left out, and the value
    // counts as cut (once, whatever else cut it).
    if (m_strict == StrictValues::Yes)
        throw nulInValue(fieldIndex, text);
    const qsizetype notesBefore = m_notes.size();
    resolve(fieldIndex, QString(text).remove(Nul));
    const auto cut = std::find_if(m_notes.begin() + notesBefore, m_notes.end(),
                                  [](const ValueNote &note) { return note.kind == ValueNote::Kind::Cut; });
    if (cut != m_notes.end())
        cut->text = text;
    else
        note(fieldIndex, ValueNote::Kind::NulLeftOut, text);
}

void ValueResolver::resolve(int fieldIndex, const QString &text)
{
    FieldDef &field = m_fields[fieldIndex];
    if (fieldIndex == m_keyEntry)
        checkKeyLineFeed(fieldIndex, text);

    switch (readingOf(field)) {
    case Reading::Reference:
        field.value = lookUp(fieldIndex, text);
        return;
    case Reading::Number: {
        const QVariant number = readNumber(fieldIndex, text);
        // Companion entries are written before the entry itself.
        if (field.fieldId == FieldIds::ItemCost) {
            setValue(FieldIds::SupplierListCost, number);
        } else if (field.fieldId == FieldIds::CustomerAccountBalance) {
            setValue(FieldIds::ARBalance, number);
            setValue(FieldIds::AROriginalAmount, number);
            setValue(FieldIds::ARHistoryAmount, number);
        }
        field.value = number;
        return;
    }
    case Reading::Date:
        field.value = readDate(fieldIndex, text);
        return;
    case Reading::Text:
        checkKeyLength(fieldIndex, text);
        field.value = readText(fieldIndex, text);
        return;
    }
}

void ValueResolver::checkValue(int fieldIndex, const QString &text) const
{
    if (fieldIndex <= 0 || fieldIndex >= m_fields.fieldCount())
        return;
    if (fieldIndex == m_keyEntry)
        checkKeyLineFeed(fieldIndex, text);
    if (m_cutFails)
        checkCut(fieldIndex, text);
    if (m_strict == StrictValues::No || isBlank(text))
        return;
    if (text.contains(Nul))
        throw nulInValue(fieldIndex, text);
    const FieldDef &field = m_fields[fieldIndex];
    const Reading reading = readingOf(field);
    if (reading == Reading::Number && !ReadNumber(text, m_regional))
        throw invalidValue(field, text, reading);
    if (reading == Reading::Date && !TextToDate(text, m_regional.locale))
        throw invalidValue(field, text, reading);
}

// The ID the reference names; the supplier also into the supplier list.
QVariant ValueResolver::lookUp(int fieldIndex, const QString &text)
{
    switch (m_fields[fieldIndex].fieldId) {
    case FieldIds::ItemCategory:
        return m_lookups.categoryId(text);
    case FieldIds::ItemDepartment:
        return m_lookups.departmentId(text);
    case FieldIds::ItemSupplier: {
        bool nameCut = false;
        const QVariant supplier = m_lookups.supplierId(text, &nameCut);
        if (nameCut)
            note(fieldIndex, ValueNote::Kind::Cut, text, ReferenceLookups::SupplierNameLength);
        setValue(FieldIds::SupplierListSupplierID, supplier);
        return supplier;
    }
    case FieldIds::ItemSalesTax:
        return m_lookups.taxId(text);
    case FieldIds::ComponentItemClass:
        return m_lookups.itemClassId(text);
    default: // the parent item, the alias's item, the component's item
        return m_lookups.itemId(text);
    }
}

QVariant ValueResolver::readNumber(int fieldIndex, const QString &text)
{
    const std::optional<double> number = ReadNumber(text, m_regional);
    if (!number && !isBlank(text))
        noValue(fieldIndex, text, ValueNote::Kind::ReadAsZero);
    return number.value_or(0.0);
}

QVariant ValueResolver::readDate(int fieldIndex, const QString &text)
{
    if (const std::optional<QDateTime> date = TextToDate(text, m_regional.locale)) {
        checkDateRange(fieldIndex, text, *date);
        return *date;
    }
    if (!isBlank(text))
        noValue(fieldIndex, text, ValueNote::Kind::ReadAsEmpty);
    return nullValue();
}

// A date its column cannot hold fails the line here, as the database would.
void ValueResolver::checkDateRange(int fieldIndex, const QString &text, const QDateTime &date) const
{
    const FieldDef &field = m_fields[fieldIndex];
    const std::optional<DateRange> range = dateRange(field.dataType, field.maxLength);
    if (!range || (date >= range->first && date <= range->last))
        return;
    throw DbError{ErrorNumbers::ValueOutOfRange,
                  QStringLiteral("The %1 \"%2\" is outside the dates the column %3 holds (%4 to %5).")
                          .arg(field.displayName, text, field.columnName, range->first.date().toString(Qt::ISODate),
                               range->last.date().toString(Qt::ISODate))};
}

QVariant ValueResolver::readText(int fieldIndex, const QString &text)
{
    const FieldDef &field = m_fields[fieldIndex];
    const QVariant value = convertByType(text, field.dataType, field.maxLength, m_regional);
    if (value.toString().size() < text.size())
        note(fieldIndex, ValueNote::Kind::Cut, text, field.maxLength);
    return value;
}

// A text that is no value for its column: the line fails with strict values;
// otherwise the text is read as 0 or empty, as it always was, and noted.
void ValueResolver::noValue(int fieldIndex, const QString &text, ValueNote::Kind kind)
{
    const FieldDef &field = m_fields[fieldIndex];
    if (m_strict == StrictValues::Yes)
        throw invalidValue(field, text, readingOf(field));
    note(fieldIndex, kind, text);
}

void ValueResolver::note(int fieldIndex, ValueNote::Kind kind, const QString &text, int columnSize)
{
    m_notes.append({fieldIndex, kind, m_fields[fieldIndex].displayName, text, columnSize});
}

// A text its column would cut, or one with a NUL left out of it, fails the
// line when cuts fail. The key is never cut: checkKeyLength fails it first.
void ValueResolver::checkCut(int fieldIndex, const QString &text) const
{
    const FieldDef &field = m_fields[fieldIndex];
    const Reading reading = readingOf(field);
    int size = 0;
    if (field.fieldId == FieldIds::ItemSupplier)
        size = ReferenceLookups::SupplierNameLength;
    else if (reading == Reading::Text && fieldIndex != m_keyEntry)
        size = field.maxLength;
    const bool nul = text.contains(Nul);
    const QString kept = nul ? QString(text).remove(Nul) : text;
    if (!nul && (size <= 0 || kept.size() <= size))
        return;
    DbError error{ErrorNumbers::TextCut,
                  nul ? QStringLiteral("The %1 \"%2\" holds a NUL character.").arg(field.displayName, shown(text))
                      : QStringLiteral("The %1 \"%2\" is longer than the %3 characters of its column.")
                                .arg(field.displayName, shown(text))
                                .arg(size)};
    error.field = field.displayName;
    error.value = text;
    throw error;
}

DbError ValueResolver::nulInValue(int fieldIndex, const QString &text) const
{
    const FieldDef &field = m_fields[fieldIndex];
    return badValue(field, text, QStringLiteral("holds a NUL character"), field.displayName);
}

// A key with a line break in it is a line cut in the wrong place, or a key
// nobody can type: the line fails, with the line feed in its marker, since
// the line as logged shows it only as a break.
void ValueResolver::checkKeyLineFeed(int fieldIndex, const QString &text) const
{
    const FieldDef &field = m_fields[fieldIndex];
    if (text.contains(LineFeed))
        throw badValue(field, text, QStringLiteral("holds a line feed"), field.displayName + QStringLiteral(" \\n"));
}

void ValueResolver::checkKeyLength(int fieldIndex, const QString &text) const
{
    const FieldDef &field = m_fields[fieldIndex];
    if (fieldIndex != m_keyEntry || field.maxLength <= 0 || text.size() <= field.maxLength)
        return;
    DbError error{ErrorNumbers::ValueOutOfRange,
                  QStringLiteral("The key \"%1\" is longer than the %2 characters of the column %3.")
                          .arg(text)
                          .arg(field.maxLength)
                          .arg(field.columnName)};
    error.field = field.displayName;
    error.value = text;
    throw error;
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
        if (const std::optional<QDateTime> date = TextToDate(text, regional.locale))
            return *date;
        return nullValue();
    }
    return textToNumber(text, regional);
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

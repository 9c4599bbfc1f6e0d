#include "BatchReferences.h"

#include "ColumnKinds.h"
#include "ColumnTypes.h"
#include "DbError.h"
#include "ReferenceLookups.h"
#include "SqlStatements.h"
#include "ValueResolver.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "catalogue/VariantKinds.h"
#include "text/DateText.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

#include <QSet>

#include <optional>

namespace vxr {

namespace {

// The positions a line is resolved from, as RecordWriter reads them.
constexpr int FirstPosition = 1;
constexpr int LastPosition = 99;
constexpr int LastReferencePass = 2; // the parent item (pass 3) adds nothing

using Kind = BatchReferences::Kind;

// What an entry of an item line can do before the line's later look-ups:
// look up a reference, or fail the line (a key too long, a date its column
// cannot hold). Every other entry passes once the line's values are checked.
struct Step
{
    enum class What { Reference, Key, Date } what = What::Reference;
    int position = 0;
    int fieldIndex = 0;
    Kind kind = Kind::Department;
};

std::optional<Kind> referenceKind(int fieldId)
{
    switch (fieldId) {
    case FieldIds::ItemDepartment:
        return Kind::Department;
    case FieldIds::ItemSupplier:
        return Kind::Supplier;
    case FieldIds::ItemSalesTax:
        return Kind::Tax;
    case FieldIds::ItemCategory:
        return Kind::Category;
    default:
        return std::nullopt;
    }
}

// A date as the resolver reads it: by its column's type, unless the entry
// is read as an amount.
bool readsAsDate(const FieldDef &field)
{
    return field.fieldId != FieldIds::ItemCost && !isTextType(field.dataType) && isDateType(field.dataType);
}

QString withoutNul(const QString &text)
{
    return text.contains(QChar(0)) ? QString(text).remove(QChar(0)) : text;
}

bool blank(const QString &text)
{
    return text.trimmed().isEmpty();
}

} // namespace

// What is known of a line at a point of its resolution.
struct BatchReferences::LineState
{
    const ReadLine *line = nullptr;
    bool reaches = true;        // no failure before this point is possible
    bool doubtful = false;      // a failure before this point is possible, not sure
    bool departmentKnown = true;
    qint32 departmentId = 0;    // the line's Department value, for its category
};

BatchReferences::BatchReferences(FieldTable &fields, const RecordReader &reader, ReferenceLookups &lookups,
                                 const ValueResolver &resolver, TableRecordsets &tables,
                                 const RegionalSettings &regional)
    : m_fields(fields), m_reader(reader), m_lookups(lookups), m_resolver(resolver), m_tables(tables),
      m_regional(regional)
{
}

void BatchReferences::prepare(int tableId, const QList<const ReadLine *> &lines)
{
    if (tableId != ItemTable || lines.isEmpty())
        return;
    const int keyFieldIndex = tableInfo(ItemTable)->keyFieldIndex;
    QList<Step> steps;
    QSet<Kind> mapped;
    for (int pass = 1; pass <= LastReferencePass; ++pass) {
        for (int position = FirstPosition; position <= LastPosition; ++position) {
            const int index = m_reader.fieldMap[position].fieldIndex;
            if (index == 0 || m_fields[index].pass != pass)
                continue;
            const FieldDef &field = m_fields[index];
            if (const std::optional<Kind> kind = referenceKind(field.fieldId)) {
                // A kind read from two positions is looked up twice a line,
                // in an order no batch keeps: its lines do it.
                if (mapped.contains(*kind))
                    return;
                mapped.insert(*kind);
                steps.append({Step::What::Reference, position, index, *kind});
            } else if (index == keyFieldIndex) {
                steps.append({Step::What::Key, position, index, {}});
            } else if (readsAsDate(field)) {
                steps.append({Step::What::Date, position, index, {}});
            }
        }
    }
    if (mapped.isEmpty())
        return;

    // Without a Department entry, each line's category is in the department
    // the entry holds from before the batch: no line changes it.
    const qint32 carried = valueToInt32(m_fields.byId(FieldIds::ItemDepartment).value);
    QList<LineState> states;
    states.reserve(lines.size());
    for (const ReadLine *line : lines) {
        LineState state;
        state.line = line;
        state.departmentId = carried;
        state.reaches = !line->tooManyFields;
        for (int position = FirstPosition; position <= LastPosition && state.reaches; ++position) {
            const int index = m_reader.fieldMap[position].fieldIndex;
            if (index == 0)
                continue;
            try {
                m_resolver.checkValue(index, line->texts[position]);
            } catch (const DbError &) {
                state.reaches = false; // refused before any look-up
            }
            state.doubtful = state.doubtful || line->texts[position].contains(QChar(0));
        }
        states.append(state);
    }

    for (const Step &step : std::as_const(steps)) {
        const FieldDef &field = m_fields[step.fieldIndex];
        for (LineState &state : states) {
            if (!state.reaches || step.what == Step::What::Reference)
                continue;
            const QString text = withoutNul(state.line->texts[step.position]);
            if (step.what == Step::What::Key) {
                state.reaches = field.maxLength <= 0 || text.size() <= field.maxLength;
            } else if (const std::optional<QDateTime> date = TextToDate(text, m_regional.locale)) {
                const std::optional<DateRange> range = dateRange(field.dataType, field.maxLength);
                state.reaches = !range || (*date >= range->first && *date <= range->last);
            }
        }
        if (step.what == Step::What::Reference) {
            // Each line's need is made once: resolving the kind changes
            // nothing it is made from.
            const QList<std::optional<Need>> lineNeeds = needsAt(step.kind, step.position, states);
            QList<Need> needs;
            needs.reserve(lineNeeds.size());
            for (const std::optional<Need> &need : lineNeeds) {
                if (need)
                    needs.append(*need);
            }
            resolve(step.kind, needs);
            settle(step.kind, lineNeeds, states);
        }
    }
}

// The name a line gives at a position, as its look-up keys it; nothing for
// a blank one (no reference).
std::optional<BatchReferences::Need> BatchReferences::needOf(Kind kind, const QString &rawText,
                                                             const LineState &state) const
{
    const QString raw = withoutNul(rawText);
    Need need;
    need.doubtful = state.doubtful;
    if (kind == Kind::Supplier) {
        if (blank(raw))
            return std::nullopt;
        need.name = boundText(cutToLength(raw, ReferenceLookups::SupplierNameLength));
        need.text = need.name;
        need.fullText = raw;
        return need;
    }
    const QString text = boundText(raw);
    if (blank(text))
        return std::nullopt;
    need.text = text;
    need.name = text;
    if (kind == Kind::Tax) {
        need.fullText = text;
        need.text = QStringLiteral("Tax ") + text;
    } else if (kind == Kind::Category) {
        // A category in a department not known yet cannot be asked for.
        need.departmentId = state.departmentId;
        need.name = state.departmentKnown ? ReferenceLookups::categoryName(text, state.departmentId) : QString();
    }
    return need;
}

QList<std::optional<BatchReferences::Need>> BatchReferences::needsAt(Kind kind, int position,
                                                                    const QList<LineState> &states) const
{
    QList<std::optional<Need>> needs;
    needs.reserve(states.size());
    for (const LineState &state : states)
        needs.append(state.reaches ? needOf(kind, state.line->texts[position], state) : std::nullopt);
    return needs;
}

// After a kind's look-ups: a line whose name is still unknown may fail on
// it (its look-up adds it, which may fail), and its category's department
// is unknown.
void BatchReferences::settle(Kind kind, const QList<std::optional<Need>> &needs, QList<LineState> &states) const
{
    for (qsizetype i = 0; i < states.size(); ++i) {
        LineState &state = states[i];
        if (!state.reaches)
            continue;
        const std::optional<Need> &need = needs.at(i);
        std::optional<QVariant> id;
        if (need && !need->name.isEmpty())
            id = m_lookups.known(char(kind), need->name);
        if (need && !id)
            state.doubtful = true;
        if (kind == Kind::Department) {
            state.departmentKnown = !need || id.has_value();
            state.departmentId = id ? valueToInt32(*id) : 0;
        }
    }
}

} // namespace vxr

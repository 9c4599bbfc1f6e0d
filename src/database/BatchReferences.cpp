#include "BatchReferences.h"

#include "ColumnKinds.h"
#include "ColumnTypes.h"
#include "DbError.h"
#include "ReferenceLookups.h"
#include "SqlStatements.h"
#include "ValueResolver.h"
#include "WrittenPositions.h"

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

// A line's text as a string that borrows its characters: only for calls
// that keep nothing of it.
QString borrowedText(const ReadLine &line, int position)
{
    const QStringView text = line.text(position);
    return QString::fromRawData(text.data(), text.size());
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
        for (int position = FirstWrittenPosition; position <= LastWrittenPosition; ++position) {
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
        for (const int position : m_reader.mappedPositions()) {
            if (!state.reaches)
                break;
            if (!isWrittenPosition(position))
                continue;
            const int index = m_reader.fieldMap[position].fieldIndex;
            try {
                m_resolver.checkValue(index, borrowedText(*line, position));
            } catch (const DbError &) {
                state.reaches = false; // refused before any look-up
            }
        }
        // The line keeps the texts of mapped positions only, one after the
        // other.
        const qsizetype read =
                line->lastSet > LastWrittenPosition ? line->textEnds[LastWrittenPosition] : line->texts.size();
        state.doubtful = QStringView(line->texts).first(read).contains(QChar(0));
        states.append(state);
    }

    for (const Step &step : std::as_const(steps)) {
        const FieldDef &field = m_fields[step.fieldIndex];
        for (LineState &state : states) {
            if (!state.reaches || step.what == Step::What::Reference)
                continue;
            const QStringView text = state.line->text(step.position);
            if (step.what == Step::What::Key) {
                // Its length as stored: without its NULs.
                state.reaches = field.maxLength <= 0 || text.size() - text.count(QChar(0)) <= field.maxLength;
            } else if (const std::optional<QDateTime> date =
                               TextToDate(withoutNul(text.toString()), m_regional.locale)) {
                const std::optional<DateRange> range = dateRange(field.dataType, field.maxLength);
                state.reaches = !range || (*date >= range->first && *date <= range->last);
            }
        }
        if (step.what == Step::What::Reference) {
            // Each line's need is made once: resolving the kind changes
            // nothing it is made from.
            const LineNeeds needs = needsAt(step.kind, step.position, states);
            resolve(step.kind, needs.distinct);
            settle(step.kind, needs, states);
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

namespace {

// What a line's need at a position is made from.
struct NeedSource
{
    QStringView text;
    qint32 departmentId = 0;
    bool departmentKnown = true;
    bool doubtful = false;
    friend bool operator==(const NeedSource &a, const NeedSource &b)
    {
        return a.departmentId == b.departmentId && a.departmentKnown == b.departmentKnown
                && a.doubtful == b.doubtful && a.text == b.text;
    }
    friend size_t qHash(const NeedSource &source, size_t seed)
    {
        return qHashMulti(seed, source.text, source.departmentId, source.departmentKnown, source.doubtful);
    }
};

} // namespace

// Lines of a batch name the same few references: each different name is
// made into its need once.
BatchReferences::LineNeeds BatchReferences::needsAt(Kind kind, int position, const QList<LineState> &states) const
{
    LineNeeds needs;
    needs.ofLine.reserve(states.size());
    QHash<NeedSource, qsizetype> made;
    for (const LineState &state : states) {
        if (!state.reaches) {
            needs.ofLine.append(-1);
            continue;
        }
        const bool category = kind == Kind::Category;
        const NeedSource source{state.line->text(position), category ? state.departmentId : 0,
                                category ? state.departmentKnown : true, state.doubtful};
        const auto found = made.constFind(source);
        if (found != made.constEnd()) {
            needs.ofLine.append(*found);
            continue;
        }
        qsizetype index = -1;
        if (std::optional<Need> need = needOf(kind, source.text.toString(), state)) {
            index = needs.distinct.size();
            needs.distinct.append(std::move(*need));
        }
        made.insert(source, index);
        needs.ofLine.append(index);
    }
    return needs;
}

// After a kind's look-ups: a line whose name is still unknown may fail on
// it (its look-up adds it, which may fail), and its category's department
// is unknown.
void BatchReferences::settle(Kind kind, const LineNeeds &needs, QList<LineState> &states) const
{
    // The ID of each different name, when known: for a department, as the
    // category's department.
    QList<std::optional<qint32>> ids;
    ids.reserve(needs.distinct.size());
    for (const Need &need : needs.distinct) {
        std::optional<QVariant> id;
        if (!need.name.isEmpty())
            id = m_lookups.known(char(kind), need.name);
        ids.append(id ? std::optional<qint32>(kind == Kind::Department ? valueToInt32(*id) : 0) : std::nullopt);
    }
    for (qsizetype i = 0; i < states.size(); ++i) {
        LineState &state = states[i];
        if (!state.reaches)
            continue;
        const qsizetype index = needs.ofLine.at(i);
        const std::optional<qint32> id = index >= 0 ? ids.at(index) : std::nullopt;
        if (index >= 0 && !id)
            state.doubtful = true;
        if (kind == Kind::Department) {
            state.departmentKnown = index < 0 || id.has_value();
            state.departmentId = id.value_or(0);
        }
    }
}

} // namespace vxr

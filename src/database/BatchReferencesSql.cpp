#include "BatchReferences.h"

#include "DbError.h"
#include "QueryHelpers.h"
#include "ReferenceLookups.h"
#include "SqlDialect.h"
#include "SqlStatements.h"
#include "TableRecordsets.h"
#include "Transaction.h"

#include "catalogue/TableCatalogue.h"

#include <algorithm>

namespace vxr {

namespace {

using Kind = BatchReferences::Kind;

const QString LookUpSavepoint = QStringLiteral("vxr_lookup");
const QString AddSavepoint = QStringLiteral("vxr_reference");
const QString SupplierTableName = QStringLiteral("Supplier");

// Where a kind's names are stored.
struct Place
{
    QString table;
    QString column;
};

Place placeOf(Kind kind)
{
    switch (kind) {
    case Kind::Department:
        return {DepartmentTableName, QStringLiteral("Name")};
    case Kind::Supplier:
        return {SupplierTableName, QStringLiteral("SupplierName")};
    case Kind::Tax:
        return {TaxTableName, QStringLiteral("Description")};
    case Kind::Category:
        break;
    }
    return {CategoryTableName, QStringLiteral("Name")};
}

// Oldest first, as the one-name look-ups order them.
QString lookUpSql(Kind kind, int count)
{
    const Place place = placeOf(kind);
    QStringList marks(count, QStringLiteral("?"));
    return QStringLiteral("SELECT %1, ID%2 FROM %3 WHERE %1 IN (%4) ORDER BY ID")
            .arg(place.column, kind == Kind::Category ? QStringLiteral(", DepartmentID") : QString(), place.table,
                 marks.join(QStringLiteral(", ")));
}

// A name as a store comparing without regard to case and trailing blanks
// may take it; a category's within its department.
QString folded(const QString &text, Kind kind, qint32 departmentId)
{
    QString fold = text;
    while (fold.endsWith(u' '))
        fold.chop(1);
    fold = fold.toCaseFolded();
    if (kind == Kind::Category)
        fold += QLatin1Char('\x1f') + QString::number(departmentId);
    return fold;
}

struct StoredRow
{
    QVariant name;
    qint64 id = 0;
    qint32 departmentId = 0;
};

// Adds the rows and gives back each new row's ID by its value of column.
QHash<QString, qint64> addReturning(TableRecordsets &tables, const QString &table, const QList<ColumnValues> &rows,
                                    const QString &column)
{
    QStringList names;
    for (const auto &pair : rows.constFirst())
        names.append(pair.first);
    QList<QVariantList> values;
    values.reserve(rows.size());
    for (const ColumnValues &row : rows) {
        QVariantList list;
        list.reserve(row.size());
        for (const auto &pair : row)
            list.append(pair.second);
        values.append(std::move(list));
    }
    QHash<QString, qint64> ids;
    for (const auto &[value, id] : tables.addRows(tables.rowShape(table, names), values, column))
        ids.insert(value.toString(), id);
    return ids;
}

qint64 idOf(const QHash<QString, qint64> &ids, const QString &text, const QString &table)
{
    const auto found = ids.constFind(text);
    if (found == ids.constEnd())
        throw DbError{ErrorNumbers::NoCurrentRecord,
                      QStringLiteral("The row added to %1 for \"%2\" did not come back.").arg(table, text)};
    return *found;
}

} // namespace

void BatchReferences::resolve(Kind kind, const QList<Need> &needs)
{
    if (needs.isEmpty())
        return;
    QList<Need> planned;
    try {
        QSet<QString> unclear = lookUp(kind, needs);
        planned = plan(kind, needs, unclear);
        if (planned.isEmpty() || !m_tables.canReturnRows())
            return;
        // Another run may have added some of them while the lock was not ours.
        if (m_lookups.lockForAdding()) {
            unclear.unite(lookUp(kind, planned));
            planned = plan(kind, needs, unclear);
            if (planned.isEmpty())
                return;
        }
        m_tables.transaction().guarded(AddSavepoint, [&] { add(kind, planned); });
    } catch (const DbError &error) {
        // Whatever failed here fails again for the lines that need it, each
        // with its own error, as they look the names up one by one. A name
        // not added is left to its lines for the rest of the run: each tries
        // it, as it would alone.
        if (error.endsRun())
            throw;
        for (const Need &need : std::as_const(planned)) {
            if (!m_lookups.known(char(kind), need.name))
                m_refused.insert(QLatin1Char(char(kind)) + need.name);
        }
    }
}

// Looks up the names not known yet with one statement (a few for very many
// names). The names stored exactly so, first as the store orders rows, are
// known from then on; those a store may take for another name (stored in
// other case or with other trailing blanks, or where the store matched a
// row to none of the names as folding compares them) come back unclear.
QSet<QString> BatchReferences::lookUp(Kind kind, const QList<Need> &needs)
{
    QList<const Need *> open;
    QSet<QString> openNames;
    QStringList texts;
    QSet<QString> asked;
    QSet<QString> askedFolds;
    for (const Need &need : needs) {
        if (need.name.isEmpty() || openNames.contains(need.name) || m_lookups.known(char(kind), need.name))
            continue;
        openNames.insert(need.name);
        open.append(&need);
        if (!asked.contains(need.text)) {
            asked.insert(need.text);
            texts.append(need.text);
            askedFolds.insert(folded(need.text, Kind::Department, 0));
        }
    }
    if (open.isEmpty())
        return {};

    SqlStatements &sql = m_tables.statements();
    const int most = qMax(1, sql.sqlDialect().maxParameters() - 10);
    QList<StoredRow> rows;
    const auto query = [&] {
        for (qsizetype first = 0; first < texts.size(); first += most) {
            const qsizetype count = qMin<qsizetype>(most, texts.size() - first);
            const int places = placesFor(count, most);
            QVariantList bound;
            bound.reserve(places);
            for (int i = 0; i < places; ++i)
                bound.append(texts.at(first + qMin<qsizetype>(i, count - 1)));
            PreparedStatement &statement = sql.run(lookUpSql(kind, places), bound);
            const ResultRelease release(statement);
            while (statement.next())
                rows.append({statement.value(0), statement.value(1).toLongLong(),
                             kind == Kind::Category ? statement.value(2).toInt() : 0});
        }
    };
    if (sql.sqlDialect().failedStatementAbortsTransaction())
        m_tables.transaction().guarded(LookUpSavepoint, query);
    else
        query();

    // Oldest first within each name as the store may compare it.
    std::stable_sort(rows.begin(), rows.end(), [](const StoredRow &a, const StoredRow &b) { return a.id < b.id; });
    QHash<QString, const StoredRow *> firstRow;
    bool loose = false;
    for (const StoredRow &row : std::as_const(rows)) {
        const QString name = row.name.toString();
        loose = loose || !askedFolds.contains(folded(name, Kind::Department, 0));
        const QString fold = folded(name, kind, row.departmentId);
        if (!firstRow.contains(fold))
            firstRow.insert(fold, &row);
    }
    QSet<QString> unclear;
    for (const Need *need : std::as_const(open)) {
        const StoredRow *row = firstRow.value(folded(need->text, kind, need->departmentId));
        if (row && storedValueEquals(row->name, need->text))
            m_lookups.remember(char(kind), need->name, idValue(row->id));
        else if (row || loose)
            unclear.insert(need->name);
    }
    return unclear;
}

// The new names that can be added ahead: in the order their lines need
// them, up to the first that cannot (see the class).
QList<BatchReferences::Need> BatchReferences::plan(Kind kind, const QList<Need> &needs,
                                                   const QSet<QString> &unclear) const
{
    QList<Need> planned;
    QSet<QString> names;
    QSet<QString> folds;
    for (const Need &need : needs) {
        if (names.contains(need.name) || (!need.name.isEmpty() && m_lookups.known(char(kind), need.name)))
            continue;
        if (need.name.isEmpty() || need.doubtful || unclear.contains(need.name) || !fits(kind, need)
            || m_refused.contains(QLatin1Char(char(kind)) + need.name))
            break;
        // Two new names alike but for case: whether they are one is the
        // store's to say, and a line's to ask.
        const QString fold = folded(need.text, kind, need.departmentId);
        if (folds.contains(fold))
            break;
        names.insert(need.name);
        folds.insert(fold);
        planned.append(need);
    }
    return planned;
}

// A name longer than its column fails its line's add: left to that line.
bool BatchReferences::fits(Kind kind, const Need &need) const
{
    const Place place = placeOf(kind);
    const int size = m_tables.columnSize(place.table, place.column);
    return size <= 0 || need.text.size() <= size;
}

void BatchReferences::add(Kind kind, const QList<Need> &planned)
{
    const Place place = placeOf(kind);
    QList<std::pair<QString, QVariant>> learned;
    if (kind == Kind::Category) {
        // The returned rows are told apart by name: a name new in two
        // departments goes in a later statement, in the same order.
        for (qsizetype first = 0; first < planned.size();) {
            QSet<QString> texts;
            QList<ColumnValues> rows;
            qsizetype next = first;
            for (; next < planned.size() && !texts.contains(planned.at(next).text); ++next) {
                texts.insert(planned.at(next).text);
                rows.append(ReferenceLookups::categoryRow(planned.at(next).text, planned.at(next).departmentId));
            }
            const QHash<QString, qint64> ids = addReturning(m_tables, place.table, rows, place.column);
            for (qsizetype i = first; i < next; ++i)
                learned.append({planned.at(i).name, idValue(idOf(ids, planned.at(i).text, place.table))});
            first = next;
        }
    } else {
        QList<ColumnValues> rows;
        for (const Need &need : planned) {
            rows.append(kind == Kind::Department ? ReferenceLookups::departmentRow(need.text)
                                : kind == Kind::Supplier ? ReferenceLookups::supplierRow(need.text, need.fullText)
                                                         : m_lookups.taxRow(need.fullText));
        }
        const QHash<QString, qint64> ids = addReturning(m_tables, place.table, rows, place.column);
        QList<ColumnValues> groups;
        for (const Need &need : planned) {
            const qint64 id = idOf(ids, need.text, place.table);
            learned.append({need.name, idValue(id)});
            if (kind == Kind::Tax) // each tax with its tax group, in the same order
                groups.append(ReferenceLookups::itemTaxRow(need.fullText, id));
        }
        if (!groups.isEmpty())
            addReturning(m_tables, ItemTaxTableName, groups, {});
    }
    for (const auto &[name, id] : std::as_const(learned))
        m_lookups.remember(char(kind), name, id);
}

QStringList batchLookUpStatementTexts()
{
    return {lookUpSql(Kind::Department, 3), lookUpSql(Kind::Supplier, 3), lookUpSql(Kind::Tax, 3),
            lookUpSql(Kind::Category, 3)};
}

} // namespace vxr

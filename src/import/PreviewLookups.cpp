#include "PreviewLookups.h"

#include "PreviewTexts.h"

#include "catalogue/FieldTable.h"
#include "catalogue/VariantKinds.h"
#include "database/DbError.h"
#include "database/QueryHelpers.h"
#include "database/ReferenceLookups.h"
#include "database/SqlStatements.h"
#include "database/ValueResolver.h"

namespace vxr {

namespace {

QString byCodeQuery(const QString &table)
{
    return QStringLiteral("SELECT ItemLookupCode, ID FROM %1 WHERE ItemLookupCode = ? ORDER BY ID").arg(table);
}

PreviewCell foundCell(const QVariant &id, const QString &name)
{
    return {QStringLiteral("%1 (%2)").arg(id.toString(), name), CellMark::None, {}};
}

PreviewCell newCell(const QString &table, const QString &name)
{
    return {QStringLiteral("%1 (new)").arg(name), CellMark::None, previewTexts::newReference(table)};
}

} // namespace

PreviewLookups::Found PreviewLookups::cached(const QString &key, const QString &sql, const QVariantList &parameters)
{
    if (const auto known = m_cache.constFind(key); known != m_cache.constEnd())
        return *known;
    const Found row = LookUpQueries::firstRow(m_sql, sql, parameters);
    m_cache.insert(key, row);
    return row;
}

PreviewCell PreviewLookups::look(int fieldId, const QString &text, const QVariant &departmentId, QVariant *id)
{
    *id = int32Value(0);
    if (text.trimmed().isEmpty())
        return {};
    const QString name = boundText(text);
    switch (fieldId) {
    case FieldIds::ItemDepartment:
        return byName(QStringLiteral("Department"), LookUpQueries::department(), name, id);
    case FieldIds::ItemCategory:
        return category(name, departmentId, id);
    case FieldIds::ItemSupplier: {
        const QString cutName = boundText(cutToLength(name, ReferenceLookups::SupplierNameLength));
        PreviewCell cell = byName(QStringLiteral("Supplier"), LookUpQueries::supplier(), cutName, id);
        if (cutName.size() < name.size()) {
            ValueNote note;
            note.kind = ValueNote::Kind::Cut;
            note.columnSize = ReferenceLookups::SupplierNameLength;
            cell.mark = CellMark::Changed;
            cell.problem = previewTexts::changed(note)
                + (cell.problem.isEmpty() ? QString() : QLatin1Char('\n') + cell.problem);
        }
        return cell;
    }
    case FieldIds::ItemSalesTax:
        return byName(QStringLiteral("Tax"), LookUpQueries::tax(), QStringLiteral("Tax ") + name, id);
    case FieldIds::ComponentItemClass:
        return byCode(QStringLiteral("ItemClass"), name, id);
    default: // the parent item, the alias's item, the component's item
        return byCode(QStringLiteral("Item"), name, id);
    }
}

// A name found is that row (a store comparing without regard to case finds
// it too, as the run's add would); a missing one is added by the run.
PreviewCell PreviewLookups::byName(const QString &table, const QString &sql, const QString &name, QVariant *id)
{
    const Found row = cached(table + QLatin1Char('\x1f') + name, sql, {name});
    if (!row.found || isNullValue(row.id)) {
        *id = QVariant();
        return newCell(table, name);
    }
    *id = idValue(row.id.toLongLong());
    return foundCell(*id, name);
}

// A new department has no categories yet: its category is new too.
PreviewCell PreviewLookups::category(const QString &name, const QVariant &departmentId, QVariant *id)
{
    if (!departmentId.isValid()) {
        *id = QVariant();
        return newCell(QStringLiteral("Category"), name);
    }
    const qint32 department = valueToInt32(departmentId);
    const QString key = QStringLiteral("Category\x1f%1\x1f").arg(department) + name;
    const Found row = cached(key, LookUpQueries::category(), {name, department});
    if (!row.found || isNullValue(row.id)) {
        *id = QVariant();
        return newCell(QStringLiteral("Category"), name);
    }
    *id = idValue(row.id.toLongLong());
    return foundCell(*id, name);
}

PreviewCell PreviewLookups::byCode(const QString &table, const QString &code, QVariant *id)
{
    const Found row = cached(table + QStringLiteral("\x1f\x1f") + code, byCodeQuery(table), {code});
    if (!row.found || isNullValue(row.id)) {
        *id = QVariant();
        return {code, CellMark::Fails, previewTexts::noSuchCode(table, code)};
    }
    if (!storedValueEquals(row.name, code)) {
        *id = int16Value(0);
        return {QStringLiteral("0"), CellMark::Changed, previewTexts::codeDiffers(table, code)};
    }
    *id = idValue(row.id.toLongLong());
    return foundCell(*id, code);
}

} // namespace vxr

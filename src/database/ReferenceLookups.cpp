#include "ReferenceLookups.h"

#include "QueryHelpers.h"
#include "SqlStatements.h"
#include "TableRecordsets.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "catalogue/VariantKinds.h"
#include "text/NumericText.h"

#include <QSqlQuery>

#include <functional>
#include <limits>
#include <optional>

namespace vxr {

namespace {

// The first row of a look-up: its first two columns (the name compared and
// the ID), or nothing when the query selected no row.
struct FirstRow
{
    bool found = false;
    QVariant name;
    QVariant id;
};

FirstRow firstRow(SqlStatements &sql, const QString &text, const QVariantList &parameters,
                  int nameColumn = 0, int idColumn = 1)
{
    QSqlQuery &query = sql.run(text, parameters);
    const ResultRelease release(query);
    FirstRow row;
    if (query.next()) {
        row.found = true;
        row.name = query.value(nameColumn);
        row.id = query.value(idColumn);
    }
    return row;
}

QVariant idOf(const QVariant &stored)
{
    if (isEmptyValue(stored) || isNullValue(stored))
        return emptyValue();
    return idValue(stored.toLongLong());
}

QVariant emptyText()
{
    return QString(QLatin1String(""));
}

const QString DepartmentQuery = QStringLiteral("SELECT Name, ID FROM Department WHERE Name = ?");
const QString CategoryQuery = QStringLiteral(
        "SELECT Name, ID, DepartmentID FROM Category WHERE Name = ? AND DepartmentID = ?");
const QString SupplierQuery =
        QStringLiteral("SELECT SupplierName, ID FROM Supplier WHERE SupplierName = ?");
const QString TaxQuery = QStringLiteral("SELECT Description, ID FROM Tax WHERE Description = ?");

} // namespace

QVariant idValue(qint64 id)
{
    if (id >= std::numeric_limits<qint32>::min() && id <= std::numeric_limits<qint32>::max())
        return int32Value(static_cast<qint32>(id));
    return QVariant::fromValue<qint64>(id);
}

ReferenceLookups::ReferenceLookups(FieldTable &fields, TableRecordsets &tables,
                                   const RegionalSettings &regional)
    : m_fields(fields), m_tables(tables), m_regional(regional)
{
}

// Department, supplier and tax: the row whose stored name equals name
// exactly, else a new one made by add. Only the first query's failure is
// thrown; after it a failure only means that no ID can be given (empty).
// When the first query selected no row at all, the new row's ID comes from
// the insert: the repeated query could then only select that row. When it
// selected a row that differs in case (a database comparing without regard
// to case), the query is repeated and its first row decides, as the database
// orders it. A refused add is no failure of its own: the repeated query then
// finds what is there, or nothing.
QVariant ReferenceLookups::findOrAdd(const QString &query, const QString &name,
                                     const std::function<qint64()> &add)
{
    SqlStatements &sql = m_tables.statements();
    const FirstRow first = firstRow(sql, query, {name});
    try {
        if (first.found && storedValueEquals(first.name, name))
            return idOf(first.id);
        std::optional<qint64> added;
        try {
            added = add();
        } catch (const DbError &) {
        }
        if (added && !first.found)
            return idValue(*added);
        return idOf(firstRow(sql, query, {name}).id);
    } catch (const DbError &) {
        return emptyValue();
    }
}

QVariant ReferenceLookups::GetDepartmentID(const QString &name)
{
    const QString text = boundText(name);
    return findOrAdd(DepartmentQuery, text, [&] {
        return m_tables.addRow(DepartmentTableName, {{QStringLiteral("HQID"), int16Value(0)},
                                                     {QStringLiteral("Name"), text},
                                                     {QStringLiteral("Code"), text.left(CodeLength)}});
    });
}

QVariant ReferenceLookups::GetCategoryID(const QString &name)
{
    SqlStatements &sql = m_tables.statements();
    const QString text = boundText(name);
    const qint32 departmentId = valueToInt32(m_fields.byId(FieldIds::ItemDepartment).Value);
    // Whatever the database's comparison selects is this category; the name
    // is not compared again.
    const FirstRow first = firstRow(sql, CategoryQuery, {text, departmentId}, 0, 1);
    if (first.found)
        return idOf(first.id);
    const qint64 added = m_tables.addRow(CategoryTableName,
                                         {{QStringLiteral("HQID"), int16Value(0)},
                                          {QStringLiteral("DepartmentID"), int32Value(departmentId)},
                                          {QStringLiteral("Name"), text},
                                          {QStringLiteral("Code"), text.left(CodeLength)}});
    return idValue(added);
}

QVariant ReferenceLookups::GetSupplierID(const QString &fullText)
{
    // A new supplier keeps only the first 30 characters of its name, so both
    // queries ask for those: a long name then finds the supplier it created.
    const QString name = boundText(fullText.left(SupplierNameLength));
    return findOrAdd(SupplierQuery, name, [&] {
        const QVariant blank = emptyText();
        return m_tables.addRow(QStringLiteral("Supplier"),
                               {{QStringLiteral("HQID"), int16Value(0)},
                                {QStringLiteral("SupplierName"), name},
                                {QStringLiteral("Code"), boundText(fullText.left(CodeLength))},
                                {QStringLiteral("ContactName"), blank},
                                {QStringLiteral("Address1"), blank},
                                {QStringLiteral("Address2"), blank},
                                {QStringLiteral("City"), blank},
                                {QStringLiteral("State"), blank},
                                {QStringLiteral("Zip"), blank},
                                {QStringLiteral("PhoneNumber"), blank},
                                {QStringLiteral("FaxNumber"), blank},
                                {QStringLiteral("Country"), blank}});
    });
}

QVariant ReferenceLookups::GetTaxID(const QString &taxText)
{
    const QString text = boundText(taxText);
    return findOrAdd(TaxQuery, QStringLiteral("Tax ") + text, [&] {
        const qint64 taxId = addTax(text);
        // The new tax gets a tax group of its own, with the tax in its first
        // slot; a group the database refuses leaves the tax as it is.
        try {
            addItemTaxGroup(text, taxId);
        } catch (const DbError &) {
        }
        return taxId;
    });
}

qint64 ReferenceLookups::addTax(const QString &text)
{
    ColumnValues tax = {{QStringLiteral("HQID"), int16Value(0)},
                        {QStringLiteral("Code"), text.left(CodeLength)},
                        {QStringLiteral("Description"), QStringLiteral("Tax ") + text},
                        {QStringLiteral("Percentage"), TextToNumber(text, m_regional)},
                        {QStringLiteral("UsePartialDollar"), false},
                        {QStringLiteral("ItemMaximum"), int16Value(0)},
                        {QStringLiteral("IncludePreviousTax"), false},
                        {QStringLiteral("FixedAmount"), int16Value(0)}};
    for (int bracket = 0; bracket <= 10; ++bracket)
        tax.append({QStringLiteral("Bracket%1").arg(bracket, 2, 10, QLatin1Char('0')), int16Value(0)});
    return m_tables.addRow(TaxTableName, tax);
}

void ReferenceLookups::addItemTaxGroup(const QString &text, qint64 taxId)
{
    ColumnValues group = {{QStringLiteral("HQID"), int16Value(0)},
                          {QStringLiteral("Code"), text.left(CodeLength)},
                          {QStringLiteral("Description"), text.left(ItemTaxDescriptionLength)},
                          {QStringLiteral("TaxID01"), idValue(taxId)},
                          {QStringLiteral("ShowOnReceipt01"), false}};
    for (int slot = 2; slot <= 10; ++slot) {
        const QString number = QStringLiteral("%1").arg(slot, 2, 10, QLatin1Char('0'));
        group.append({QStringLiteral("TaxID") + number, int16Value(0)});
        group.append({QStringLiteral("ShowOnReceipt") + number, false});
    }
    m_tables.addRow(ItemTaxTableName, group);
}

QVariant ReferenceLookups::lookUpByCode(const QString &table, const QString &code)
{
    const QString text = boundText(code);
    QSqlQuery &query = m_tables.statements().run(
            QStringLiteral("SELECT ID, ItemLookupCode FROM %1 WHERE ItemLookupCode = ?").arg(table),
            {text});
    const ResultRelease release(query);
    if (!query.next())
        throw noCurrentRecord();
    if (!storedValueEquals(query.value(1), text))
        return int16Value(0);
    return idOf(query.value(0));
}

QVariant ReferenceLookups::GetItemID(const QString &code)
{
    return lookUpByCode(QStringLiteral("Item"), code);
}

QVariant ReferenceLookups::GetItemClassID(const QString &code)
{
    return lookUpByCode(QStringLiteral("ItemClass"), code);
}

} // namespace vxr

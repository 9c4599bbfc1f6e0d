#include "ReferenceLookups.h"

#include "BatchReferences.h"
#include "QueryHelpers.h"
#include "SqlDialect.h"
#include "SqlStatements.h"
#include "TableRecordsets.h"
#include "Transaction.h"
#include "ValueResolver.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "catalogue/VariantKinds.h"
#include "text/NumericText.h"

#include <QSqlQuery>

#include <charconv>
#include <iterator>
#include <limits>

namespace vxr {

namespace {

using FirstRow = LookUpQueries::Row;

FirstRow firstRow(SqlStatements &sql, const QString &text, const QVariantList &parameters)
{
    return LookUpQueries::firstRow(sql, text, parameters);
}

// The ID a look-up read; a row without one is no row.
QVariant idOf(const QVariant &stored)
{
    if (isEmptyValue(stored) || isNullValue(stored))
        throw noCurrentRecord();
    return idValue(stored.toLongLong());
}

QVariant emptyText()
{
    return QString(QLatin1String(""));
}

// No reference: the ID written for a blank name.
QVariant noReference()
{
    return int32Value(0);
}

// Where several rows match (a store comparing without regard to case, with
// no unique index), the first is the oldest, as a table clustered on its ID
// gives it: without the order a server gives its rows as they lie, which an
// update or a vacuum changes.
const QString DepartmentQuery = QStringLiteral("SELECT Name, ID FROM Department WHERE Name = ? ORDER BY ID");
const QString CategoryQuery = QStringLiteral(
        "SELECT Name, ID, DepartmentID FROM Category WHERE Name = ? AND DepartmentID = ? ORDER BY ID");
const QString SupplierQuery =
        QStringLiteral("SELECT SupplierName, ID FROM Supplier WHERE SupplierName = ? ORDER BY ID");
const QString TaxQuery = QStringLiteral("SELECT Description, ID FROM Tax WHERE Description = ? ORDER BY ID");

QString byCodeQuery(const QString &table)
{
    return QStringLiteral("SELECT ID, ItemLookupCode FROM %1 WHERE ItemLookupCode = ? ORDER BY ID").arg(table);
}

const QString ItemTableName = QStringLiteral("Item");
const QString ItemClassTableName = QStringLiteral("ItemClass");

const QString LookUpSavepoint = QStringLiteral("vxr_lookup");
const QString AddSavepoint = QStringLiteral("vxr_reference");

} // namespace

QVariant idValue(qint64 id)
{
    if (id >= std::numeric_limits<qint32>::min() && id <= std::numeric_limits<qint32>::max())
        return int32Value(static_cast<qint32>(id));
    return QVariant::fromValue<qint64>(id);
}

ReferenceLookups::ReferenceLookups(FieldTable &fields, TableRecordsets &tables, const RegionalSettings &regional)
    : m_fields(fields), m_tables(tables), m_transaction(tables.transaction()), m_regional(regional)
{
    m_transaction.addRollbackListener([this](quint64 since) {
        m_cache.forgetSince(since);
        if (m_lockMark && *m_lockMark >= since)
            m_lockMark.reset();
    });
}

bool ReferenceLookups::lockForAdding()
{
    const SqlDialect &dialect = m_tables.statements().sqlDialect();
    const QString sql = dialect.referenceLockSql();
    if (sql.isEmpty())
        return false;
    // A commit since ends the lock; a rollback said so already.
    if (m_lockMark && m_transaction.isActive() && *m_lockMark >= m_transaction.beginMark())
        return false;
    m_transaction.begin();
    PreparedStatement &lock = m_tables.statements().run(sql, {});
    QVariant granted;
    {
        const ResultRelease release(lock);
        if (lock.next())
            granted = lock.value(0);
    }
    if (const std::optional<DbError> refused = dialect.referenceLockRefusal(granted))
        throw *refused;
    m_lockMark = m_transaction.mark();
    return true;
}

// On a backend where a failed statement spoils the transaction, a look-up
// runs in a savepoint of its own, so that its failure costs only this line.
template<typename Work>
auto ReferenceLookups::protectedLookUp(Work &&work) -> decltype(work())
{
    if (m_tables.statements().sqlDialect().failedStatementAbortsTransaction())
        return m_transaction.guarded(LookUpSavepoint, std::forward<Work>(work));
    return work();
}

template<typename LookUp>
QVariant ReferenceLookups::cached(char kind, const QString &name, LookUp &&lookUp)
{
    if (const std::optional<QVariant> id = m_cache.find(kind, name))
        return *id;
    const QVariant id = protectedLookUp(std::forward<LookUp>(lookUp));
    m_cache.remember(kind, name, id, m_transaction.mark());
    return id;
}

// Department, supplier and tax: the row whose stored name equals name
// exactly, else a new one made by add. When the first query selected no row
// at all, the new row's ID comes from the insert: the repeated query could
// then only select that row. When it selected a row that differs in case (a
// database comparing without regard to case), the query is repeated and its
// first row decides, as the database orders it. An add refused as a
// duplicate means the row is there after all (another program added it a
// moment ago, or the database takes a stored name for this one): the
// repeated query finds it. Any other failure fails the line. Before a
// name is added, the lock for adding references is taken: when another run
// was adding it, the name is then found.
QVariant ReferenceLookups::findOrAdd(const QString &query, const QString &name, const std::function<qint64()> &add)
{
    SqlStatements &sql = m_tables.statements();
    FirstRow first = firstRow(sql, query, {name});
    if (first.found && storedValueEquals(first.name, name))
        return idOf(first.id);
    if (lockForAdding()) {
        first = firstRow(sql, query, {name});
        if (first.found && storedValueEquals(first.name, name))
            return idOf(first.id);
    }
    qint64 added = 0;
    try {
        added = m_transaction.guarded(AddSavepoint, add);
    } catch (const DbError &error) {
        if (error.endsRun() || error.number != ErrorNumbers::DuplicateKey)
            throw;
        const FirstRow existing = firstRow(sql, query, {name});
        if (!existing.found)
            throw;
        return idOf(existing.id);
    }
    if (!first.found)
        return idValue(added);
    const FirstRow again = firstRow(sql, query, {name});
    if (!again.found)
        throw noCurrentRecord();
    return idOf(again.id);
}

QVariant ReferenceLookups::departmentId(const QString &name)
{
    const QString text = boundText(name);
    if (text.trimmed().isEmpty())
        return noReference();
    return cached('D', text, [&] {
        return findOrAdd(DepartmentQuery, text,
                         [&] { return m_tables.addRow(DepartmentTableName, departmentRow(text)); });
    });
}

QVariant ReferenceLookups::categoryId(const QString &name)
{
    const QString text = boundText(name);
    if (text.trimmed().isEmpty())
        return noReference();
    const qint32 departmentId = valueToInt32(m_fields.byId(FieldIds::ItemDepartment).value);
    return cached('C', categoryName(text, departmentId), [&] {
        // Whatever the database's comparison selects is this category; the
        // name is not compared again.
        const auto find = [&] { return firstRow(m_tables.statements(), CategoryQuery, {text, departmentId}); };
        FirstRow first = find();
        if (!first.found && lockForAdding())
            first = find();
        if (first.found)
            return idOf(first.id);
        return idValue(m_transaction.guarded(AddSavepoint, [&] {
            return m_tables.addRow(CategoryTableName, categoryRow(text, departmentId));
        }));
    });
}

QVariant ReferenceLookups::supplierId(const QString &fullText, bool *nameCut)
{
    if (nameCut)
        *nameCut = false;
    if (fullText.trimmed().isEmpty())
        return noReference();
    // A new supplier keeps only the first 30 characters of its name, so both
    // queries ask for those: a long name then finds the supplier it created.
    const QString name = boundText(cutToLength(fullText, SupplierNameLength));
    if (nameCut)
        *nameCut = name.size() < fullText.size();
    return cached('S', name, [&] {
        return findOrAdd(SupplierQuery, name,
                         [&] { return m_tables.addRow(QStringLiteral("Supplier"), supplierRow(name, fullText)); });
    });
}

QVariant ReferenceLookups::taxId(const QString &taxText)
{
    const QString text = boundText(taxText);
    if (text.trimmed().isEmpty())
        return noReference();
    return cached('T', text, [&] {
        // The new tax and its tax group, with the tax in its first slot, are
        // added together or not at all.
        return findOrAdd(TaxQuery, QStringLiteral("Tax ") + text, [&] {
            const qint64 taxId = m_tables.addRow(TaxTableName, taxRow(text));
            m_tables.addRow(ItemTaxTableName, itemTaxRow(text, taxId));
            return taxId;
        });
    });
}

std::optional<QVariant> ReferenceLookups::known(char kind, const QString &name) const
{
    return m_cache.find(kind, name);
}

void ReferenceLookups::remember(char kind, const QString &name, const QVariant &id)
{
    m_cache.remember(kind, name, id, m_transaction.mark());
}

// Made for every item line that names a category: in one allocation.
QString ReferenceLookups::categoryName(const QString &name, qint32 departmentId)
{
    char digits[16];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), departmentId);
    QString key;
    key.reserve(name.size() + 1 + (written.ptr - digits));
    key.append(name);
    key.append(QLatin1Char('\x1f'));
    key.append(QLatin1StringView(digits, written.ptr - digits));
    return key;
}

ColumnValues ReferenceLookups::departmentRow(const QString &name)
{
    return {{QStringLiteral("HQID"), int16Value(0)},
            {QStringLiteral("Name"), name},
            {QStringLiteral("Code"), cutToLength(name, CodeLength)}};
}

ColumnValues ReferenceLookups::categoryRow(const QString &name, qint32 departmentId)
{
    return {{QStringLiteral("HQID"), int16Value(0)},
            {QStringLiteral("DepartmentID"), int32Value(departmentId)},
            {QStringLiteral("Name"), name},
            {QStringLiteral("Code"), cutToLength(name, CodeLength)}};
}

ColumnValues ReferenceLookups::supplierRow(const QString &name, const QString &fullText)
{
    const QVariant blank = emptyText();
    return {{QStringLiteral("HQID"), int16Value(0)},
            {QStringLiteral("SupplierName"), name},
            {QStringLiteral("Code"), boundText(cutToLength(fullText, CodeLength))},
            {QStringLiteral("ContactName"), blank},
            {QStringLiteral("Address1"), blank},
            {QStringLiteral("Address2"), blank},
            {QStringLiteral("City"), blank},
            {QStringLiteral("State"), blank},
            {QStringLiteral("Zip"), blank},
            {QStringLiteral("PhoneNumber"), blank},
            {QStringLiteral("FaxNumber"), blank},
            {QStringLiteral("Country"), blank}};
}

ColumnValues ReferenceLookups::taxRow(const QString &text) const
{
    ColumnValues tax = {{QStringLiteral("HQID"), int16Value(0)},
                        {QStringLiteral("Code"), cutToLength(text, CodeLength)},
                        {QStringLiteral("Description"), QStringLiteral("Tax ") + text},
                        {QStringLiteral("Percentage"), textToNumber(text, m_regional)},
                        {QStringLiteral("UsePartialDollar"), false},
                        {QStringLiteral("ItemMaximum"), int16Value(0)},
                        {QStringLiteral("IncludePreviousTax"), false},
                        {QStringLiteral("FixedAmount"), int16Value(0)}};
    for (int bracket = 0; bracket <= 10; ++bracket)
        tax.append({QStringLiteral("Bracket%1").arg(bracket, 2, 10, QLatin1Char('0')), int16Value(0)});
    return tax;
}

ColumnValues ReferenceLookups::itemTaxRow(const QString &text, qint64 taxId)
{
    ColumnValues group = {{QStringLiteral("HQID"), int16Value(0)},
                          {QStringLiteral("Code"), cutToLength(text, CodeLength)},
                          {QStringLiteral("Description"), cutToLength(text, ItemTaxDescriptionLength)},
                          {QStringLiteral("TaxID01"), idValue(taxId)},
                          {QStringLiteral("ShowOnReceipt01"), false}};
    for (int slot = 2; slot <= 10; ++slot) {
        const QString number = QStringLiteral("%1").arg(slot, 2, 10, QLatin1Char('0'));
        group.append({QStringLiteral("TaxID") + number, int16Value(0)});
        group.append({QStringLiteral("ShowOnReceipt") + number, false});
    }
    return group;
}

QVariant ReferenceLookups::lookUpByCode(const QString &table, const QString &code)
{
    const QString text = boundText(code);
    return protectedLookUp([&] {
        PreparedStatement &query = m_tables.statements().run(byCodeQuery(table), {text});
        const ResultRelease release(query);
        if (!query.next())
            throw noCurrentRecord();
        if (!storedValueEquals(query.value(1), text))
            return int16Value(0);
        return idOf(query.value(0));
    });
}

QVariant ReferenceLookups::itemId(const QString &code)
{
    return lookUpByCode(ItemTableName, code);
}

QVariant ReferenceLookups::itemClassId(const QString &code)
{
    return lookUpByCode(ItemClassTableName, code);
}

QString LookUpQueries::department()
{
    return DepartmentQuery;
}

QString LookUpQueries::category()
{
    return CategoryQuery;
}

QString LookUpQueries::supplier()
{
    return SupplierQuery;
}

QString LookUpQueries::tax()
{
    return TaxQuery;
}

LookUpQueries::Row LookUpQueries::firstRow(SqlStatements &sql, const QString &text, const QVariantList &parameters)
{
    PreparedStatement &query = sql.run(text, parameters);
    const ResultRelease release(query);
    Row row;
    if (query.next()) {
        row.found = true;
        row.name = query.value(0);
        row.id = query.value(1);
    }
    return row;
}

QStringList lookUpStatementTexts()
{
    return QStringList{DepartmentQuery, CategoryQuery, SupplierQuery, TaxQuery, byCodeQuery(ItemTableName),
                       byCodeQuery(ItemClassTableName)}
            + batchLookUpStatementTexts();
}

} // namespace vxr

#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace vxr {

// The value of a column of a row whose last columns' values are shared with
// other rows: own holds the columns before them.
inline const QVariant &rowValue(const QVariantList &own, const QVariantList &shared, qsizetype column)
{
    return column < own.size() ? own.at(column) : shared.at(column - own.size());
}

// A row the run added: its table, its ID and what names it, with the
// columns written and the values bound to them (undo sees a later edit).
struct AddedRowChange
{
    QString tableName;
    qint64 rowId = 0;
    QString keyColumn;
    QVariant keyValue;
    QStringList columns; // as the store spells them; shared by the rows of one statement
    // One value per column: the row's own first, then those of the last
    // columns, which every row of the statement shares (one list for all).
    QVariantList values;
    QVariantList sharedValues;

    qsizetype valueCount() const { return values.size() + sharedValues.size(); }
    const QVariant &valueAt(qsizetype column) const { return rowValue(values, sharedValues, column); }
};

// One column of a row the run updated: the value before and the value written.
struct UpdatedColumnChange
{
    QString tableName;
    qint64 rowId = 0;
    QString keyColumn;
    QVariant keyValue;
    QString columnName;
    QVariant previousValue;
    QVariant writtenValue;
};

// Told of every row TableRecordsets adds or changes, so that a run can be
// taken back. Each change carries the transaction's mark at the time it was
// made: a rollback reported with since <= mark undoes it (see
// Transaction::mark), and the sink must forget it.
class RowChangeSink
{
public:
    virtual ~RowChangeSink() = default;
    virtual void rowAdded(const AddedRowChange &change, quint64 mark) = 0;
    virtual void columnUpdated(const UpdatedColumnChange &change, quint64 mark) = 0;
    virtual void rolledBack(quint64 since) = 0;
};

// The column that names a row of a table the import writes to: its key, or
// for a companion row the link to its parent. "ID" for a table with neither.
inline QString rowNamingColumn(const QString &tableName)
{
    static const QHash<QString, QString> columns = {
            {QStringLiteral("item"), QStringLiteral("ItemLookupCode")},
            {QStringLiteral("customer"), QStringLiteral("AccountNumber")},
            {QStringLiteral("supplier"), QStringLiteral("SupplierName")},
            {QStringLiteral("supplierlist"), QStringLiteral("ItemID")},
            {QStringLiteral("department"), QStringLiteral("Name")},
            {QStringLiteral("category"), QStringLiteral("Name")},
            {QStringLiteral("itemtax"), QStringLiteral("Description")},
            {QStringLiteral("tax"), QStringLiteral("Description")},
            {QStringLiteral("alias"), QStringLiteral("Alias")},
            {QStringLiteral("itemclass"), QStringLiteral("ItemLookupCode")},
            {QStringLiteral("itemclasscomponent"), QStringLiteral("ItemClassID")},
            {QStringLiteral("security"), QStringLiteral("FormName")},
            {QStringLiteral("accountreceivable"), QStringLiteral("CustomerID")},
            {QStringLiteral("accountreceivablehistory"), QStringLiteral("AccountReceivableID")},
    };
    return columns.value(tableName.toLower(), QStringLiteral("ID"));
}

} // namespace vxr

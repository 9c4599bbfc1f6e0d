#pragma once

#include "ReferenceCache.h"
#include "TableRecordsets.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

namespace vxr {

class FieldTable;
class SqlStatements;
class TableRecordsets;
class Transaction;
struct RegionalSettings;

// Turns the names an imported line gives for related rows into their IDs.
// Departments, categories, suppliers and taxes are added when missing; items
// and item classes are only looked up. The values returned are the ID (a
// 32-bit integer), or 0 as a 16-bit integer for an item whose stored code
// differs from the text. A blank name means no reference: 0, nothing added.
//
// Every failure is thrown as DbError and fails the line; a reference that
// could not be added is never handed on as an empty ID. Rows added here are
// written in savepoints of their own, before the line's row, so they stay
// when the line itself fails. Names resolved once are remembered for the
// rest of the run.
class ReferenceLookups
{
public:
    ReferenceLookups(FieldTable &fields, TableRecordsets &tables, const RegionalSettings &regional);

    // The department called name (exactly), added when missing.
    QVariant departmentId(const QString &name);
    // The category called name in the line's department (the value of the
    // Department entry), as the database's comparison matches it; added when
    // missing.
    QVariant categoryId(const QString &name);
    // The supplier whose name is the first 30 characters of text (exactly,
    // cut between whole characters), added when missing. *nameCut (when
    // given) tells whether the name was cut: two long names that begin
    // alike are one supplier.
    QVariant supplierId(const QString &text, bool *nameCut = nullptr);
    // The tax described as "Tax " + text (exactly), added with its item tax
    // group when missing.
    QVariant taxId(const QString &text);
    // The item with this lookup code; 0 when the row the database selects has
    // a code that differs in case or trailing blanks. Throws NoCurrentRecord
    // when no row is selected.
    QVariant itemId(const QString &code);
    // The same for item classes.
    QVariant itemClassId(const QString &code);

    // Makes sure the transaction holds the lock for adding references (see
    // SqlDialect::referenceLockSql), waiting while another run's
    // transaction holds it. Taken when a name was not found, before it is
    // added; whatever another run added meanwhile is committed once it is
    // granted. True when it was taken just now, so that a name looked up
    // before must be looked up again; false when the transaction holds it
    // already or the backend needs none. Throws DbError; a cancel request
    // interrupts the wait.
    bool lockForAdding();

    // What a batch's look-ups learned ahead of its lines (see
    // BatchReferences): the ID a name of a kind resolves to, when known, and
    // remembering one. The kinds are 'D', 'S', 'T' and 'C'; a category's
    // name is categoryName(name, departmentId).
    std::optional<QVariant> known(char kind, const QString &name) const;
    void remember(char kind, const QString &name, const QVariant &id);
    static QString categoryName(const QString &name, qint32 departmentId);

    // The rows a new reference is added with, alike whether one line adds it
    // or its batch does.
    static ColumnValues departmentRow(const QString &name);
    static ColumnValues categoryRow(const QString &name, qint32 departmentId);
    static ColumnValues supplierRow(const QString &name, const QString &fullText);
    ColumnValues taxRow(const QString &text) const;
    static ColumnValues itemTaxRow(const QString &text, qint64 taxId);

    static constexpr int SupplierNameLength = 30;
    static constexpr int CodeLength = 10;
    static constexpr int ItemTaxDescriptionLength = 20;

private:
    template<typename LookUp>
    QVariant cached(char kind, const QString &name, LookUp &&lookUp);
    QVariant findOrAdd(const QString &query, const QString &name, const std::function<qint64()> &add);
    QVariant lookUpByCode(const QString &table, const QString &code);
    template<typename Work>
    auto protectedLookUp(Work &&work) -> decltype(work());

    FieldTable &m_fields;
    TableRecordsets &m_tables;
    Transaction &m_transaction;
    const RegionalSettings &m_regional;
    ReferenceCache m_cache;
    std::optional<quint64> m_lockMark; // the transaction mark the lock was taken at
};

// An ID as the look-ups and the record writer hand it on: a 32-bit integer
// when it fits, else a 64-bit one.
QVariant idValue(qint64 id);

// The statements that find a reference by its name, the name and the ID
// first in each row: shared with readers that only look (the review
// panel's preview), so that both find the same row.
struct LookUpQueries
{
    static QString department();
    static QString category(); // the name, then the DepartmentID
    static QString supplier();
    static QString tax();

    // The first row a look-up selected: its name and ID, or nothing.
    struct Row
    {
        bool found = false;
        QVariant name;
        QVariant id;
    };
    static Row firstRow(SqlStatements &sql, const QString &text, const QVariantList &parameters);
};

// The texts of the statements the look-ups run (those of a batch's too), for
// a check of their syntax.
QStringList lookUpStatementTexts();

} // namespace vxr

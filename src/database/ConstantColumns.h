#pragma once

#include <QList>
#include <QStringList>
#include <QVarLengthArray>
#include <QVariant>

namespace vxr {

class SqlDialect;

namespace recordsets {
struct Column;
}

// The columns of a multi-row insert that hold the same value in every row,
// written into the statement's text as literals instead of being bound row
// after row: most of an item's columns are the defaults of fields the file
// does not fill, and binding them costs the driver more than the rest.
// Decided from the first rows a shape adds; a column whose value later
// differs is bound from then on, so each column changes the text at most
// once and the prepared statements are reused batch after batch. Only
// values the dialect can write exactly become literals.
class ConstantColumns
{
public:
    // Columns of a row, by index.
    using Changed = QVarLengthArray<qsizetype, 64>;

    // Takes in a row about to be added (its values as bound, one a column).
    // changed holds the columns whose values differ from the row taken in
    // just before (every column for the first row of an insert); the others
    // are not compared again.
    void admit(const SqlDialect &dialect, const QList<recordsets::Column> &columns, const QVariantList &row,
               const Changed &changed);

    // The literal of each column, empty where the column is bound; an empty
    // list when every column is bound.
    QStringList literals() const;
    qsizetype boundCount() const;
    // Appends the values of a row that are bound: row's own, then shared,
    // those of the last columns, which every row holds alike.
    void appendBound(QVariantList &bound, const QVariantList &row, const QVariantList &shared) const;

private:
    bool m_decided = false;
    qsizetype m_constantCount = 0;
    QVariantList m_values;  // the value of each constant column
    QStringList m_literals; // its literal; empty where the column is bound
};

} // namespace vxr

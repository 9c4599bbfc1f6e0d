#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace vxr {

// The values written to the added rows of one column list (one AddedShape)
// within a batch, each row as one text in the journal: the first row's every
// column, each later row's columns whose value differs from the row before,
// as the column's number (0 for the first) followed by "~" for NULL or by
// "=" and the value's text, joined by U+001F. Rows of one import share most
// of their values, so that a row costs little more than what is its own.
// Numbers as their shortest exact text, booleans as 1 or 0, dates in ISO
// form, as the undo's comparison reads them back.
class ValuePacker
{
public:
    QString pack(const QVariantList &values);

private:
    QVariantList m_before; // the row before's values as bound; none before the first
    qsizetype m_lastSize = 0;
};

// The rows back, in the order they were packed (a new unpacker for each
// batch and column list); values as texts, NULL as a null QVariant.
class ValueUnpacker
{
public:
    QVariantList unpack(const QString &packed);

private:
    QVariantList m_previous;
};

} // namespace vxr

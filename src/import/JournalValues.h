#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

namespace vxr {

// The values written to an added row as journals before blocks kept them,
// one text a row (AddedRow.WrittenValues): the first row's every column of a
// batch and column list, each later row's columns whose value differs from
// the row before, as the column's number (0 for the first) followed by "~"
// for NULL or by "=" and the value's text (U+001F and U+001B escaped by
// U+001B), joined by U+001F. Read back in the order they were written (a
// new unpacker for each batch and column list); values as texts, NULL as a
// null QVariant.
class ValueUnpacker
{
public:
    QVariantList unpack(QStringView packed);

private:
    QVariantList m_previous;
};

} // namespace vxr

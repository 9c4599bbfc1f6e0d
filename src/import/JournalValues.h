#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <string>

namespace vxr {

// Text being packed for the journal: appended to character by character
// without QString's checks on each, then handed over whole.
using PackedText = std::u16string;

// The characters that part the journal's packed texts: rows of a block,
// the fields of a row, the values of a row; and the escape that keeps them
// (and itself) out of the fields' own text.
constexpr char16_t RowSeparator = 0x1e;
constexpr char16_t FieldSeparator = 0x1d;
constexpr char16_t ValueSeparator = 0x1f;
constexpr char16_t EscapeCharacter = 0x1b;

void appendEscaped(PackedText &packed, QStringView text);
QString unescaped(QStringView field);
void appendNumber(PackedText &packed, qint64 number);

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
    // Appends the row's packed text.
    void pack(const QVariantList &values, PackedText &packed);

private:
    QVariantList m_before; // the row before's values as bound; none before the first
};

// The rows back, in the order they were packed (a new unpacker for each
// batch and column list); values as texts, NULL as a null QVariant.
class ValueUnpacker
{
public:
    QVariantList unpack(QStringView packed);

private:
    QVariantList m_previous;
};

} // namespace vxr

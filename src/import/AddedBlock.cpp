#include "AddedBlock.h"

#include "database/ColumnValue.h"

namespace vxr {

namespace {

// A key's kind, so that it comes back as the store's own value would.
void appendKey(PackedText &text, const QVariant &key)
{
    if (isNullBound(key)) {
        text += u'~';
        return;
    }
    switch (key.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        text += u'i';
        appendNumber(text, key.toLongLong());
        return;
    case QMetaType::Double:
        text += u'r';
        appendEscaped(text, QString::number(key.toDouble(), 'g', QLocale::FloatingPointShortest));
        return;
    default: text += u't'; appendEscaped(text, key.toString());
    }
}

QVariant keyFrom(QStringView field)
{
    if (field.isEmpty() || field.front() == u'~')
        return {};
    const QString text = unescaped(field.mid(1));
    switch (field.front().unicode()) {
    case u'i': return text.toLongLong();
    case u'r': return text.toDouble();
    default: return text;
    }
}

} // namespace

void AddedBlockWriter::add(qint64 seq, const AddedRowChange &row)
{
    if (!m_text.empty())
        m_text += RowSeparator;
    appendNumber(m_text, seq - m_firstSeq);
    m_text += FieldSeparator;
    appendNumber(m_text, row.rowId);
    m_text += FieldSeparator;
    appendKey(m_text, row.keyValue);
    m_text += FieldSeparator;
    m_packer.pack(row.values, m_text);
    m_lastSeq = seq;
}

QString AddedBlockWriter::rows() const
{
    return QString(reinterpret_cast<const QChar *>(m_text.data()), qsizetype(m_text.size()));
}

QList<JournalAddedRow> readAddedBlock(const AddedBlockHead &head, QStringView rows)
{
    QList<JournalAddedRow> read;
    ValueUnpacker unpacker;
    for (const QStringView row : rows.split(QChar(RowSeparator), Qt::SkipEmptyParts)) {
        const QList<QStringView> fields = row.split(QChar(FieldSeparator));
        if (fields.size() != 4)
            continue;
        read.append({head.table, fields.at(1).toLongLong(), head.keyColumn, keyFrom(fields.at(2)),
                     head.firstSeq + fields.at(0).toLongLong(), head.batch, true, head.columns,
                     unpacker.unpack(fields.at(3))});
    }
    return read;
}

QString addedBlockUpTo(QStringView rows, qint64 firstSeq, qint64 lastKept)
{
    qsizetype end = 0;
    for (const QStringView row : rows.split(QChar(RowSeparator), Qt::SkipEmptyParts)) {
        const qint64 seq = firstSeq + row.left(row.indexOf(QChar(FieldSeparator))).toLongLong();
        if (seq > lastKept)
            break;
        end = row.data() + row.size() - rows.data();
    }
    return rows.left(end).toString();
}

} // namespace vxr

#include "AddedBlock.h"

#include "database/ColumnValue.h"

#include <QDate>
#include <QDateTime>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <optional>

namespace vxr {

namespace {

// What follows a value's column number (or stands for a row's key).
enum Kind : char {
    Null = 'n',
    Whole = 'i',     // a signed variable-length integer
    Real = 'r',      // 8 bytes, little-endian
    WholeReal = 'w', // a real number that is a signed variable-length integer, exactly
    Cents = 'c',     // a real number that is a signed variable-length integer divided by 100, exactly
    Text = 't',      // a variable-length count of UTF-16 units, then the units, little-endian
    Ascii = 'a',     // a text of ASCII characters only: a variable-length count, then a byte each
    True = 'T',
    False = 'F',
};

void appendUnsigned(std::string &bytes, quint64 number)
{
    while (number >= 0x80) {
        bytes += char(number | 0x80);
        number >>= 7;
    }
    bytes += char(number);
}

void appendSigned(std::string &bytes, qint64 number)
{
    appendUnsigned(bytes, (quint64(number) << 1) ^ quint64(number >> 63));
}

// Most texts are ASCII: a byte a character, half their UTF-16.
bool appendAscii(std::string &bytes, QStringView text)
{
    const size_t start = bytes.size();
    bytes += Ascii;
    appendUnsigned(bytes, quint64(text.size()));
    const size_t first = bytes.size();
    bytes.resize(first + size_t(text.size()));
    char16_t seen = 0;
    const char16_t *units = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        seen |= units[i];
        bytes[first + size_t(i)] = char(units[i]);
    }
    if (seen < 0x80)
        return true;
    bytes.resize(start);
    return false;
}

void appendText(std::string &bytes, QStringView text)
{
    if (appendAscii(bytes, text))
        return;
    bytes += Text;
    appendUnsigned(bytes, quint64(text.size()));
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        bytes.append(reinterpret_cast<const char *>(text.utf16()), size_t(text.size()) * 2);
    } else {
        for (const QChar c : text) {
            bytes += char(c.unicode() & 0xff);
            bytes += char(c.unicode() >> 8);
        }
    }
}

quint64 bitsOf(double number)
{
    quint64 bits = 0;
    std::memcpy(&bits, &number, sizeof bits);
    return bits;
}

double fromBits(quint64 bits)
{
    double number = 0;
    std::memcpy(&number, &bits, sizeof number);
    return number;
}

// Prices, costs and quantities are whole or in cents: a few bytes instead
// of eight, read back as the very same number (its bits are compared).
bool appendShortReal(std::string &bytes, double number)
{
    // Cents below 2^53, where every integer is a double.
    constexpr double Exact = 9007199254740992.0 / 100;
    if (!(number > -Exact && number < Exact))
        return false; // NaN as well
    const qint64 whole = qint64(number);
    if (bitsOf(double(whole)) == bitsOf(number)) {
        bytes += WholeReal;
        appendSigned(bytes, whole);
        return true;
    }
    const qint64 cents = std::llround(number * 100);
    if (bitsOf(double(cents) / 100) == bitsOf(number)) {
        bytes += Cents;
        appendSigned(bytes, cents);
        return true;
    }
    return false;
}

void appendReal(std::string &bytes, double number)
{
    if (appendShortReal(bytes, number))
        return;
    bytes += Real;
    const quint64 bits = qToLittleEndian(bitsOf(number));
    bytes.append(reinterpret_cast<const char *>(&bits), sizeof bits);
}

// A value as bound: numbers and texts as they are, dates as their ISO text.
void appendValue(std::string &bytes, const QVariant &value)
{
    // The kinds a row binds, read straight from the variant; NULL is a
    // null variant or a null text.
    const QVariant::Private &d = value.data_ptr();
    if (d.is_null) {
        bytes += Null;
        return;
    }
    switch (d.type().id()) {
    case QMetaType::QString:
        if (d.get<QString>().isNull())
            bytes += Null;
        else
            appendText(bytes, d.get<QString>());
        return;
    case QMetaType::Double: appendReal(bytes, d.get<double>()); return;
    case QMetaType::Int:
        bytes += Whole;
        appendSigned(bytes, d.get<int>());
        return;
    case QMetaType::LongLong:
        bytes += Whole;
        appendSigned(bytes, d.get<qlonglong>());
        return;
    case QMetaType::Bool: bytes += d.get<bool>() ? True : False; return;
    default: break;
    }
    if (isNullBound(value)) {
        bytes += Null;
        return;
    }
    switch (value.typeId()) {
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        bytes += Whole;
        appendSigned(bytes, value.toLongLong());
        return;
    case QMetaType::QDateTime: appendText(bytes, value.toDateTime().toString(Qt::ISODateWithMs)); return;
    case QMetaType::QDate: appendText(bytes, value.toDate().toString(Qt::ISODate)); return;
    default: appendText(bytes, value.toString());
    }
}

// Reads a block from its start; every read fails past the end.
class BlockReader
{
public:
    explicit BlockReader(QByteArrayView bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_at >= m_bytes.size(); }
    qsizetype at() const { return m_at; }

    std::optional<quint64> readUnsigned()
    {
        quint64 number = 0;
        for (int shift = 0; shift < 64 && m_at < m_bytes.size(); shift += 7) {
            const auto byte = quint8(m_bytes[m_at++]);
            number |= quint64(byte & 0x7f) << shift;
            if (!(byte & 0x80))
                return number;
        }
        return std::nullopt;
    }
    std::optional<qint64> readSigned()
    {
        const std::optional<quint64> zigzag = readUnsigned();
        if (!zigzag)
            return std::nullopt;
        return qint64(*zigzag >> 1) ^ -qint64(*zigzag & 1);
    }
    // A value as the store reads it back (keys), or as its text (values).
    std::optional<QVariant> readValue(bool asText)
    {
        if (atEnd())
            return std::nullopt;
        switch (m_bytes[m_at++]) {
        case Null: return QVariant();
        case True: return asText ? QVariant(QStringLiteral("1")) : QVariant(qlonglong(1));
        case False: return asText ? QVariant(QStringLiteral("0")) : QVariant(qlonglong(0));
        case Whole: {
            const std::optional<qint64> number = readSigned();
            if (!number)
                return std::nullopt;
            return asText ? QVariant(QString::number(*number)) : QVariant(qlonglong(*number));
        }
        case Real: {
            if (m_bytes.size() - m_at < 8)
                return std::nullopt;
            const quint64 bits = qFromLittleEndian<quint64>(m_bytes.data() + m_at);
            m_at += 8;
            return real(fromBits(bits), asText);
        }
        case WholeReal:
        case Cents: {
            const bool cents = m_bytes[m_at - 1] == Cents;
            const std::optional<qint64> number = readSigned();
            if (!number)
                return std::nullopt;
            return real(cents ? double(*number) / 100 : double(*number), asText);
        }
        case Text: {
            const std::optional<quint64> length = readUnsigned();
            if (!length || quint64(m_bytes.size() - m_at) / 2 < *length)
                return std::nullopt;
            QString text(qsizetype(*length), Qt::Uninitialized);
            for (qsizetype i = 0; i < text.size(); ++i, m_at += 2)
                text[i] = QChar(qFromLittleEndian<quint16>(m_bytes.data() + m_at));
            return text;
        }
        case Ascii: {
            const std::optional<quint64> length = readUnsigned();
            if (!length || quint64(m_bytes.size() - m_at) < *length)
                return std::nullopt;
            const QString text = QString::fromLatin1(m_bytes.data() + m_at, qsizetype(*length));
            m_at += qsizetype(*length);
            return text;
        }
        default: return std::nullopt;
        }
    }

private:
    static QVariant real(double number, bool asText)
    {
        return asText ? QVariant(QVariant(number).toString()) : QVariant(number);
    }

    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

// Whether a value is the row before's in its column as bound. Most are the
// very same variant; numbers of the same kind are told apart by their bits
// here, without asking each variant its kind and null-ness again.
bool sameAsBefore(const QVariant &value, const QVariant &before)
{
    if (sameVariant(value, before))
        return true;
    const QVariant::Private &a = value.data_ptr();
    const QVariant::Private &b = before.data_ptr();
    if (a.packedType != b.packedType || a.is_null != b.is_null)
        return false;
    switch (a.type().id()) {
    case QMetaType::Double: return a.is_null || std::memcmp(&a.get<double>(), &b.get<double>(), sizeof(double)) == 0;
    case QMetaType::LongLong: return a.is_null || a.get<qlonglong>() == b.get<qlonglong>();
    case QMetaType::Int: return a.is_null || a.get<int>() == b.get<int>();
    default: return sameBound(value, before);
    }
}

} // namespace

void AddedBlockWriter::add(qint64 seq, const AddedRowChange &row)
{
    appendUnsigned(m_bytes, quint64(seq - m_firstSeq));
    appendSigned(m_bytes, row.rowId);
    // A key keeps its kind (a boolean as the integer the store keeps).
    if (row.keyValue.typeId() == QMetaType::Bool)
        appendValue(m_bytes, qlonglong(row.keyValue.toBool()));
    else
        appendValue(m_bytes, row.keyValue);
    // Values shared by the rows of a statement are the row before's when
    // the list is: passed over whole.
    const qsizetype before = m_before.valueCount();
    const bool sameShared = !row.sharedValues.isEmpty() && row.values.size() == m_before.values.size()
            && row.sharedValues.constData() == m_before.sharedValues.constData();
    const qsizetype count = sameShared ? row.values.size() : row.valueCount();
    for (qsizetype i = 0; i < count; ++i) {
        // Most values of a column are the row before's as bound: known
        // alike without looking at them.
        const QVariant &bound = row.valueAt(i);
        if (i < before && sameAsBefore(bound, m_before.valueAt(i)))
            continue;
        appendUnsigned(m_bytes, quint64(i) + 1);
        appendValue(m_bytes, bound);
    }
    m_bytes += char(0);
    // The row's lists are shared, not copied: the entries hold them.
    m_before.values = row.values;
    m_before.sharedValues = row.sharedValues;
    m_lastSeq = seq;
}

std::optional<QList<JournalAddedRow>> readAddedBlock(const AddedBlockHead &head, QByteArrayView rows)
{
    QList<JournalAddedRow> read;
    BlockReader reader(rows);
    QVariantList values;
    while (!reader.atEnd()) {
        const std::optional<quint64> offset = reader.readUnsigned();
        const std::optional<qint64> id = reader.readSigned();
        const std::optional<QVariant> key = reader.readValue(false);
        if (!offset || !id || !key)
            return std::nullopt;
        std::optional<quint64> column = reader.readUnsigned();
        for (; column && *column > 0; column = reader.readUnsigned()) {
            const std::optional<QVariant> value = reader.readValue(true);
            if (!value || *column > quint64(head.columns.size()) + 1024)
                return std::nullopt;
            if (values.size() < qsizetype(*column))
                values.resize(qsizetype(*column));
            values[qsizetype(*column) - 1] = *value;
        }
        if (!column)
            return std::nullopt;
        read.append({head.table, *id, head.keyColumn, *key, head.firstSeq + qint64(*offset), head.batch, true,
                     head.columns, values});
    }
    return read;
}

QByteArray addedBlockUpTo(QByteArrayView rows, qint64 firstSeq, qint64 lastKept)
{
    BlockReader reader(rows);
    qsizetype end = 0;
    while (!reader.atEnd()) {
        const std::optional<quint64> offset = reader.readUnsigned();
        if (!offset || firstSeq + qint64(*offset) > lastKept || !reader.readSigned() || !reader.readValue(false))
            break;
        std::optional<quint64> column = reader.readUnsigned();
        while (column && *column > 0 && reader.readValue(true))
            column = reader.readUnsigned();
        if (!column || *column != 0)
            break;
        end = reader.at();
    }
    return rows.first(end).toByteArray();
}

} // namespace vxr

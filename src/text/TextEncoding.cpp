#include "text/TextEncoding.h"

#include "text/TextDecoding.h"

#include <QStringEncoder>

namespace vxr {

namespace {

const QString AutomaticName = QStringLiteral("auto");

// The UTF-16 form a name stands for, if it names one.
std::optional<QStringConverter::Encoding> utf16Form(const QString &name)
{
    const auto known = QStringConverter::encodingForName(name.toLatin1().constData());
    if (known == QStringConverter::Utf16 || known == QStringConverter::Utf16LE
        || known == QStringConverter::Utf16BE)
        return known;
    return std::nullopt;
}

bool startsWith(QByteArrayView bytes, const char *prefix, qsizetype size)
{
    return bytes.size() >= size && bytes.first(size) == QByteArrayView(prefix, size);
}

constexpr QStringConverter::Flags LineFlags =
    QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

} // namespace

std::optional<TextEncoding> TextEncoding::fromName(const QString &name, QString *error)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty() || wanted.compare(AutomaticName, Qt::CaseInsensitive) == 0)
        return TextEncoding();
    const auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        return std::nullopt;
    };
    bool ascii = true;
    for (const QChar c : wanted)
        ascii = ascii && c.unicode() > 32 && c.unicode() < 127;
    if (!ascii || !QStringDecoder(wanted.toLatin1().constData()).isValid())
        return fail(QStringLiteral("the encoding \"%1\" is not known").arg(wanted));
    const TextEncoding encoding(wanted);
    for (const char16_t c : {u'\r', u'\n', u'"'}) {
        if (!encoding.keepsAscii(c))
            return fail(QStringLiteral("the encoding \"%1\" cannot be read: line ends and quotation marks "
                                       "are not single ASCII bytes in it")
                            .arg(wanted));
    }
    return encoding;
}

QString TextEncoding::name() const
{
    return isAutomatic() ? AutomaticName : m_name;
}

bool TextEncoding::isUtf16() const
{
    return !isAutomatic() && utf16Form(m_name).has_value();
}

bool TextEncoding::keepsAscii(char16_t c) const
{
    if (c == 0 || c > 127)
        return false;
    if (isAutomatic() || isUtf16())
        return true;
    const QByteArray name = m_name.toLatin1();
    QStringEncoder encoder(name.constData(), QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(QString(QChar(c)));
    if (bytes != QByteArray(1, char(c)))
        return false;
    QStringDecoder decoder(name.constData(), LineFlags);
    return QString(decoder.decode(bytes)) == QString(QChar(c));
}

FileDecoding::FileDecoding(const TextEncoding &encoding, QByteArrayView firstBytes)
{
    const bool littleMark = startsWith(firstBytes, "\xFF\xFE", 2);
    const bool bigMark = startsWith(firstBytes, "\xFE\xFF", 2);
    std::optional<QStringConverter::Encoding> utf16 = encoding.isUtf16()
        ? utf16Form(encoding.name())
        : std::nullopt;
    if (encoding.isAutomatic() && (littleMark || bigMark))
        utf16 = QStringConverter::Utf16;

    if (utf16) {
        // A mark decides the byte order unless the name gives one; without a
        // mark, plain "UTF-16" is little-endian, as Windows writes it.
        if (*utf16 == QStringConverter::Utf16)
            utf16 = bigMark ? QStringConverter::Utf16BE : QStringConverter::Utf16LE;
        m_unitSize = 2;
        m_bigEndian = *utf16 == QStringConverter::Utf16BE;
        if (m_bigEndian ? bigMark : littleMark)
            m_byteOrderMark = firstBytes.first(2).toByteArray();
        m_decoder.emplace(*utf16, LineFlags);
        return;
    }
    const bool utf8 = encoding.isAutomatic()
        || QStringConverter::encodingForName(encoding.name().toLatin1().constData()) == QStringConverter::Utf8;
    if (utf8 && startsWith(firstBytes, "\xEF\xBB\xBF", 3))
        m_byteOrderMark = firstBytes.first(3).toByteArray();
    if (!encoding.isAutomatic())
        m_decoder.emplace(encoding.name().toLatin1().constData(), LineFlags);
}

QByteArray FileDecoding::unitBytes(char16_t c) const
{
    if (m_unitSize == 1)
        return QByteArray(1, char(c));
    const char low = char(c & 0xFF);
    const char high = char(c >> 8);
    const char unit[2] = {m_bigEndian ? high : low, m_bigEndian ? low : high};
    return QByteArray(unit, 2);
}

char16_t FileDecoding::unitAt(const char *data) const
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data);
    if (m_unitSize == 1)
        return bytes[0];
    return m_bigEndian ? char16_t(bytes[0] << 8 | bytes[1]) : char16_t(bytes[1] << 8 | bytes[0]);
}

void FileDecoding::decodeInto(QByteArrayView bytes, QString &out)
{
    if (!m_decoder) {
        decodeTextInto(bytes, out);
        return;
    }
    m_decoder->resetState();
    out.resize(m_decoder->requiredSpace(bytes.size()));
    QChar *const start = out.data();
    const QChar *const end = m_decoder->appendToBuffer(start, bytes);
    out.resize(end - start);
}

} // namespace vxr

#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <optional>

namespace vxr {

// The encoding a text file is read in, as the operator chose it.
//
// Automatic (the default, named "auto"): a file that starts with a UTF-16
// byte-order mark is UTF-16; otherwise each line is UTF-8 when it is valid
// UTF-8, else Windows-1252. Any other name is one the platform's converters
// know ("windows-1250", "ISO-8859-2", "cp437", "Shift_JIS", "UTF-16", ...).
class TextEncoding
{
public:
    TextEncoding() = default; // automatic

    // The encoding of a name; "auto" and an empty name are automatic. Without
    // a value (and with *error) for a name no converter knows, and for an
    // encoding in which a carriage return, a line feed or a quotation mark is
    // not the single ASCII byte (EBCDIC, UTF-32): lines could not be found
    // in it. UTF-16 is read in 16-bit units and is accepted.
    static std::optional<TextEncoding> fromName(const QString &name, QString *error);

    bool isAutomatic() const { return m_name.isEmpty(); }
    // "auto", or the name as the operator gave it.
    QString name() const;
    // True for the UTF-16 encodings, which the reader reads in 16-bit units.
    bool isUtf16() const;

    // True when the character is written as the one ASCII byte of its code,
    // so that a delimiter chosen by code means the same in the file.
    bool keepsAscii(char16_t c) const;

    bool operator==(const TextEncoding &other) const { return name() == other.name(); }

private:
    explicit TextEncoding(const QString &name) : m_name(name) {}

    QString m_name; // empty: automatic
};

// How the bytes of one open file become text, settled from the chosen
// encoding and the file's first bytes: the byte-order mark it starts with,
// the width of a code unit (1, or 2 for UTF-16) and the decoder of a line.
class FileDecoding
{
public:
    FileDecoding() = default;
    FileDecoding(const TextEncoding &encoding, QByteArrayView firstBytes);

    // The byte-order mark at the start of the file; empty when none.
    QByteArray byteOrderMark() const { return m_byteOrderMark; }
    int unitSize() const { return m_unitSize; }
    // The code unit of the character c (CR or LF) as it is written in the
    // file: one byte, or two in the file's byte order.
    QByteArray unitBytes(char16_t c) const;
    // The code unit at data (unitSize() bytes).
    char16_t unitAt(const char *data) const;

    // Decodes one line's bytes into out, reusing out's storage.
    void decodeInto(QByteArrayView bytes, QString &out);

private:
    QByteArray m_byteOrderMark;
    int m_unitSize = 1;
    bool m_bigEndian = false;
    std::optional<QStringDecoder> m_decoder; // none: the automatic per-line rule
};

} // namespace vxr

#include "text/TextDecoding.h"

#include <array>
#include <cstring>

namespace vxr {

namespace {

// 0x80..0x9F of Windows-1252. The unassigned 0x81, 0x8D, 0x8F, 0x90 and 0x9D
// keep their own value so that no byte is lost.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};

inline char16_t cp1252ToUtf16(unsigned char byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return Cp1252High[byte - 0x80];
    return byte;
}

inline bool isContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

qsizetype firstNonAscii(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    // Eight bytes at a time while they are all ASCII.
    for (; i + 8 <= size; i += 8) {
        quint64 chunk;
        std::memcpy(&chunk, data + i, sizeof chunk);
        if (chunk & 0x8080808080808080ULL)
            break;
    }
    for (; i < size; ++i) {
        if (data[i] & 0x80)
            return i;
    }
    return size;
}

void decodeWindows1252Into(QByteArrayView bytes, QString &out)
{
    out.resize(bytes.size());
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    const auto *src = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = cp1252ToUtf16(src[i]);
}

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = firstNonAscii(bytes);
    while (i < size) {
        const unsigned char lead = data[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length;
        unsigned char secondMin = 0x80;
        unsigned char secondMax = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                secondMin = 0xA0; // overlong
            else if (lead == 0xED)
                secondMax = 0x9F; // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                secondMin = 0x90; // overlong
            else if (lead == 0xF4)
                secondMax = 0x8F; // above U+10FFFF
        } else {
            return false; // continuation byte, C0/C1 overlong lead, or F5..FF
        }
        if (size - i < length)
            return false;
        if (data[i + 1] < secondMin || data[i + 1] > secondMax)
            return false;
        for (int k = 2; k < length; ++k) {
            if (!isContinuation(data[i + k]))
                return false;
        }
        i += length;
    }
    return true;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString out;
    decodeWindows1252Into(bytes, out);
    return out;
}

QString decodeText(QByteArrayView bytes)
{
    QString out;
    decodeTextInto(bytes, out);
    return out;
}

void decodeTextInto(QByteArrayView bytes, QString &out)
{
    // ASCII reads the same in both, and Windows-1252 decoding keeps out's storage.
    if (firstNonAscii(bytes) < bytes.size() && isValidUtf8(bytes))
        out = QString::fromUtf8(bytes);
    else
        decodeWindows1252Into(bytes, out);
}

} // namespace vxr

#pragma once

#include <QByteArrayView>
#include <QString>

namespace vxr {

// Text files reach us as bytes: exports from older point-of-sale packages are
// Windows-1252, newer ones UTF-8. These helpers tell the two apart and decode
// either without guessing per character.

// True when bytes is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF). Plain ASCII is valid UTF-8.
bool isValidUtf8(QByteArrayView bytes);

// Windows-1252: 0x80-0x9F through the code page's table (its five unassigned
// bytes map to the C1 control of the same value), everything else to the
// code point of the same value.
QString decodeWindows1252(QByteArrayView bytes);

// UTF-8 when bytes is valid UTF-8, else Windows-1252.
QString decodeText(QByteArrayView bytes);

// As decodeText, writing into out and reusing its storage where it can.
void decodeTextInto(QByteArrayView bytes, QString &out);

} // namespace vxr

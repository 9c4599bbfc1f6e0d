#pragma once

#include <QString>

namespace vxr {

class TextEncoding;

// Why the file at path cannot be imported as a text file or a workbook we
// read: it starts like an archive, a document or an image, or holds NUL
// bytes while it is not UTF-16 (by its byte-order mark or the encoding).
// Empty when it can be read, and when it cannot be opened (the reader says
// why later).
QString binaryFileProblem(const QString &path, const TextEncoding &encoding);

} // namespace vxr

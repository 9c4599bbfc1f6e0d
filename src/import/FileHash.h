#pragma once

#include <QString>

namespace vxr {

// The SHA-256 of a file, hex, read in one pass; empty when it cannot be read.
// Through OpenSSL's libcrypto where the build has it (it uses the
// processor's SHA instructions: a 100,000-line file in milliseconds rather
// than a third of a second), else through Qt.
QString fileSha256(const QString &path);

} // namespace vxr

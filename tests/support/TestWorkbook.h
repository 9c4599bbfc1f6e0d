#pragma once

#include <QByteArray>
#include <QString>

namespace vxr::test {

// Writes an .ods workbook whose content holds the given <table:table>
// elements (office, table and text namespaces declared). False when the
// file cannot be written.
bool writeTestOds(const QString &path, const QByteArray &tables);

} // namespace vxr::test

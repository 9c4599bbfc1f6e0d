#include "TestSupport.h"

#include <QDir>

namespace vxr::test {

QString sourcePath(const QString &relative)
{
    return QDir(QStringLiteral(VXR_SOURCE_DIR)).filePath(relative);
}

} // namespace vxr::test

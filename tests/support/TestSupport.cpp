#include "TestSupport.h"

#include <QDir>
#include <QFile>

namespace vxr::test {

QString sourcePath(const QString &relative)
{
    return QDir(QStringLiteral(VXR_SOURCE_DIR)).filePath(relative);
}

bool writeTestFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readTestFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace vxr::test

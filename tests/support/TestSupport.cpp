#include "TestSupport.h"

#include <QDir>
#include <QFile>

namespace vxr::test {

QString sourcePath(const QString &relative) { return QDir(QStringLiteral(VXR_SOURCE_DIR)).filePath(relative); }

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

QByteArray itemLines(int first, int last, const QByteArray &end)
{
    QByteArray text;
    for (int i = first; i <= last; ++i)
        text += "K" + QByteArray::number(i).rightJustified(4, '0') + ",Item " + QByteArray::number(i) + end;
    return text;
}

} // namespace vxr::test

#include "ManualLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace vxr {

QStringList manualCandidates(const QString &programFolder)
{
    const QDir program(programFolder);
    QStringList candidates{program.filePath(manualFileName()),
                           QDir::cleanPath(program.filePath(QStringLiteral("../share/vxrimp/") + manualFileName()))};
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString path = QDir(data).filePath(QStringLiteral("vxrimp/") + manualFileName());
        if (!candidates.contains(path))
            candidates << path;
    }
    return candidates;
}

QString manualPath(const QString &programFolder)
{
    const QStringList candidates = manualCandidates(programFolder);
    for (const QString &candidate : candidates)
        if (QFileInfo(candidate).isFile())
            return candidate;
    return candidates.first();
}

} // namespace vxr

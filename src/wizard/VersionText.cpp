#include "VersionText.h"

namespace vxr {

QString versionText(int major, int minor, int revision)
{
    QString letter;
    if (revision >= 1 && revision <= 5)
        letter = QChar(u'a' + (revision - 1));
    else if (revision != 0)
        letter = QString::number(revision);
    return QString::number(major) + QStringLiteral(".0") + QString::number(minor) + letter
        + QStringLiteral(" beta");
}

QString applicationVersionText()
{
    return versionText(VXR_VERSION_MAJOR, VXR_VERSION_MINOR, VXR_VERSION_PATCH);
}

} // namespace vxr

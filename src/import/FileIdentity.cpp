#include "FileIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#ifdef Q_OS_WIN
#include "FileSystemWin.h"
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace vxr {

namespace {

#ifdef Q_OS_WIN
const wchar_t *nativeName(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

bool systemIdentity(const QString &path, quint64 *volume, quint64 *index)
{
    std::uint64_t systemVolume = 0;
    std::uint64_t systemIndex = 0;
    if (!windows::fileIdentity(nativeName(QDir::toNativeSeparators(path)), &systemVolume, &systemIndex))
        return false;
    *volume = systemVolume;
    *index = systemIndex;
    return true;
}

constexpr Qt::CaseSensitivity NameCase = Qt::CaseInsensitive;
#else
bool systemIdentity(const QString &path, quint64 *volume, quint64 *index)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    *volume = quint64(status.st_dev);
    *index = quint64(status.st_ino);
    return true;
}

#ifdef Q_OS_DARWIN
constexpr Qt::CaseSensitivity NameCase = Qt::CaseInsensitive;
#else
constexpr Qt::CaseSensitivity NameCase = Qt::CaseSensitive;
#endif
#endif

// Where a file that does not exist would be created: a dangling link is
// followed to its target, and the folder is taken with its links resolved.
QString placeOf(const QString &path)
{
    QFileInfo info(path);
    for (int hop = 0; hop < 16 && info.isSymbolicLink(); ++hop)
        info.setFile(info.symLinkTarget());
    const QString folder = info.absolutePath();
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return QDir::cleanPath((canonical.isEmpty() ? folder : canonical) + QLatin1Char('/') + info.fileName());
}

} // namespace

FileIdentity FileIdentity::of(const QString &path)
{
    FileIdentity identity;
    if (path.isEmpty())
        return identity;
    identity.m_exists = systemIdentity(path, &identity.m_volume, &identity.m_index);
    if (!identity.m_exists)
        identity.m_place = placeOf(path);
    return identity;
}

bool FileIdentity::operator==(const FileIdentity &other) const
{
    if (isEmpty() || other.isEmpty() || m_exists != other.m_exists)
        return false;
    if (m_exists)
        return m_volume == other.m_volume && m_index == other.m_index;
    return m_place.compare(other.m_place, NameCase) == 0;
}

bool sameFile(const QString &a, const QString &b)
{
    return FileIdentity::of(a) == FileIdentity::of(b);
}

#ifdef Q_OS_WIN
bool replaceFile(const QString &from, const QString &to, QString *error)
{
    std::string why;
    if (windows::replaceFile(nativeName(QDir::toNativeSeparators(from)), nativeName(QDir::toNativeSeparators(to)),
                             &why))
        return true;
    *error = QString::fromLocal8Bit(why.c_str()).trimmed();
    return false;
}

bool syncToDisk(QFile &file)
{
    return windows::flushToDisk(file.handle());
}
#else
bool replaceFile(const QString &from, const QString &to, QString *error)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

bool syncToDisk(QFile &file)
{
    return ::fsync(file.handle()) == 0;
}
#endif

bool onNetworkDisk(const QString &folder)
{
    const QString path = QFileInfo(folder).absoluteFilePath();
    if (path.startsWith(QLatin1String("//")) || path.startsWith(QLatin1String("\\\\")))
        return true;
#ifdef Q_OS_WIN
    return windows::onRemoteVolume(nativeName(QDir::toNativeSeparators(path)));
#else
    const QByteArray type = QStorageInfo(path).fileSystemType().toLower();
    return type.contains("nfs") || type.contains("cifs") || type.contains("smb") || type == "9p"
        || type.startsWith("fuse");
#endif
}

} // namespace vxr

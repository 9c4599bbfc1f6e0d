#pragma once

#include <QFile>
#include <QString>

namespace vxr {

// Which file a path names, as the operating system knows it, so that two
// paths that reach one file through a hard link, a symbolic link or another
// spelling compare equal. An existing file is known by its device and inode
// (on Windows, its volume serial number and file index); a file that does not
// exist yet by the place it would be created at: its folder with links
// resolved, and its name.
class FileIdentity
{
public:
    static FileIdentity of(const QString &path);

    bool operator==(const FileIdentity &other) const;
    bool isEmpty() const { return !m_exists && m_place.isEmpty(); }

private:
    bool m_exists = false;
    quint64 m_volume = 0;
    quint64 m_index = 0;
    QString m_place; // a file that does not exist
};

// Two paths of one file; false when either is empty.
bool sameFile(const QString &a, const QString &b);

// Moves from onto to in one step, replacing a file already there; a reader
// of to sees the old file or the new one, never a mix. The reason in error
// when it cannot.
bool replaceFile(const QString &from, const QString &to, QString *error);

// Has the system write what an open file holds to the disk, so that it
// survives a power loss once it is renamed into place.
bool syncToDisk(QFile &file);

// Whether the folder is on another computer's disk: a network share or a
// network file system, where programs on two computers may open one file.
bool onNetworkDisk(const QString &folder);

} // namespace vxr

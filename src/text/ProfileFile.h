#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace vxr {

// Private-profile (INI) files: "[Section]" headers and "key=value" lines, as
// operators edit them by hand and as older installations wrote them.
namespace ProfileFile {

// One key=value to store in a section.
struct ProfileEntry
{
    QString section;
    QString key;
    QString value;
};

// The keys of a file as read at one moment, for answering many look-ups
// with one read of the file.
class Contents
{
public:
    // The file's sections and keys; none when the file is missing, cannot be
    // read or is not a regular file.
    static Contents load(const QString &path);

    // The value of key in section (names compared without regard to case,
    // blanks around keys and values ignored, a value in matching double
    // quotes returned without them). Only the first section of a name and
    // its first line with the key count. At most bufferSize - 1 characters
    // are returned. A missing section or key gives defaultValue (also cut to
    // bufferSize - 1).
    QString value(const QString &section, const QString &key, const QString &defaultValue,
                  int bufferSize) const;
    // The whole value of key in section, found as above; none when missing.
    std::optional<QString> find(const QString &section, const QString &key) const;
    // True when the file has a section of this name.
    bool hasSection(const QString &section) const;

private:
    struct Key
    {
        QString name;
        QString value;
    };
    struct Section
    {
        QString name;
        QList<Key> keys;
    };
    QList<Section> m_sections;
};

// The value of key in section of the file at path, as Contents::value reads
// it; a missing file gives defaultValue.
QString readString(const QString &path, const QString &section, const QString &key,
                   const QString &defaultValue, int bufferSize);

// Writes key=value into section: replaces the value where it stands, adds a
// missing key at the end of its section, creates a missing section at the end
// of the file and a missing file; every other line is kept as it was. New
// files use CRLF line endings. False (with *error) when the entry cannot be
// stored or the file cannot be written.
bool writeString(const QString &path, const QString &section, const QString &key,
                 const QString &value, QString *error = nullptr);

// Writes every entry, in order, as writeString would one after the other, but
// reads the file once and replaces it once. Entries that cannot be stored
// refuse the whole batch and leave the file as it was.
bool writeStrings(const QString &path, const QList<ProfileEntry> &entries, QString *error = nullptr);

} // namespace ProfileFile
} // namespace vxr

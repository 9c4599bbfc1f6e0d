#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

typedef struct zip zip_t;

namespace vxr {

// A zip file read whole into memory and opened with libzip (a workbook is
// small beside the memory a run holds anyway; reading it ourselves also keeps
// libzip away from file names in the platform's encoding).
class ZipArchive
{
public:
    explicit ZipArchive(const QString &path);
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    bool contains(const QString &name) const;
    // The uncompressed bytes of an entry; nothing (with errorString()) when
    // it is missing, damaged or too large to be a sheet.
    std::optional<QByteArray> read(const QString &name);
    QString errorString() const { return m_error; }

private:
    QByteArray m_bytes; // the buffer libzip reads from
    zip_t *m_zip = nullptr;
    QString m_error;
};

} // namespace vxr

#include "text/ZipArchive.h"

#include <QFile>

#include <zip.h>

namespace vxr {

namespace {

// An entry larger than this is not read (a zip bomb, or no sheet we can hold).
constexpr zip_uint64_t LargestEntry = zip_uint64_t(1) << 30;

QString zipErrorText(zip_error_t *error)
{
    return QString::fromUtf8(zip_error_strerror(error));
}

} // namespace

ZipArchive::ZipArchive(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return;
    }
    m_bytes = file.readAll();
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(m_bytes.constData(), zip_uint64_t(m_bytes.size()), 0, &error);
    if (source)
        m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!m_zip) {
        m_error = zipErrorText(&error);
        if (source)
            zip_source_free(source);
    }
    zip_error_fini(&error);
}

ZipArchive::~ZipArchive()
{
    if (m_zip)
        zip_discard(m_zip);
}

bool ZipArchive::contains(const QString &name) const
{
    return m_zip && zip_name_locate(m_zip, name.toUtf8().constData(), 0) >= 0;
}

std::optional<QByteArray> ZipArchive::read(const QString &name)
{
    if (!m_zip)
        return std::nullopt;
    const QByteArray entry = name.toUtf8();
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(m_zip, entry.constData(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE)) {
        m_error = QStringLiteral("the workbook has no part %1").arg(name);
        return std::nullopt;
    }
    if (stat.size > LargestEntry) {
        m_error = QStringLiteral("the part %1 of the workbook is too large").arg(name);
        return std::nullopt;
    }
    zip_file_t *file = zip_fopen(m_zip, entry.constData(), 0);
    if (!file) {
        m_error = zipErrorText(zip_get_error(m_zip));
        return std::nullopt;
    }
    QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
    const zip_int64_t got = zip_fread(file, bytes.data(), stat.size);
    if (got != zip_int64_t(stat.size)) {
        m_error = QStringLiteral("the part %1 of the workbook is damaged: %2")
                      .arg(name, zipErrorText(zip_file_get_error(file)));
        zip_fclose(file);
        return std::nullopt;
    }
    zip_fclose(file);
    return bytes;
}

} // namespace vxr

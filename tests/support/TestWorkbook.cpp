#include "TestWorkbook.h"

#include <zip.h>

namespace vxr::test {

bool writeTestOds(const QString &path, const QByteArray &tables)
{
    const QByteArray mime = "application/vnd.oasis.opendocument.spreadsheet";
    const QByteArray content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
        + tables + "</office:spreadsheet></office:body></office:document-content>";
    int error = 0;
    zip_t *zip = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return false;
    bool added = true;
    for (const auto &[name, bytes] : {std::pair{"mimetype", &mime}, std::pair{"content.xml", &content}}) {
        zip_source_t *source = zip_source_buffer(zip, bytes->constData(), zip_uint64_t(bytes->size()), 0);
        added = added && source && zip_file_add(zip, name, source, ZIP_FL_OVERWRITE) >= 0;
    }
    return zip_close(zip) == 0 && added;
}

} // namespace vxr::test

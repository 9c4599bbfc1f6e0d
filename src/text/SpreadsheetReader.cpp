#include "text/SpreadsheetReader.h"

#include "text/OdsBook.h"
#include "text/XlsxBook.h"
#include "text/ZipArchive.h"

#include <QFile>

namespace vxr {

namespace {

const QString OdsMimeType = QStringLiteral("application/vnd.oasis.opendocument.spreadsheet");

bool startsLikeZip(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArrayView("PK\x03\x04");
}

} // namespace

SpreadsheetKind spreadsheetKind(const QString &path)
{
    if (!startsLikeZip(path))
        return SpreadsheetKind::None;
    ZipArchive zip(path);
    if (zip.contains(QStringLiteral("xl/workbook.xml")))
        return SpreadsheetKind::Xlsx;
    if (zip.contains(QStringLiteral("content.xml"))) {
        const std::optional<QByteArray> mime = zip.read(QStringLiteral("mimetype"));
        if (mime && QString::fromUtf8(*mime).trimmed() == OdsMimeType)
            return SpreadsheetKind::Ods;
    }
    return SpreadsheetKind::None;
}

std::optional<QStringList> SpreadsheetReader::sheetNames()
{
    if (spreadsheetKind(m_path) == SpreadsheetKind::Xlsx) {
        XlsxBook book(m_path);
        if (book.open())
            return book.sheetNames();
        m_error = book.errorString();
        return std::nullopt;
    }
    const std::optional<QByteArray> content = odsContent();
    if (!content)
        return std::nullopt;
    OdsBook book(*content);
    const std::optional<QStringList> names = book.sheetNames();
    m_error = book.errorString();
    return names;
}

std::optional<QByteArray> SpreadsheetReader::odsContent()
{
    ZipArchive zip(m_path);
    std::optional<QByteArray> content = zip.read(QStringLiteral("content.xml"));
    if (!content)
        m_error = zip.errorString();
    return content;
}

std::optional<SheetRows> SpreadsheetReader::readSheet(const QString &sheet, const QString &decimalSeparator)
{
    if (spreadsheetKind(m_path) == SpreadsheetKind::Xlsx) {
        XlsxBook book(m_path);
        std::optional<SheetRows> rows = book.open() ? book.readSheet(sheet, decimalSeparator) : std::nullopt;
        m_error = book.errorString();
        return rows;
    }
    const std::optional<QByteArray> content = odsContent();
    if (!content)
        return std::nullopt;
    OdsBook book(*content);
    std::optional<SheetRows> rows = book.readSheet(sheet, decimalSeparator);
    m_error = book.errorString();
    return rows;
}

} // namespace vxr

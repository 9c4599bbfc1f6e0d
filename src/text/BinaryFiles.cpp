#include "text/BinaryFiles.h"

#include "text/SpreadsheetReader.h"
#include "text/TextEncoding.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>


namespace vxr {

namespace {

// How much of a file is looked at for NUL bytes.
constexpr qint64 Sample = 1024 * 1024;

const QString SaveAsText = QStringLiteral("save it as CSV");
const QString SaveAsSheet = QStringLiteral("save it as .xlsx or CSV");

struct Signature
{
    QByteArrayView start;
    const char *what;
    bool spreadsheetLike;
};

const Signature Signatures[] = {
    {QByteArrayView("%PDF-"), "a PDF document", false},
    {QByteArrayView("\x89PNG\r\n\x1a\n"), "a PNG image", false},
    {QByteArrayView("\xFF\xD8\xFF"), "a JPEG image", false},
    {QByteArrayView("GIF87a"), "a GIF image", false},
    {QByteArrayView("GIF89a"), "a GIF image", false},
    {QByteArrayView("\x1F\x8B"), "a gzip archive", false},
    {QByteArrayView("7z\xBC\xAF\x27\x1C"), "a 7-Zip archive", false},
    {QByteArrayView("Rar!\x1A\x07"), "a RAR archive", false},
    {QByteArrayView("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"), "an older Office file (.xls, .doc)", true},
};

QString refusal(const QString &path, const QString &what, const QString &advice)
{
    return QStringLiteral("the text file %1 is %2, not text: %3").arg(QDir::toNativeSeparators(path), what, advice);
}

bool startsUtf16(QByteArrayView bytes)
{
    return bytes.startsWith(QByteArrayView("\xFF\xFE")) || bytes.startsWith(QByteArrayView("\xFE\xFF"));
}

} // namespace

QString binaryFileProblem(const QString &path, const TextEncoding &encoding)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QByteArray sample = file.read(Sample);
    file.close();
    for (const Signature &signature : Signatures) {
        if (QByteArrayView(sample).startsWith(signature.start))
            return refusal(path, QLatin1String(signature.what), signature.spreadsheetLike ? SaveAsSheet : SaveAsText);
    }
    if (sample.startsWith("PK\x03\x04") || sample.startsWith("PK\x05\x06")) {
        if (spreadsheetKind(path) != SpreadsheetKind::None)
            return QString();
        return refusal(path, QStringLiteral("a zip archive (no .xlsx or .ods workbook)"),
                       QStringLiteral("unpack it, or ") + SaveAsSheet);
    }
    if (sample.contains('\0') && !encoding.isUtf16() && !startsUtf16(sample))
        return refusal(path, QStringLiteral("binary (it holds NUL bytes)"),
                       QStringLiteral("choose the UTF-16 encoding if it is UTF-16 text, or ") + SaveAsSheet);
    return QString();
}

} // namespace vxr

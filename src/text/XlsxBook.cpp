#include "text/XlsxBook.h"

#include "text/SheetCells.h"

#include <QXmlStreamReader>

namespace vxr {

namespace {

const QString WorkbookPart = QStringLiteral("xl/workbook.xml");
const QString RelationshipsPart = QStringLiteral("xl/_rels/workbook.xml.rels");

// The built-in number formats that show dates or times.
bool builtInDateFormat(int id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) || (id >= 50 && id <= 58);
}

// A custom number format shows a date or a time when a day, month, year,
// hour or second code stands outside its quoted text, escapes and
// [colour]/[condition] parts.
bool customDateFormat(QStringView code)
{
    bool quoted = false;
    bool bracketed = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i).toLower();
        if (c == u'"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == u'\\' || c == u'_' || c == u'*')
            ++i;
        else if (c == u'[')
            bracketed = true;
        else if (c == u']')
            bracketed = false;
        else if (bracketed)
            continue;
        else if (c == u'd' || c == u'm' || c == u'y' || c == u'h' || c == u's')
            return true;
    }
    return false;
}

// A part named by a relationship's target, from the workbook's folder.
QString partOf(const QString &target)
{
    return target.startsWith(u'/') ? target.mid(1) : QStringLiteral("xl/") + target;
}

QString attribute(const QXmlStreamReader &xml, QStringView name)
{
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        if (a.name() == name)
            return a.value().toString();
    }
    return QString();
}

// The column of a cell reference ("AB12": 28); 0 when it has none.
qint64 referenceColumn(QStringView reference)
{
    qint64 column = 0;
    for (const QChar c : reference) {
        if (c < u'A' || c > u'Z')
            break;
        column = column * 26 + (c.unicode() - u'A' + 1);
    }
    return column;
}

// The text of an element holding <t> runs (a shared string, an inline
// string), without its phonetic guide; the reader ends past its end.
QString runText(QXmlStreamReader &xml)
{
    QString text;
    const QString element = xml.name().toString();
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"rPh")
            ++phonetic;
        else if (xml.isEndElement() && xml.name() == u"rPh")
            --phonetic;
        else if (xml.isStartElement() && xml.name() == u"t" && phonetic == 0)
            text += xml.readElementText();
        else if (xml.isEndElement() && xml.name() == element)
            break;
    }
    return text;
}

} // namespace

bool XlsxBook::fail(const QString &why)
{
    m_error = why;
    return false;
}

QString XlsxBook::errorString() const
{
    return m_error.isEmpty() ? m_zip.errorString() : m_error;
}

bool XlsxBook::open()
{
    QHash<QString, QString> targets;
    if (!readRelationships(&targets))
        return false;
    const std::optional<QByteArray> workbook = m_zip.read(WorkbookPart);
    if (!workbook)
        return fail(m_zip.errorString());
    QXmlStreamReader xml(*workbook);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"workbookPr") {
            const QString system = attribute(xml, u"date1904");
            m_date1904 = system == u"1" || system == u"true";
        } else if (xml.name() == u"sheet") {
            m_sheets.append({attribute(xml, u"name"), partOf(targets.value(attribute(xml, u"id")))});
        }
    }
    if (xml.hasError())
        return fail(QStringLiteral("the workbook part is damaged: %1").arg(xml.errorString()));
    if (m_sheets.isEmpty())
        return fail(QStringLiteral("the workbook has no sheet"));
    return true;
}

bool XlsxBook::readRelationships(QHash<QString, QString> *targets)
{
    const std::optional<QByteArray> bytes = m_zip.read(RelationshipsPart);
    if (!bytes)
        return fail(m_zip.errorString());
    QXmlStreamReader xml(*bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
            continue;
        const QString target = attribute(xml, u"Target");
        const QString type = attribute(xml, u"Type");
        targets->insert(attribute(xml, u"Id"), target);
        if (type.endsWith(u"/sharedStrings"))
            m_sharedStringsPart = partOf(target);
        else if (type.endsWith(u"/styles"))
            m_stylesPart = partOf(target);
    }
    return !xml.hasError() || fail(QStringLiteral("the workbook's relationships are damaged"));
}

bool XlsxBook::readSharedStrings()
{
    if (m_sharedStringsPart.isEmpty())
        return true;
    const std::optional<QByteArray> bytes = m_zip.read(m_sharedStringsPart);
    if (!bytes)
        return fail(m_zip.errorString());
    QXmlStreamReader xml(*bytes);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
            m_sharedStrings.append(runText(xml));
    }
    return !xml.hasError() || fail(QStringLiteral("the workbook's shared strings are damaged"));
}

bool XlsxBook::readStyles()
{
    if (m_stylesPart.isEmpty())
        return true;
    const std::optional<QByteArray> bytes = m_zip.read(m_stylesPart);
    if (!bytes)
        return fail(m_zip.errorString());
    QHash<int, bool> customFormats;
    bool inCellFormats = false;
    QXmlStreamReader xml(*bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"cellXfs")
            inCellFormats = false;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"numFmt") {
            customFormats.insert(attribute(xml, u"numFmtId").toInt(), customDateFormat(attribute(xml, u"formatCode")));
        } else if (xml.name() == u"cellXfs") {
            inCellFormats = true;
        } else if (inCellFormats && xml.name() == u"xf") {
            const int id = attribute(xml, u"numFmtId").toInt();
            m_dateStyles.append(customFormats.value(id, builtInDateFormat(id)));
        }
    }
    return !xml.hasError() || fail(QStringLiteral("the workbook's styles are damaged"));
}

QStringList XlsxBook::sheetNames() const
{
    QStringList names;
    for (const Sheet &sheet : m_sheets)
        names << sheet.name;
    return names;
}

QString XlsxBook::cellText(const QString &type, const QString &value, int style,
                           const QString &decimalSeparator) const
{
    if (type == u"s") {
        const int index = value.toInt();
        return index >= 0 && index < m_sharedStrings.size() ? m_sharedStrings.at(index) : QString();
    }
    if (type == u"b")
        return value.trimmed() == u"1" ? QStringLiteral("1") : QStringLiteral("0");
    if (type == u"str" || type == u"e" || type == u"d" || type == u"inlineStr")
        return value;
    if (value.isEmpty())
        return value;
    if (style >= 0 && style < m_dateStyles.size() && m_dateStyles.at(style)) {
        bool ok = false;
        const double serial = value.toDouble(&ok);
        if (ok)
            return sheetDateText(sheetSerialDate(serial, m_date1904));
    }
    return sheetNumberText(value, decimalSeparator);
}

std::optional<SheetRows> XlsxBook::readSheet(const QString &name, const QString &decimalSeparator)
{
    const Sheet *sheet = nullptr;
    for (const Sheet &candidate : m_sheets) {
        if (name.isEmpty() || candidate.name.compare(name, Qt::CaseInsensitive) == 0) {
            sheet = &candidate;
            break;
        }
    }
    if (!sheet) {
        m_error = QStringLiteral("the workbook has no sheet \"%1\" (it has: %2)")
                      .arg(name, sheetNames().join(QStringLiteral(", ")));
        return std::nullopt;
    }
    // What the cells refer to, read only for a sheet's cells.
    if (!readSharedStrings() || !readStyles())
        return std::nullopt;
    const std::optional<QByteArray> bytes = m_zip.read(sheet->part);
    if (!bytes) {
        m_error = m_zip.errorString();
        return std::nullopt;
    }
    SheetRowsBuilder rows;
    qint64 nextRow = 1;
    qint64 nextColumn = 1;
    QXmlStreamReader xml(*bytes);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"row") {
            rows.endRow();
            ++nextRow;
        }
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"row") {
            const qint64 number = attribute(xml, u"r").toLongLong();
            if (number > nextRow) {
                rows.addEmptyRows(number - nextRow);
                nextRow = number;
            }
            nextColumn = 1;
        } else if (xml.name() == u"c") {
            const QString reference = attribute(xml, u"r");
            const qint64 column = reference.isEmpty() ? nextColumn : referenceColumn(reference);
            const QString type = attribute(xml, u"t");
            const int style = attribute(xml, u"s").toInt();
            QString value;
            while (!(xml.isEndElement() && xml.name() == u"c") && !xml.atEnd()) {
                xml.readNext();
                if (xml.isStartElement() && xml.name() == u"v")
                    value = xml.readElementText();
                else if (xml.isStartElement() && xml.name() == u"is")
                    value = runText(xml);
            }
            rows.setCell(column, cellText(type, value, style, decimalSeparator));
            nextColumn = column + 1;
        }
    }
    if (xml.hasError()) {
        m_error = QStringLiteral("the sheet \"%1\" is damaged: %2").arg(sheet->name, xml.errorString());
        return std::nullopt;
    }
    return rows.take();
}

} // namespace vxr

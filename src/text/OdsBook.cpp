#include "text/OdsBook.h"

#include "text/SheetCells.h"

#include <QXmlStreamReader>

namespace vxr {

namespace {

QString attribute(const QXmlStreamReader &xml, QStringView name)
{
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        if (a.name() == name)
            return a.value().toString();
    }
    return QString();
}

qint64 repeatOf(const QXmlStreamReader &xml, QStringView name)
{
    return qMax<qint64>(1, attribute(xml, name).toLongLong());
}

bool isCell(const QXmlStreamReader &xml)
{
    return xml.name() == u"table-cell" || xml.name() == u"covered-table-cell";
}

// The text a cell shows: its paragraphs one to a line, with their spaces,
// tabs and line breaks; the reader ends at the cell's end.
QString shownText(QXmlStreamReader &xml)
{
    QString text;
    bool firstParagraph = true;
    while (!xml.atEnd() && !(xml.isEndElement() && isCell(xml))) {
        xml.readNext();
        if (xml.isCharacters()) {
            text += xml.text();
        } else if (xml.isStartElement()) {
            if (xml.name() == u"p" && !std::exchange(firstParagraph, false))
                text += u'\n';
            else if (xml.name() == u"s")
                text += QString(repeatOf(xml, u"c"), u' ');
            else if (xml.name() == u"tab")
                text += u'\t';
            else if (xml.name() == u"line-break")
                text += u'\n';
            else if (xml.name() == u"annotation")
                xml.skipCurrentElement();
        }
    }
    return text;
}

// The cell's value by its type; the reader ends at the cell's end.
QString cellText(QXmlStreamReader &xml, const QString &decimalSeparator)
{
    const QString type = attribute(xml, u"value-type");
    QString value;
    if (type == u"float" || type == u"percentage" || type == u"currency") {
        value = sheetNumberText(attribute(xml, u"value"), decimalSeparator);
    } else if (type == u"date") {
        value = attribute(xml, u"date-value");
        if (value.endsWith(u"T00:00:00"))
            value.chop(9);
    } else if (type == u"boolean") {
        value = attribute(xml, u"boolean-value") == u"true" ? QStringLiteral("1") : QStringLiteral("0");
    }
    const QString shown = xml.isEndElement() ? QString() : shownText(xml);
    return type.isEmpty() || type == u"string" || type == u"time" || value.isEmpty() ? shown : value;
}

} // namespace

std::optional<QStringList> OdsBook::sheetNames()
{
    QStringList names;
    QXmlStreamReader xml(m_content);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"table") {
            names << attribute(xml, u"name");
            xml.skipCurrentElement();
        }
    }
    if (xml.hasError()) {
        m_error = QStringLiteral("the workbook's content is damaged: %1").arg(xml.errorString());
        return std::nullopt;
    }
    return names;
}

std::optional<SheetRows> OdsBook::readSheet(const QString &name, const QString &decimalSeparator)
{
    QXmlStreamReader xml(m_content);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"table")
            continue;
        if (!name.isEmpty() && attribute(xml, u"name").compare(name, Qt::CaseInsensitive) != 0) {
            xml.skipCurrentElement();
            continue;
        }
        SheetRowsBuilder rows;
        qint64 rowRepeat = 1;
        qint64 column = 1;
        while (!xml.atEnd() && !(xml.isEndElement() && xml.name() == u"table")) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == u"table-row") {
                rows.endRow(rowRepeat);
            } else if (xml.isStartElement() && xml.name() == u"table-row") {
                rowRepeat = repeatOf(xml, u"number-rows-repeated");
                column = 1;
            } else if (xml.isStartElement() && isCell(xml)) {
                const qint64 repeat = repeatOf(xml, u"number-columns-repeated");
                const QString text = cellText(xml, decimalSeparator);
                // Past the last kept column one cell says enough.
                for (qint64 c = column; !text.isEmpty() && c < column + repeat && c <= SheetRows::SheetColumns; ++c)
                    rows.setCell(c, text);
                if (!text.isEmpty() && column + repeat - 1 > SheetRows::SheetColumns)
                    rows.setCell(column + repeat - 1, text);
                column += repeat;
            }
        }
        if (xml.hasError())
            break;
        return rows.take();
    }
    m_error = xml.hasError() ? QStringLiteral("the workbook's content is damaged: %1").arg(xml.errorString())
                             : QStringLiteral("the workbook has no sheet \"%1\" (it has: %2)")
                                   .arg(name, sheetNames().value_or(QStringList()).join(QStringLiteral(", ")));
    return std::nullopt;
}

} // namespace vxr

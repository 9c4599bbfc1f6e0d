// The part of RecordReader that reads a workbook's sheet (see RecordReader.h).
#include "text/RecordReader.h"

namespace vxr {

namespace {

// A row as a CSV line: cells joined by commas, quoted when they hold a
// comma, a quotation mark, a line break or edge spaces.
QString csvLine(const QStringList &row)
{
    QString line;
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (i > 0)
            line += u',';
        QString cell = row.at(i);
        const bool quote = cell.contains(u',') || cell.contains(u'"') || cell.contains(u'\n')
                           || cell.contains(u'\r') || cell.startsWith(u' ') || cell.endsWith(u' ');
        if (quote)
            line += u'"' + cell.replace(u'"', QStringLiteral("\"\"")) + u'"';
        else
            line += cell;
    }
    return line;
}

} // namespace

bool RecordReader::openSheet(const QString &path)
{
    SpreadsheetReader workbook(path);
    std::optional<SheetRows> rows = workbook.readSheet(sheet, decimalSeparator);
    if (!rows) {
        m_errorString = workbook.errorString();
        return false;
    }
    m_sheet = std::move(rows);
    m_sheetRow = 0;
    m_decoding = FileDecoding(); // rows are written back as UTF-8
    makeLineEnds();
    return true;
}

void RecordReader::readSheetRow()
{
    const QStringList &row = m_sheet->rows.at(m_sheetRow++);
    clearFieldTexts();
    m_tooManyFields = false;
    int position = 1;
    for (const QString &cell : row) {
        m_field = cell;
        if (stripApostrophes)
            m_field.remove(u'\'');
        endField(position);
    }
    m_workLine = csvLine(row);
    currentBytes = m_workLine.toUtf8();
    m_currentLineEnd = LineEnd::CrLf;
}

QString RecordReader::sheetWarning() const
{
    if (!m_sheet || !m_sheet->columnsCut)
        return QString();
    return QStringLiteral("the sheet has cells past column %1; they are not read").arg(SheetRows::SheetColumns);
}

} // namespace vxr

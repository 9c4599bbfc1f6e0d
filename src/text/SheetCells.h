#pragma once

#include "text/SpreadsheetReader.h"

#include <QDateTime>
#include <QString>
#include <QStringView>

namespace vxr {

// A number as a workbook stores it ("1.5", "1E-3") in plain digits with the
// decimal separator given: "1,5", "0.001". A text that is no number stays.
QString sheetNumberText(QStringView stored, const QString &decimalSeparator);
// A date and time as ISO 8601: "2026-07-16", or "2026-07-16T10:20:30" when it
// has a time of day.
QString sheetDateText(const QDateTime &dateTime);
// A date serial number of the 1900 date system (1904 when date1904) as a date.
QDateTime sheetSerialDate(double serial, bool date1904);

// Gathers the rows of a sheet: cells by column, rows by number, repeated
// rows once per repeat; empty trailing cells, and empty rows after the last
// row with text, are left out.
class SheetRowsBuilder
{
public:
    // Cells at columns 1.. of the row being built; past the last kept column
    // a cell with text only marks the rows cut.
    void setCell(qint64 column, const QString &text);
    // Ends the row being built, which stands for repeat rows.
    void endRow(qint64 repeat = 1);
    // Empty rows before the next one (gaps in the row numbers).
    void addEmptyRows(qint64 count) { m_pendingEmpty += count; }
    SheetRows take();

private:
    SheetRows m_rows;
    QStringList m_row;
    qint64 m_pendingEmpty = 0;
};

} // namespace vxr

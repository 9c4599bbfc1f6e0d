#include "text/SheetCells.h"

#include <charconv>
#include <cmath>
#include <string>

namespace vxr {

namespace {

// More rows than any sheet holds: a repeat past it is a trailing run of
// formatting, not rows.
constexpr qint64 MostRows = 1 << 20;

} // namespace

QString sheetNumberText(QStringView stored, const QString &decimalSeparator)
{
    const std::string text = stored.trimmed().toString().toStdString();
    double value = 0;
    const auto read = std::from_chars(text.data(), text.data() + text.size(), value);
    if (read.ec != std::errc() || read.ptr != text.data() + text.size() || !std::isfinite(value))
        return stored.toString();
    char digits[400];
    const auto written = std::to_chars(digits, digits + sizeof(digits), value, std::chars_format::fixed);
    if (written.ec != std::errc())
        return stored.toString();
    QString result = QString::fromLatin1(digits, written.ptr - digits);
    result.replace(u'.', decimalSeparator);
    return result;
}

QString sheetDateText(const QDateTime &dateTime)
{
    if (dateTime.time() == QTime(0, 0))
        return dateTime.date().toString(Qt::ISODate);
    return dateTime.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

QDateTime sheetSerialDate(double serial, bool date1904)
{
    const QDate base = date1904 ? QDate(1904, 1, 1) : QDate(1899, 12, 30);
    const double days = std::floor(serial);
    qint64 seconds = std::llround((serial - days) * 86400.0);
    qint64 day = qint64(days);
    // The 1900 date system counts a 29 February 1900 that never was (serial
    // 60): the serials before it are one day later than the base makes them.
    // Serial 60 itself is taken as the 28th.
    if (!date1904 && day >= 1 && day < 60)
        ++day;
    if (seconds >= 86400) {
        ++day;
        seconds -= 86400;
    }
    return QDateTime(base.addDays(day), QTime(0, 0).addSecs(int(seconds)), Qt::UTC);
}

void SheetRowsBuilder::setCell(qint64 column, const QString &text)
{
    if (text.isEmpty() || column < 1)
        return;
    if (column > SheetRows::SheetColumns) {
        m_rows.columnsCut = true;
        return;
    }
    while (m_row.size() < column)
        m_row.append(QString());
    m_row[column - 1] = text;
}

void SheetRowsBuilder::endRow(qint64 repeat)
{
    if (m_row.isEmpty()) {
        m_pendingEmpty += repeat;
        return;
    }
    for (; m_pendingEmpty > 0 && m_rows.rows.size() < MostRows; --m_pendingEmpty)
        m_rows.rows.append(QStringList());
    m_pendingEmpty = 0;
    for (qint64 i = 0; i < repeat && m_rows.rows.size() < MostRows; ++i)
        m_rows.rows.append(m_row);
    m_row.clear();
}

SheetRows SheetRowsBuilder::take()
{
    return std::move(m_rows);
}

} // namespace vxr

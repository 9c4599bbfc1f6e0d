#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

namespace vxr {

// A text read as a date, or a date and time, under the regional settings:
// the locale's short (and long) date formats with or without a time, ISO 8601
// ("2003-01-02", "2003-01-02T10:20:30", "2003-01-02 10:20"), and month names.
// Impossible dates such as 31/02/2003 are not dates.
std::optional<QDateTime> TextToDate(const QString &text, const QLocale &locale = QLocale::system());

// The variant date convention: the whole number n is the day n after 1899-12-30
// (so 1 is 1899-12-31); a fraction is the time of day.
// In local time by default; Qt::UTC gives the same date and time of day
// without consulting the system's time zone rules (which costs a system call
// for every date made).
QDateTime dateFromSerial(double serial, Qt::TimeSpec zone = Qt::LocalTime);

} // namespace vxr

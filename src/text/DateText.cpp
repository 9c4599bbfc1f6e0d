#include "text/DateText.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>

namespace vxr {

namespace {

enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

// Years written with one or two digits fall in 1930..2029.
int widenYear(int year, int digits)
{
    if (digits > 2)
        return year;
    return year < 30 ? 2000 + year : 1900 + year;
}

DateOrder numericOrder(const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const qsizetype day = format.indexOf(u'd');
    const qsizetype month = format.indexOf(u'M');
    const qsizetype year = format.indexOf(u'y');
    if (day < 0 || month < 0 || year < 0)
        return DateOrder::MonthDayYear;
    if (year < month && year < day)
        return DateOrder::YearMonthDay;
    return day < month ? DateOrder::DayMonthYear : DateOrder::MonthDayYear;
}

// "10:20", "10:20:30", "10:20:30.5", "1:05 PM" (also the locale's own AM/PM
// texts). Nothing else may follow.
std::optional<QTime> readTime(QStringView text, const QLocale &locale)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{1,2}):(\d{2})(?::(\d{2})(?:[.,](\d{1,3}))?)?\s*(\S*)$)"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    int hour = match.capturedView(1).toInt();
    const int minute = match.capturedView(2).toInt();
    const int second = match.capturedView(3).isEmpty() ? 0 : match.capturedView(3).toInt();
    int msec = 0;
    if (const QStringView fraction = match.capturedView(4); !fraction.isEmpty())
        msec = fraction.toString().leftJustified(3, u'0').toInt();

    const QStringView marker = match.capturedView(5);
    if (!marker.isEmpty()) {
        const auto is = [&](const QString &text) {
            return !text.isEmpty() && marker.compare(text, Qt::CaseInsensitive) == 0;
        };
        const bool am = is(QStringLiteral("AM")) || is(QStringLiteral("A")) || is(locale.amText());
        const bool pm = is(QStringLiteral("PM")) || is(QStringLiteral("P")) || is(locale.pmText());
        if ((!am && !pm) || hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    const QTime time(hour, minute, second, msec);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

// Dates written with numbers only: three groups split by the same "/", "-"
// or ".", in the locale's order unless the first group has four digits
// (then year, month, day as in ISO 8601).
std::optional<QDate> readNumericDate(QStringView text, DateOrder order)
{
    static const QRegularExpression pattern(QStringLiteral(R"(^(\d{1,4})([/.\-])(\d{1,2})\2(\d{1,4})$)"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QStringView first = match.capturedView(1);
    const QStringView second = match.capturedView(3);
    const QStringView third = match.capturedView(4);
    if (first.size() == 4)
        order = DateOrder::YearMonthDay;
    else if (first.size() == 3 || third.size() == 3)
        return std::nullopt;

    int year = 0, month = 0, day = 0;
    switch (order) {
    case DateOrder::YearMonthDay:
        if (third.size() > 2)
            return std::nullopt;
        year = widenYear(first.toInt(), int(first.size()));
        month = second.toInt();
        day = third.toInt();
        break;
    case DateOrder::DayMonthYear:
        day = first.toInt();
        month = second.toInt();
        year = widenYear(third.toInt(), int(third.size()));
        break;
    case DateOrder::MonthDayYear:
        month = first.toInt();
        day = second.toInt();
        year = widenYear(third.toInt(), int(third.size()));
        break;
    }
    const QDate date(year, month, day);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

// The date formats with month names tried in the locale's language and in
// English.
QStringList monthNameFormats(const QLocale &locale)
{
    static const QRegularExpression leadingWeekday(QStringLiteral(R"(^\s*dddd\W*)"));
    QStringList formats{locale.dateFormat(QLocale::LongFormat)};
    QString withoutWeekday = formats.first();
    withoutWeekday.remove(leadingWeekday);
    formats << withoutWeekday;
    for (const char *format : {"d MMMM yyyy", "d MMM yyyy", "d. MMMM yyyy", "d. MMM yyyy",
                               "MMMM d, yyyy", "MMM d, yyyy", "MMMM d yyyy", "MMM d yyyy",
                               "d-MMM-yyyy", "d-MMMM-yyyy", "d-MMM-yy", "d MMM yy",
                               "dddd, MMMM d, yyyy", "dddd, d MMMM yyyy"}) {
        formats << QString::fromLatin1(format);
    }
    formats.removeDuplicates();
    return formats;
}

std::optional<QDate> readMonthNameDate(const QString &text, const QLocale &locale)
{
    const std::array<QLocale, 2> languages{locale, QLocale::c()};
    for (const QLocale &language : languages) {
        for (const QString &format : monthNameFormats(language)) {
            QDate date = language.toDate(text, format);
            if (!date.isValid())
                continue;
            const bool twoDigitYear = format.contains(QLatin1String("yy"))
                                      && !format.contains(QLatin1String("yyyy"));
            if (twoDigitYear)
                date = QDate(widenYear(date.year() % 100, 2), date.month(), date.day());
            if (date.isValid())
                return date;
        }
    }
    return std::nullopt;
}

std::optional<QDate> readDate(const QString &text, const QLocale &locale)
{
    if (auto date = readNumericDate(text, numericOrder(locale)))
        return date;
    // A month name comes with letters, and the day and year with digits; other
    // texts are not worth trying every format on.
    const bool hasLetter = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
    const bool hasDigit = std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
    if (hasLetter && hasDigit)
        return readMonthNameDate(text, locale);
    return std::nullopt;
}

} // namespace

std::optional<QDateTime> TextToDate(const QString &text, const QLocale &locale)
{
    const QString trimmed = text.simplified();
    if (trimmed.isEmpty())
        return std::nullopt;

    if (auto date = readDate(trimmed, locale))
        return QDateTime(*date, QTime(0, 0));

    // A date followed by a time, separated by blanks or (ISO 8601) a "T".
    static const QRegularExpression withTime(QStringLiteral(
        R"(^(.*\S)(?:\s+|(?<=\d)T)(\d{1,2}:\d{2}(?::\d{2}(?:[.,]\d{1,3})?)?(?:\s*[^\s\d:]+)?)$)"));
    const auto match = withTime.match(trimmed);
    if (!match.hasMatch())
        return std::nullopt;
    const auto date = readDate(match.captured(1), locale);
    if (!date)
        return std::nullopt;
    const auto time = readTime(match.capturedView(2), locale);
    if (!time)
        return std::nullopt;
    return QDateTime(*date, *time);
}

QDateTime dateFromSerial(double serial, Qt::TimeSpec zone)
{
    if (!std::isfinite(serial))
        return {};
    // The whole part counts days (towards zero); the fraction, whatever the
    // sign, is the time of day.
    const double wholeDays = std::trunc(serial);
    qint64 msecOfDay = std::llround(std::fabs(serial - wholeDays) * 86400000.0);
    qint64 days = qint64(wholeDays);
    if (msecOfDay >= 86400000) {
        msecOfDay -= 86400000;
        ++days;
    }
    const QDate date = QDate(1899, 12, 30).addDays(days);
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(msecOfDay)), zone);
}

} // namespace vxr

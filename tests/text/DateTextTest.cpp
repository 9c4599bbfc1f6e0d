#include "text/DateText.h"
#include "text/SheetCells.h"

#include <gtest/gtest.h>

using namespace vxr;

namespace {

const QLocale us(QLocale::English, QLocale::UnitedStates);
const QLocale uk(QLocale::English, QLocale::UnitedKingdom);
const QLocale german(QLocale::German, QLocale::Germany);

QDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

const QDateTime noDate;

} // namespace

TEST(TextToDate, ReadsDatesUnderTheLocale)
{
    const struct { QString text; const QLocale &locale; QDateTime expected; } cases[] = {
        // Numbers only: in the locale's order; impossible dates are none.
        {"1/2/2003", us, at(2003, 1, 2)}, {"01/02/2003", uk, at(2003, 2, 1)}, {"2.1.2003", german, at(2003, 1, 2)},
        {" 12-31-1999 ", us, at(1999, 12, 31)}, {"2/29/2000", us, at(2000, 2, 29)}, {"31/02/2003", uk, noDate},
        {"2/29/2001", us, noDate}, {"13/1/2003", us, noDate}, {"1/2-2003", us, noDate}, {"1/2", us, noDate},
        // Two-digit years fall in 1930..2029.
        {"1/2/29", us, at(2029, 1, 2)}, {"1/2/30", us, at(1930, 1, 2)}, {"29/02/00", uk, at(2000, 2, 29)},
        {"2-Jan-05", uk, at(2005, 1, 2)},
        // ISO 8601 whatever the locale.
        {"2003-01-02", german, at(2003, 1, 2)}, {"2003-01-02T10:20:30", us, at(2003, 1, 2, 10, 20, 30)},
        {"2003-01-02 10:20", german, at(2003, 1, 2, 10, 20)}, {"2003-02-30", us, noDate},
        {"2003-01-02T25:00", german, noDate},
        // Month names in the locale's language and in English; times.
        {"Jan 2, 2003", us, at(2003, 1, 2)}, {"January 2, 2003", uk, at(2003, 1, 2)},
        {"2. Januar 2003", german, at(2003, 1, 2)}, {"2 January 2003", german, at(2003, 1, 2)},
        {us.toString(QDate(2003, 1, 2), QLocale::LongFormat), us, at(2003, 1, 2)},
        {"1/2/2003 13:45:10", us, at(2003, 1, 2, 13, 45, 10)}, {"1/2/2003 1:45 PM", us, at(2003, 1, 2, 13, 45)},
        {"1/2/2003 12:05 am", us, at(2003, 1, 2, 0, 5)}, {"Jan 2, 2003 08:00", us, at(2003, 1, 2, 8, 0)},
        {"1/2/2003 13:45 PM", us, noDate}, {"Jab 2, 2003", us, noDate}, {"31 February 2003", us, noDate},
        // Texts that are no date at all.
        {"", us, noDate}, {"   ", us, noDate}, {"abc", us, noDate}, {"12", us, noDate}, {"1.5", us, noDate},
        {"$1,234.50", us, noDate}, {"10:20", us, noDate}, {"2003", us, noDate},
    };
    for (const auto &c : cases) {
        const QDateTime value = TextToDate(c.text, c.locale).value_or(noDate);
        EXPECT_EQ(value, c.expected) << "«" << c.text.toStdString() << "» under " << c.locale.name().toStdString()
                                     << " gave " << value.toString(Qt::ISODate).toStdString();
    }
}

TEST(DateFromSerial, CountsDaysFrom1899AndFractionsAsTheTimeOfDay)
{
    EXPECT_EQ(dateFromSerial(1), at(1899, 12, 31));
    EXPECT_EQ(dateFromSerial(37623.75), at(2003, 1, 2, 18, 0));
    EXPECT_EQ(dateFromSerial(-1.25), at(1899, 12, 29, 6, 0));
    EXPECT_EQ(dateFromSerial(1.9999999999), at(1900, 1, 1));
    EXPECT_FALSE(dateFromSerial(std::nan("")).isValid());
}

// The 1900 system counts a 29 February 1900 that never was: serials before
// it name the day they show in the workbook, not one day earlier.
TEST(SheetSerialDate, ShowsTheDayTheWorkbookShowsInBothDateSystems)
{
    const struct { double serial; bool date1904; const char *shown; } cases[] = {
        {1, false, "1900-01-01"}, {1.5, false, "1900-01-01T12:00:00"}, {59, false, "1900-02-28"},
        {60, false, "1900-02-28"}, {61, false, "1900-03-01"}, {1462, false, "1904-01-01"},
        {46219, false, "2026-07-16"}, {0, true, "1904-01-01"}, {1, true, "1904-01-02"},
        {59, true, "1904-02-29"}, {60, true, "1904-03-01"}, {61, true, "1904-03-02"}, {1462, true, "1908-01-02"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(sheetDateText(sheetSerialDate(c.serial, c.date1904)), QString::fromLatin1(c.shown))
            << c.serial << (c.date1904 ? " (1904)" : " (1900)");
}

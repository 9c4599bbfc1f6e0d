#include "text/DateText.h"

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

std::string show(const std::optional<QDateTime> &value)
{
    return value ? value->toString(Qt::ISODateWithMs).toStdString() : "(not a date)";
}

void expectDate(const char *text, const QLocale &locale, const QDateTime &expected)
{
    const auto value = TextToDate(QString::fromUtf8(text), locale);
    EXPECT_TRUE(value && *value == expected) << "«" << text << "» under " << locale.name().toStdString()
                                             << " gave " << show(value);
}

void expectNoDate(const char *text, const QLocale &locale)
{
    const auto value = TextToDate(QString::fromUtf8(text), locale);
    EXPECT_FALSE(value) << "«" << text << "» under " << locale.name().toStdString() << " gave " << show(value);
}

} // namespace

TEST(TextToDate, ReadsNumericDatesInTheLocalesOrder)
{
    expectDate("1/2/2003", us, at(2003, 1, 2));
    expectDate("01/02/2003", uk, at(2003, 2, 1));
    expectDate("2.1.2003", german, at(2003, 1, 2));
    expectDate(" 12-31-1999 ", us, at(1999, 12, 31));
    expectDate("2/29/2000", us, at(2000, 2, 29));
    expectNoDate("31/02/2003", uk);
    expectNoDate("2/29/2001", us);
    expectNoDate("13/1/2003", us);
    expectNoDate("1/2-2003", us);
    expectNoDate("1/2", us);
}

TEST(TextToDate, PutsTwoDigitYearsBetween1930And2029)
{
    expectDate("1/2/29", us, at(2029, 1, 2));
    expectDate("1/2/30", us, at(1930, 1, 2));
    expectDate("1/2/03", us, at(2003, 1, 2));
    expectDate("29/02/00", uk, at(2000, 2, 29));
    expectDate("2-Jan-99", uk, at(1999, 1, 2));
    expectDate("2-Jan-05", uk, at(2005, 1, 2));
}

TEST(TextToDate, ReadsIso8601)
{
    for (const QLocale &locale : {us, german}) {
        expectDate("2003-01-02", locale, at(2003, 1, 2));
        expectDate("2003-01-02T10:20:30", locale, at(2003, 1, 2, 10, 20, 30));
        expectDate("2003-01-02 10:20", locale, at(2003, 1, 2, 10, 20));
        expectNoDate("2003-02-30", locale);
        expectNoDate("2003-01-02T25:00", locale);
    }
}

TEST(TextToDate, ReadsMonthNamesAndTimes)
{
    expectDate("2 January 2003", us, at(2003, 1, 2));
    expectDate("Jan 2, 2003", us, at(2003, 1, 2));
    expectDate("January 2, 2003", uk, at(2003, 1, 2));
    expectDate("2. Januar 2003", german, at(2003, 1, 2));
    expectDate("2 January 2003", german, at(2003, 1, 2));
    expectDate(us.toString(QDate(2003, 1, 2), QLocale::LongFormat).toUtf8().constData(), us, at(2003, 1, 2));
    expectDate("1/2/2003 13:45:10", us, at(2003, 1, 2, 13, 45, 10));
    expectDate("1/2/2003 1:45 PM", us, at(2003, 1, 2, 13, 45));
    expectDate("1/2/2003 12:05 am", us, at(2003, 1, 2, 0, 5));
    expectDate("Jan 2, 2003 08:00", us, at(2003, 1, 2, 8, 0));
    expectNoDate("1/2/2003 13:45 PM", us);
    expectNoDate("Jab 2, 2003", us);
    expectNoDate("31 February 2003", us);
}

TEST(TextToDate, RejectsTextThatIsNoDate)
{
    for (const char *text : {"", "   ", "abc", "12", "1.5", "12.50", "$1,234.50", "10:20", "2003"})
        expectNoDate(text, us);
}

TEST(DateFromSerial, CountsDaysFrom1899AndFractionsAsTheTimeOfDay)
{
    EXPECT_EQ(dateFromSerial(1), at(1899, 12, 31));
    EXPECT_EQ(dateFromSerial(0), at(1899, 12, 30));
    EXPECT_EQ(dateFromSerial(37623), at(2003, 1, 2));
    EXPECT_EQ(dateFromSerial(37623.75), at(2003, 1, 2, 18, 0));
    EXPECT_EQ(dateFromSerial(2.5), at(1900, 1, 1, 12, 0));
    EXPECT_EQ(dateFromSerial(-1.25), at(1899, 12, 29, 6, 0));
    EXPECT_EQ(dateFromSerial(1.9999999999), at(1900, 1, 1));
    EXPECT_FALSE(dateFromSerial(std::nan("")).isValid());
}

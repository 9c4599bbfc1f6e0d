#include "text/DateText.h"
#include "text/NumericText.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vxr;

TEST(TextToNumberTest, ReadsTheLeadingNumberUnderTheRegionalSettings)
{
    const RegionalSettings dollars, kroner{"kr", ",", "."}, euro{"EUR", "", ""}, swiss{"", "dec", "'"};
    const struct { const RegionalSettings &regional; const char *text; double expected; } cases[] = {
        {dollars, "$1,234.50", 1234.5}, {dollars, "(12.50)", -12.5}, {dollars, "12.50-", -12.5},
        {dollars, "15%", 0.15}, {dollars, "(5%)", -0.05}, {dollars, "5-3", -53}, {dollars, "12abc", 12},
        {dollars, "abc", 0}, {dollars, "", 0}, {dollars, "--5", -5}, {dollars, "(-5)", -5}, {dollars, "1%5", 0.15},
        {dollars, " $ 1 000 ", 1000}, {dollars, "1.2.3", 1.2}, {dollars, "12,34", 1234}, {dollars, "1,5", 15},
        {dollars, "+5", 5}, {dollars, ".5", 0.5}, {dollars, "5.", 5}, {dollars, "-.25", -0.25}, {dollars, ".", 0},
        {dollars, "-", 0}, {dollars, "1.5E3", 1500}, {dollars, "2d+2", 200}, {dollars, "1E+", 1},
        {dollars, "3Ex", 3}, {dollars, "&hff", 255}, {dollars, "&O17", 15}, {dollars, "&H", 0},
        {dollars, "&HFFFF", 65535}, {dollars, "&O19", 1}, {dollars, "(&H10)", -16}, {dollars, "&X12", 0},
        {dollars, "1\t2\n3", 123}, {dollars, "1\r2", 1}, {dollars, "1e400x", HUGE_VAL},
        // Every minus sign moves to the front before the number is read,
        // the exponent's included.
        {dollars, "1.5e-2", -150}, {dollars, "1e-400", -HUGE_VAL},
        // Comma decimals and point thousands: text typed for dollars reads differently.
        {kroner, "1.5", 15}, {kroner, "1,5", 1.5}, {kroner, "kr 1.234,50", 1234.5}, {kroner, "1.234,50 kr", 1234.5},
        {kroner, "(kr12,5)", -12.5}, {kroner, "k1", 0}, {kroner, "$3", 0}, {kroner, "12,5%", 0.125},
        // Separators and symbols of several characters are removed as a
        // whole; empty ones change nothing.
        {euro, "EUR12.5", 12.5}, {euro, "E12", 0}, {euro, "1,5", 1},
        {swiss, "1'000dec5", 1000.5}, {swiss, "$5", 0}, {swiss, "1.5", 1.5},
    };
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(textToNumber(QString::fromUtf8(c.text), c.regional), c.expected) << "«" << c.text << "»";
}

TEST(ReadNumber, TellsTextWithoutANumberFromZero)
{
    // No number where the number should start: nothing, where textToNumber gives 0.
    for (const char *text : {"abc", "", " ", "$", "-", "()", "%", ".", "E5", "abc12", "&H", "&Hzz", "&O9", "$-"}) {
        EXPECT_FALSE(ReadNumber(QString::fromUtf8(text), RegionalSettings{})) << "text «" << text << "»";
        EXPECT_EQ(textToNumber(QString::fromUtf8(text), RegionalSettings{}), 0.0) << "text «" << text << "»";
    }
    // A number, zero included, with whatever follows it.
    const std::pair<const char *, double> numbers[] = {
        {"0", 0}, {"$0.00", 0}, {"-0", 0}, {".0", 0}, {"12abc", 12}, {"&H1F", 31}, {"(5%)", -0.05}, {"5-", -5},
    };
    for (const auto &[text, expected] : numbers) {
        const std::optional<double> number = ReadNumber(QString::fromUtf8(text), RegionalSettings{});
        ASSERT_TRUE(number) << "text «" << text << "»";
        EXPECT_DOUBLE_EQ(*number, expected) << "text «" << text << "»";
    }
}

TEST(ReplaceAll, ReplacesEveryOccurrenceOnce)
{
    EXPECT_EQ(replaceAll("aaa", "aa", "x"), "xa");
    EXPECT_EQ(replaceAll("aXa", "a", "aa"), "aaXaa");
    EXPECT_EQ(replaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(replaceAll("ABC", "b", "x"), "ABC");
}

TEST(RegionalSettings, NamedLocalesAndTheCLocaleReadDatesInTheirOrder)
{
    // The C locale names no region: amounts and dates as in the United States.
    const struct { const char *name; const char *amount; double value; const char *date; QDate expected; } rows[] = {
        {"C", "$1,250.50", 1250.5, "1/2/2003", QDate(2003, 1, 2)},
        {"POSIX", "1,250.50", 1250.5, "12/31/2003", QDate(2003, 12, 31)},
        {"en_US", "$1,250.50", 1250.5, "1/2/2003", QDate(2003, 1, 2)},
        {"de_DE", "\xE2\x82\xAC" "1.250,50", 1250.5, "1.2.2003", QDate(2003, 2, 1)},
        {"en_GB", "\xC2\xA3" "1,250.50", 1250.5, "1/2/2003", QDate(2003, 2, 1)},
        {"fr_CA", "1 250,50 $", 1250.5, "2003-02-01", QDate(2003, 2, 1)},
    };
    for (const auto &row : rows) {
        QString error;
        const auto regional = RegionalSettings::fromLocaleName(QString::fromLatin1(row.name), &error);
        ASSERT_TRUE(regional) << row.name << error.toStdString();
        EXPECT_DOUBLE_EQ(textToNumber(QString::fromUtf8(row.amount), *regional), row.value) << row.name;
        EXPECT_EQ(TextToDate(QString::fromLatin1(row.date), regional->locale).value_or(QDateTime()).date(),
                  row.expected)
            << row.name;
    }
    EXPECT_EQ(RegionalSettings::readRegionalSettings(QLocale::c()).locale, QLocale(QLocale::English, QLocale::UnitedStates));
    for (const char *name : {"xx_YY", "german", ""}) {
        QString error;
        EXPECT_FALSE(RegionalSettings::fromLocaleName(QString::fromLatin1(name), &error)) << name;
        EXPECT_TRUE(error.contains(QLatin1String("is not a locale"))) << error.toStdString();
    }
}

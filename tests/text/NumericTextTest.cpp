#include "text/DateText.h"
#include "text/NumericText.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vxr;

namespace {

void expectAll(const RegionalSettings &regional, std::initializer_list<std::pair<const char *, double>> cases)
{
    for (const auto &[text, expected] : cases)
        EXPECT_DOUBLE_EQ(TextToNumber(QString::fromUtf8(text), regional), expected) << "text «" << text << "»";
}

} // namespace

TEST(TextToNumber, ReadsAmountsUnderTheDefaultSettings)
{
    expectAll(RegionalSettings{}, {
        {"$1,234.50", 1234.5}, {"(12.50)", -12.5}, {"12.50-", -12.5}, {"15%", 0.15},
        {"(5%)", -0.05}, {"5-3", -53}, {"12abc", 12}, {"abc", 0}, {"", 0},
        {"--5", -5}, {"(-5)", -5}, {"1%5", 0.15}, {" $ 1 000 ", 1000},
        {"1.2.3", 1.2}, {"12,34", 1234}, {"1,5", 15},
    });
}

TEST(TextToNumber, ReadsTheLeadingNumber)
{
    expectAll(RegionalSettings{}, {
        {"+5", 5}, {".5", 0.5}, {"5.", 5}, {"-.25", -0.25}, {".", 0}, {"-", 0},
        {"1.5E3", 1500}, {"2d+2", 200}, {"1E+", 1}, {"3Ex", 3}, {"&hff", 255}, {"&O17", 15}, {"&H", 0},
        {"&HFFFF", 65535}, {"&O19", 1}, {"(&H10)", -16}, {"&X12", 0}, {"1\t2\n3", 123}, {"1\r2", 1},
        {"1e400x", HUGE_VAL},
        // Every minus sign moves to the front before the number is read,
        // the exponent's included.
        {"1.5e-2", -150}, {"1e-400", -HUGE_VAL},
    });
}

TEST(TextToNumber, FollowsOtherRegionalSettings)
{
    // Comma decimals and point thousands: text typed for dollars reads differently.
    expectAll({"kr", ",", "."}, {
        {"1.5", 15}, {"1,5", 1.5}, {"kr 1.234,50", 1234.5}, {"1.234,50 kr", 1234.5},
        {"(kr12,5)", -12.5}, {"k1", 0}, {"$3", 0}, {"12,5%", 0.125},
    });
    // Separators and symbols of several characters are removed as a whole;
    // empty ones change nothing.
    expectAll({"EUR", "", ""}, {{"EUR12.5", 12.5}, {"E12", 0}, {"1,5", 1}});
    expectAll({"", "dec", "'"}, {{"1'000dec5", 1000.5}, {"$5", 0}, {"1.5", 1.5}});
}

TEST(ReadNumber, TellsTextWithoutANumberFromZero)
{
    // No number where the number should start: nothing, where TextToNumber gives 0.
    for (const char *text : {"abc", "", " ", "$", "-", "()", "%", ".", "E5", "abc12", "&H", "&Hzz", "&O9", "$-"}) {
        EXPECT_FALSE(ReadNumber(QString::fromUtf8(text), RegionalSettings{})) << "text «" << text << "»";
        EXPECT_EQ(TextToNumber(QString::fromUtf8(text), RegionalSettings{}), 0.0) << "text «" << text << "»";
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
    EXPECT_EQ(ReplaceAll("aaa", "aa", "x"), "xa");
    EXPECT_EQ(ReplaceAll("aXa", "a", "aa"), "aaXaa");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceAll("ABC", "b", "x"), "ABC");
}

TEST(RegionalSettings, ComesFromTheLocaleWithDefaults)
{
    const RegionalSettings german = RegionalSettings::ReadRegionalSettings(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(german.CurrencySymbol + german.DecimalSeparator + german.ThousandSeparator, QStringLiteral(u"\u20AC,."));
    EXPECT_DOUBLE_EQ(TextToNumber(QStringLiteral(u"1.250,50 \u20AC"), german), 1250.5);
    EXPECT_EQ(RegionalSettings::ReadRegionalSettings(QLocale::c()).CurrencySymbol, "$"); // the C locale has none
}

TEST(RegionalSettings, NamedLocalesAndTheCLocaleReadDatesInTheirOrder)
{
    // The C locale names no region: amounts and dates as in the United States.
    const struct { const char *name; const char *amount; double value; const char *date; QDate expected; } rows[] = {
        {"C", "$1,250.50", 1250.5, "1/2/2003", QDate(2003, 1, 2)},
        {"POSIX", "1,250.50", 1250.5, "12/31/2003", QDate(2003, 12, 31)},
        {"en_US", "$1,250.50", 1250.5, "1/2/2003", QDate(2003, 1, 2)},
        {"de_DE", "1.250,50", 1250.5, "1.2.2003", QDate(2003, 2, 1)},
        {"en_GB", "\xC2\xA3" "1,250.50", 1250.5, "1/2/2003", QDate(2003, 2, 1)},
        {"fr_CA", "1 250,50 $", 1250.5, "2003-02-01", QDate(2003, 2, 1)},
    };
    for (const auto &row : rows) {
        QString error;
        const auto regional = RegionalSettings::fromLocaleName(QString::fromLatin1(row.name), &error);
        ASSERT_TRUE(regional) << row.name << error.toStdString();
        EXPECT_DOUBLE_EQ(TextToNumber(QString::fromUtf8(row.amount), *regional), row.value) << row.name;
        EXPECT_EQ(TextToDate(QString::fromLatin1(row.date), regional->Locale).value_or(QDateTime()).date(),
                  row.expected)
            << row.name;
    }
    EXPECT_EQ(RegionalSettings::ReadRegionalSettings(QLocale::c()).Locale, QLocale(QLocale::English, QLocale::UnitedStates));
    for (const char *name : {"xx_YY", "german", ""}) {
        QString error;
        EXPECT_FALSE(RegionalSettings::fromLocaleName(QString::fromLatin1(name), &error)) << name;
        EXPECT_TRUE(error.contains(QLatin1String("is not a locale"))) << error.toStdString();
    }
}

#include "text/DelimiterSniffer.h"

#include <gtest/gtest.h>

using namespace vxr;

namespace {

// The first lines of an export, the delimiter chosen, and what the sniffer
// should make of them: its best candidate and what it offers instead of the
// chosen one (0: nothing).
struct Sample { const char *name; const char *lines; int chosen; int best; int offered; bool quotes = true; };

class DelimiterSnifferTest : public ::testing::TestWithParam<Sample>
{
};

TEST_P(DelimiterSnifferTest, FindsTheSteadyDelimiter)
{
    const Sample &sample = GetParam();
    DelimiterSniffer sniffer(sample.quotes);
    for (const QString &line : QString::fromUtf8(sample.lines).split(QLatin1Char('\n')))
        sniffer.addLine(line);
    EXPECT_EQ(sniffer.best(), sample.best);
    EXPECT_EQ(sniffer.betterThan(sample.chosen), sample.offered);
}

// German prices and dates hold commas and periods; descriptions hold commas,
// semicolons and quotes.
INSTANTIATE_TEST_SUITE_P(
    Exports, DelimiterSnifferTest,
    ::testing::Values(
        Sample{"SemicolonWithDecimalCommas",
               "Artikelnr.;Bezeichnung;Preis;Bestand;Aktion bis\n"
               "10001;Kaffeebecher, wei\xC3\x9F;1.326,48;12;16.07.2026\n"
               "10002;\"Teller; flach\";4,50;0;\n"
               "\n"
               "10003;Glas 0,2 l;2,99;144;31.12.2026\n"
               "10004;Untersetzer;0,99;7;\n",
               ',', ';', ';'},
        Sample{"TabWithCommasInText",
               "SKU\tDescription\tPrice\n"
               "A-1\tMug, blue, 300 ml\t4.50\n"
               "A-2\tPlate\t3.00\n"
               "A-3\tBowl, large\t5.25\n",
               ',', '\t', '\t'},
        Sample{"Pipe",
               "CUSTNO|LASTNAME|FIRSTNAME|CITY\n"
               "C001|O'Brien|Sean|Cork\n"
               "C002|M\xC3\xBCller|Anna|K\xC3\xB6ln\n",
               ';', '|', '|'},
        Sample{"PipeNotOfferedOverTheChosenPipe", "a|b\nc|d\n", '|', '|', 0},
        Sample{"CommaWithQuotedSemicolons",
               "\"Item\",\"Description\",\"Price\"\n"
               "\"1\",\"Nails; 100 pieces\",\"3.10\"\n"
               "\"2\",\"Screws; 50 pieces\",\"2.40\"\n",
               ',', ',', 0},
        Sample{"QuotesAsTextSplitQuotedSemicolons", "\"a;b;x\",c\n\"d;e;y\",f\n", '|', ';', ';', false},
        Sample{"OneInTenLinesMayDiffer",
               "a;b;c\na;b;c\na;b;c\na;b;c\na;b;c\na;b;c\na;b;c\na;b;c\na;b;c\nend\n", ',', ';', ';'},
        Sample{"TwoInTenAreTooMany", "a;b;c\na;b;c\na;b;c\na;b;c\na;b;c\na;b;c\na;b;c\na;b;c\nx\ny\n", ',', 0, 0},
        Sample{"SingleColumnOfKeys", "SKU\nA-1\nA-2\nB-17\n", ',', 0, 0},
        Sample{"SingleColumnWithSomeCommas", "Mug, blue\nPlate\nBowl, large\nSpoon\n", ';', 0, 0},
        Sample{"TheMostColumnsWin",
               "1,\"Smith; John\",Cork\n2,\"Doe; Jane\",Kerry\n", ',', ',', 0, false},
        Sample{"EmptyFile", "", ',', 0, 0}),
    [](const ::testing::TestParamInfo<Sample> &info) { return std::string(info.param.name); });

} // namespace

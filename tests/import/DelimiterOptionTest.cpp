// vxrimp and the delimiter a text file's first lines suggest: a warning that
// names it, and --delimiter auto, which takes it and is kept as auto in a
// settings file.

#include "CliFixture.h"

using namespace vxr::test;

namespace {

class DelimiterOptionTest : public CliFixture
{
};

TEST_F(DelimiterOptionTest, AWarningNamesTheSniffedDelimiterAndAutoTakesIt)
{
    ASSERT_TRUE(writeTestFile(path("semi.csv"), "SKU;Description;Price\r\nA1;Mug, blue;4,50\r\nA2;Plate;3,00\r\n"));
    ASSERT_TRUE(writeTestFile(path("single.csv"), "SKU\r\nA1\r\nA2\r\n"));
    const QString warning = "vxrimp: warning: the first lines of the text file split into 3 columns at Semi-Colon "
                            "(;), but into no steady columns at %1: give --delimiter semicolon, or --delimiter auto\n";
    const struct
    {
        QStringList options;
        QString err;
        bool split; // the lines were split at the semicolons
    } runs[] = {
        {{"--file", path("semi.csv")}, warning.arg("Comma (,)"), false},
        {{"--file", path("semi.csv"), "--delimiter", "pipe"}, warning.arg("Pipe (|)"), false},
        {{"--file", path("semi.csv"), "--delimiter", "auto", "--table", "Inventory", "--save-settings", path("auto.imp")},
         "", true},
        {{"--settings", path("auto.imp")}, "", true},
        {{"--file", path("single.csv"), "--delimiter", "auto"}, "", false},
    };
    for (const auto &run : runs) {
        const CliResult result = vxrimp(QStringList{"preview"} + run.options);
        const std::string shown = run.options.join(' ').toStdString();
        EXPECT_EQ(result.exitCode, 0) << shown << result.err.toStdString();
        EXPECT_EQ(result.err, run.err) << shown;
        const bool split = result.out.contains("Mug, blue") && !result.out.contains("blue;");
        EXPECT_EQ(split, run.split) << shown << result.out.toStdString();
    }
    EXPECT_TRUE(readTestFile(path("auto.imp")).contains("\r\nFieldDelimiter=2\r\nFieldDelimiterChar=auto\r\n"));
}

} // namespace

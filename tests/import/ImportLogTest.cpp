#include "import/ImportLog.h"

#include "database/DbError.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vxr;

TEST(ImportLogTest, MarksBothDuplicateNumbersAndPadsEveryOtherToFourDigits)
{
    const std::pair<qint32, const char *> cases[] = {
        {ErrorNumbers::DuplicateKey, "<DUPL>"},
        {ErrorNumbers::DuplicateKeyClassic, "<DUPL>"},
        {-1, "<-0001>"},
        {9, "<0009>"},
        {12345, "<12345>"},
        {std::numeric_limits<qint32>::min(), "<-2147483648>"},
    };
    for (const auto &[number, marker] : cases)
        EXPECT_EQ(ImportLog::errorMarker(number), QLatin1String(marker)) << number;
}

TEST(ImportLogTest, ErrorLinePadsTheRecordNumberAndKeepsTheRawBytes)
{
    EXPECT_EQ(ImportLog::errorLine(ErrorNumbers::DuplicateKey, 7, "1001,Blue Widget"),
              QByteArray("[00007 <DUPL>] 1001,Blue Widget"));
    EXPECT_EQ(ImportLog::errorLine(-1, 123456, "x"), QByteArray("[123456 <-0001>] x"));
    // Apostrophes and bytes that are not UTF-8 reach the log as they were read.
    const QByteArray raw("O'Brien,Caf\xe9,5");
    EXPECT_EQ(ImportLog::errorLine(3021, 2, raw), QByteArray("[00002 <3021>] ") + raw);
}

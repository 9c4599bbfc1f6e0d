// The check every run ends with: a line read and not counted, or not stored
// and not in the reject file, is reported instead of passing unnoticed.

#include "import/ImportRun.h"
#include "import/RunAccounting.h"

#include <gtest/gtest.h>

using namespace vxr;

TEST(RunAccountingTest, LinesThatDoNotAddUpAreNamed)
{
    ImportSummary summary;
    summary.rowsAdded = 5;
    summary.rolledBackUpdated = 1;
    summary.linesSkipped = 1;
    summary.linesFailed = 2;
    summary.linesNotReached = 3;
    struct Case { qint64 linesRead; std::optional<qint64> rejected; QString fault; };
    const Case cases[] = {
            {12, 5, {}},
            {12, std::nullopt, {}}, // no reject file, or one that could not be written
            {13, 5, "13 line(s) read but 12 counted"},
            {12, 4, "5 line(s) not stored but 4 in the reject file"},
            {11, 6, "11 line(s) read but 12 counted; 5 line(s) not stored but 6 in the reject file"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(accountingFault(summary, c.linesRead, c.rejected), c.fault) << c.linesRead;
}

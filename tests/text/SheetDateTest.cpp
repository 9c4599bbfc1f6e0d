#include "text/SheetCells.h"

#include <gtest/gtest.h>

using namespace vxr;

namespace {

struct SerialCase
{
    double serial;
    bool date1904;
    QString shown;
};

// The 1900 system counts a 29 February 1900 that never was: serials before
// it name the day they show in the workbook, not one day earlier.
const SerialCase serialCases[] = {
    {1, false, QStringLiteral("1900-01-01")},
    {1.5, false, QStringLiteral("1900-01-01T12:00:00")},
    {59, false, QStringLiteral("1900-02-28")},
    {60, false, QStringLiteral("1900-02-28")},
    {61, false, QStringLiteral("1900-03-01")},
    {1462, false, QStringLiteral("1904-01-01")},
    {46219, false, QStringLiteral("2026-07-16")},
    {0, true, QStringLiteral("1904-01-01")},
    {1, true, QStringLiteral("1904-01-02")},
    {59, true, QStringLiteral("1904-02-29")},
    {60, true, QStringLiteral("1904-03-01")},
    {61, true, QStringLiteral("1904-03-02")},
    {1462, true, QStringLiteral("1908-01-02")},
};

class SheetSerialDate : public testing::TestWithParam<SerialCase>
{
};

TEST_P(SheetSerialDate, ShowsTheDayTheWorkbookShows)
{
    const SerialCase &c = GetParam();
    EXPECT_EQ(sheetDateText(sheetSerialDate(c.serial, c.date1904)), c.shown)
        << c.serial << (c.date1904 ? " (1904)" : " (1900)");
}

INSTANTIATE_TEST_SUITE_P(BothDateSystems, SheetSerialDate, testing::ValuesIn(serialCases));

} // namespace

#include "TestSupport.h"

#include "import/ImportRun.h"
#include "wizard/RunRate.h"
#include "wizard/RunSummaryText.h"

#include <gtest/gtest.h>

#include <utility>

namespace vxr::test {
namespace {

TEST(RunRate, IsThePaceOfTheLastSecondsAndGivesTheTimeLeft)
{
    RunRate rate;
    rate.add(0, 0);
    rate.add(500, 400);
    EXPECT_FALSE(rate.linesPerSecond()) << "half a second says too little";
    rate.add(1000, 1000);
    EXPECT_DOUBLE_EQ(rate.linesPerSecond().value_or(0), 1000.0);
    EXPECT_EQ(rate.secondsLeft(10500), 10) << "9500 lines at 1000 a second, rounded up";
    EXPECT_EQ(rate.secondsLeft(900), 0) << "a file that grew past its count";
    // A slow start drops out of the window: only the last five seconds count.
    for (qint64 ms = 2000; ms <= 8000; ms += 1000)
        rate.add(ms, 1000 + (ms - 1000) * 3);
    EXPECT_DOUBLE_EQ(rate.linesPerSecond().value_or(0), 3000.0);
    // A pause (a wait for a lock) leaves no rate and no time left.
    rate.add(14000, 22000);
    rate.add(14500, 22000);
    EXPECT_DOUBLE_EQ(rate.linesPerSecond().value_or(-1), 0.0);
    EXPECT_FALSE(rate.secondsLeft(30000));
    rate.clear();
    EXPECT_FALSE(rate.linesPerSecond());
}

class Durations : public ::testing::TestWithParam<std::pair<qint64, const char *>>
{
};

TEST_P(Durations, ReadAsTheOperatorSaysThem)
{
    EXPECT_EQ(durationText(GetParam().first), QString::fromLatin1(GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(Seconds, Durations,
                         ::testing::Values(std::pair<qint64, const char *>{-3, "0 s"}, std::pair{59, "59 s"},
                                           std::pair{60, "1 min 00 s"}, std::pair{3599, "59 min 59 s"},
                                           std::pair{3600, "1 h 00 min"}, std::pair{90061, "25 h 01 min"}));

struct OutcomeCase
{
    const char *name;
    ImportSummary summary;
    const char *text;
};

void PrintTo(const OutcomeCase &c, std::ostream *out)
{
    *out << c.name;
}

ImportSummary summaryOf(RunOutcome outcome, qint64 added, qint64 failed, qint64 notReached, bool nothingStored,
                        const char *reject)
{
    ImportSummary summary;
    summary.outcome = outcome;
    summary.rowsAdded = added;
    summary.rowsUpdated = added > 0 ? 1 : 0;
    summary.linesFailed = failed;
    summary.linesNotReached = notReached;
    summary.lastLineProcessed = added + failed + 1;
    summary.nothingStored = nothingStored;
    summary.rejectPath = QString::fromLatin1(reject);
    summary.failure = QStringLiteral("the connection was lost");
    return summary;
}

class Outcomes : public ::testing::TestWithParam<OutcomeCase>
{
};

TEST_P(Outcomes, SayWhatIsStoredAndWhereTheRestIs)
{
    EXPECT_EQ(runOutcomeText(GetParam().summary), QString::fromLatin1(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Outcomes,
    ::testing::Values(
        OutcomeCase{"CompleteWithFailures", summaryOf(RunOutcome::Complete, 5, 2, 0, false, "r.csv"),
                    "The import is complete: every line of the file was read. The 2 line(s) not stored are in the "
                    "reject file, to correct and import again."},
        OutcomeCase{"Cancelled", summaryOf(RunOutcome::Cancelled, 39, 0, 60, false, "r.csv"),
                    "Cancelled after line 40. The 40 row(s) added or updated before it are stored. The 60 line(s) "
                    "not stored are in the reject file, to correct and import again."},
        OutcomeCase{"TestRunCancelled",
                    [] {
                        // Rolled back: what is stored is 0, and what would have been is apart.
                        ImportSummary s = summaryOf(RunOutcome::Cancelled, 39, 0, 60, true, "r.csv");
                        s.rolledBackAdded = std::exchange(s.rowsAdded, 0);
                        s.rolledBackUpdated = std::exchange(s.rowsUpdated, 0);
                        return s;
                    }(),
                    "Cancelled after line 40. Nothing was stored. Had it been kept, it would have added 39 row(s) "
                    "and updated 1. The 60 line(s) not stored are in the reject file, to correct and import "
                    "again."},
        OutcomeCase{"FailedWithoutRejectFile", summaryOf(RunOutcome::Failed, 0, 3, 0, false, ""),
                    "The import stopped: the connection was lost. Nothing was stored. The 3 failed line(s) are "
                    "listed in the log."},
        OutcomeCase{"ValuesTakenAsTheyCould",
                    [] {
                        ImportSummary s = summaryOf(RunOutcome::Complete, 5, 0, 0, false, "");
                        s.valuesReadAsEmpty = 3;
                        s.valuesCut = 1;
                        return s;
                    }(),
                    "The import is complete: every line of the file was read. 3 value(s) without a number or date "
                    "were read as 0 or empty and 1 cut to fit their column; their lines were imported with these "
                    "values."}),
    [](const ::testing::TestParamInfo<OutcomeCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace vxr::test

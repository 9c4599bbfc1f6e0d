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

TEST(RunSummaryText, DurationsReadAsTheOperatorSaysThem)
{
    const std::pair<qint64, const char *> cases[] = {{-3, "0 s"}, {59, "59 s"}, {60, "1 min 00 s"},
                                                     {3599, "59 min 59 s"}, {3600, "1 h 00 min"},
                                                     {90061, "25 h 01 min"}};
    for (const auto &[seconds, text] : cases)
        EXPECT_EQ(durationText(seconds), QString::fromLatin1(text)) << seconds;
}

ImportSummary summaryOf(RunOutcome outcome, qint64 added, qint64 failed, qint64 notReached, bool nothingStored,
                        const char *reject, qint64 readAsEmpty = 0, qint64 cut = 0)
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
    summary.valuesReadAsEmpty = readAsEmpty;
    summary.valuesCut = cut;
    return summary;
}

TEST(RunSummaryText, OutcomesSayWhatIsStoredAndWhereTheRestIs)
{
    // A test run rolled back: what is stored is 0, and what would have been is apart.
    ImportSummary rolledBack = summaryOf(RunOutcome::Cancelled, 39, 0, 60, true, "r.csv");
    rolledBack.rolledBackAdded = std::exchange(rolledBack.rowsAdded, 0);
    rolledBack.rolledBackUpdated = std::exchange(rolledBack.rowsUpdated, 0);
    const std::pair<ImportSummary, const char *> cases[] = {
        {summaryOf(RunOutcome::Complete, 5, 2, 0, false, "r.csv"),
         "The import is complete: every line of the file was read. The 2 line(s) not stored are in the reject file, "
         "to correct and import again."},
        {summaryOf(RunOutcome::Cancelled, 39, 0, 60, false, "r.csv"),
         "Cancelled after line 40. The 40 row(s) added or updated before it are stored. The 60 line(s) not stored "
         "are in the reject file, to correct and import again."},
        {rolledBack,
         "Cancelled after line 40. Nothing was stored. Had it been kept, it would have added 39 row(s) and updated 1. "
         "The 60 line(s) not stored are in the reject file, to correct and import again."},
        {summaryOf(RunOutcome::Failed, 0, 3, 0, false, ""),
         "The import stopped: the connection was lost. Nothing was stored. The 3 failed line(s) are listed in the "
         "log."},
        {summaryOf(RunOutcome::Complete, 5, 0, 0, false, "", 3, 1),
         "The import is complete: every line of the file was read. 3 value(s) without a number or date were read as 0 "
         "or empty and 1 cut to fit their column; their lines were imported with these values."},
    };
    for (const auto &[summary, text] : cases)
        EXPECT_EQ(runOutcomeText(summary), QString::fromLatin1(text)) << text;
}

} // namespace
} // namespace vxr::test

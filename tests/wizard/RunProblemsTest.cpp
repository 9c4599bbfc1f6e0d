// The run summary shows a run's problems by line and names its report; one
// click on Use Strict Values ticks the option on panel 1, and the next run
// fails the line instead of storing 0.

#include "WizardFixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

namespace vxr::test {
namespace {

class RunProblems : public WizardTest
{
protected:
    QString testRun()
    {
        click("cmdTestRun");
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window->importRunning(); }, 120000));
        return control<QLabel>("lblProblems")->text();
    }
};

TEST_F(RunProblems, TheSummaryListsProblemsByLineAndSwitchesToStrictValuesInOneClick)
{
    connectWithFile("A1,Mug,abc\r\nB2,A description far longer than its column,2\r\n");
    window->show();
    goToPanel(2);
    for (const char *name : {"Item Lookup Code", "Description", "Price"})
        assign(QString::fromLatin1(name));
    goToPanel(4);

    const QString path = QFileInfo(setup().textFile).dir().filePath("items.test-problems.csv");
    const QString report = QDir::toNativeSeparators(path);
    EXPECT_EQ(testRun(), "Line 1, Price \"abc\": No number: stored as 0.\n"
                         "Line 2, Description \"A description far longer than its column\": Longer than its column: "
                         "cut to 30 characters.\n"
                         "The problems report " + report + " lists them.");
    ASSERT_TRUE(control("cmdStrictValues")->isVisible());
    EXPECT_TRUE(control("cmdOpenProblems")->isVisible());
    click("cmdOpenProblems");
    EXPECT_EQ(prompts.opened, QStringList({path}));

    click("cmdStrictValues");
    EXPECT_TRUE(setup().strictValues);
    EXPECT_TRUE(control<QCheckBox>("chkStrict")->isChecked()) << "panel 1 shows the switch";
    EXPECT_FALSE(control("cmdStrictValues")->isVisible());
    EXPECT_TRUE(testRun().startsWith("Line 1, Price \"abc\": Failed (error 3421): A value cannot be read"));
    EXPECT_FALSE(control("cmdStrictValues")->isVisible());
}

} // namespace
} // namespace vxr::test

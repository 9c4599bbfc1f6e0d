#include "WizardFixture.h"

#include "TestStores.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QTableWidget>

namespace vxr::test {
namespace {

const QString InvalidFile = QStringLiteral("Invalid File Name.  Please make sure this file exists.");

class Navigation : public WizardTest
{
protected:
    void SetUp() override
    {
        WizardTest::SetUp();
        ASSERT_TRUE(store.isValid()) << store.error().toStdString();
        connectTo(store.connectionString());
        textFile = writeFile(QStringLiteral("items.csv"), "1001,Mug,3.20\r\n");
        control<QLineEdit>("txtFileName")->setText(textFile);
        window->show();
    }
    void expectOnlyPanelVisible(int panel)
    {
        for (int p = 1; p <= 4; ++p) {
            const QByteArray name = "frmPanel" + QByteArray::number(p);
            EXPECT_EQ(control(name.constData())->isVisible(), p == panel) << name.constData();
        }
        EXPECT_EQ(window->CurrentPanel, panel);
    }

    TempSqliteStore store;
    QString textFile;
};

TEST_F(Navigation, NextRefusesAMissingFileOrTable)
{
    auto *fileName = control<QLineEdit>("txtFileName");
    for (const QString &bad : {QStringLiteral("   "), dir.filePath(QStringLiteral("nothing.csv")), dir.path()}) {
        prompts.messages.clear();
        fileName->setText(bad);
        window->cmdNext_Click();
        ASSERT_EQ(prompts.texts(), QStringList{InvalidFile}) << bad.toStdString();
        EXPECT_EQ(prompts.messages[0].kind, MessageKind::Critical);
        expectOnlyPanelVisible(1);
    }
    prompts.messages.clear();
    fileName->setText(textFile);
    control<QComboBox>("cmbTable")->setCurrentIndex(-1);
    window->cmdNext_Click();
    EXPECT_EQ(prompts.texts(), QStringList{QStringLiteral("You must select a Destination Table.")});
    expectOnlyPanelVisible(1);
}

TEST_F(Navigation, EachPanelEnablesItsOwnControls)
{
    struct Expect
    {
        int panel;
        QList<const char *> on, off;
    };
    const QList<Expect> steps = {
        {2, {"cmdBack", "cmdNext", "MSFlexGrid1", "lstFields", "chkFirstLine", "cmdConnect", "txtVXRDB"},
         {"cmdDisconnect", "txtFileName", "cmbTable", "cmdLoad", "chkSkipFirstLine", "cmdImport"}},
        {3, {"cmdBack", "cmdNext", "chkSkipFirstLine", "msflexpreview"}, {"MSFlexGrid1", "lstFields", "cmdImport"}},
        {4, {"cmdBack", "cmdImport", "cmdViewLogFile", "cmdSave"}, {"cmdNext", "chkSkipFirstLine", "cmbDelimiter"}},
    };
    for (const Expect &step : steps) {
        if (step.panel == 3)
            control<QTableWidget>("MSFlexGrid1")->setCurrentCell(9, 0);
        window->cmdNext_Click();
        expectOnlyPanelVisible(step.panel);
        for (const char *name : step.on)
            EXPECT_TRUE(enabled(name)) << "panel " << step.panel << " " << name;
        for (const char *name : step.off)
            EXPECT_FALSE(enabled(name)) << "panel " << step.panel << " " << name;
    }
    EXPECT_TRUE(prompts.messages.isEmpty());

    window->cmdBack_Click();
    window->cmdBack_Click();
    EXPECT_EQ(window->gridRow(), 1); // entering the mapping panel selects row 1
    window->cmdBack_Click();
    expectOnlyPanelVisible(1);
    // Back on panel 1 while connected: the connection controls are all usable.
    for (const char *name : {"cmdConnect", "txtVXRDB", "cmdDisconnect", "cmdNext", "txtFileName"})
        EXPECT_TRUE(enabled(name)) << name;
    EXPECT_FALSE(enabled("cmdBack"));
    window->cmdBack_Click();
    expectOnlyPanelVisible(1);
}

TEST_F(Navigation, AFileRemovedLaterIsNoticedByNextButBackStillWorks)
{
    window->cmdNext_Click();
    ASSERT_TRUE(QFile::remove(textFile));
    window->cmdNext_Click();
    EXPECT_EQ(prompts.texts(), QStringList{InvalidFile});
    expectOnlyPanelVisible(2);
    window->cmdBack_Click();
    expectOnlyPanelVisible(1);
}

} // namespace
} // namespace vxr::test

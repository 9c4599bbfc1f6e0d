// Undo This Import and the history window, on a real import into a SQLite
// store: the store back as it was, or the reason it is not, with nothing
// changed.

#include "WizardFixture.h"

#include "import/Journal.h"
#include "import/UndoReport.h"
#include "wizard/HistoryWindow.h"
#include "wizard/RunPage.h"

#include <QFileInfo>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTest>

namespace vxr::test {
namespace {

// While the undo is asked for: an imported item's price changed since the
// import, another connection holds the journal, the store's file is not where
// it was; the answer to the question before the undo; what the window says.
struct UndoCase { const char *name; bool changePrice, lockJournal, moveStore, answerYes; const char *status; };

class HistoryTest : public WizardTest, public ::testing::WithParamInterface<UndoCase>
{
protected:
    void importItems()
    {
        connectWithFile("A1,First,1.95,Tools\r\nA2,Second,2.95,Tools\r\nA3,Third,3.95,Garden\r\n");
        window->show();
        goToPanel(2);
        for (const char *name : {"Item Lookup Code", "Description", "Price", "Department"})
            assign(QString::fromLatin1(name));
        goToPanel(4);
        click("cmdImport");
        ASSERT_TRUE(QTest::qWaitFor([this] { return !window->importRunning(); }, 60000));
    }
    void exec(const QString &sql) { EXPECT_TRUE(SqliteFile(store.path()).exec(sql)) << sql.toStdString(); }
    QString label(const char *name) const { return control<QLabel>(name)->text(); }
    HistoryWindow *history() const { return window->runPage()->historyWindow(); }
    bool waitForHistory() const { return QTest::qWaitFor([this] { return !history()->isBusy(); }, 60000); }
    QString journalPath() const { return Journal::defaultPath(Journal::storeIdentity(store.connectionString())); }
    // The newest run's cell in the history's list.
    QString newestRun(int column) const
    {
        const QTableWidgetItem *item = control<QTableWidget>("tblRuns")->item(0, column);
        return item ? item->text() : QString();
    }
};

TEST_P(HistoryTest, UndoThisImportTakesTheRunBackOrSaysWhyAndChangesNothing)
{
    const UndoCase &c = GetParam();
    const QStringList before = everyRow(store.connectionString());
    ASSERT_NO_FATAL_FAILURE(importItems());
    ASSERT_EQ(label("lblRowsAdded"), QStringLiteral("3"));
    if (c.changePrice)
        exec(QStringLiteral("UPDATE Item SET Price = 9.99 WHERE ItemLookupCode = 'A2'"));
    const QStringList imported = everyRow(store.connectionString());
    ASSERT_NE(imported, before);

    prompts.answerYes = c.answerYes;
    {
        std::optional<SqliteFile> lock;
        if (c.lockJournal) {
            EXPECT_TRUE(lock.emplace(journalPath()).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        }
        const QString moved = store.path() + QStringLiteral(".moved");
        ASSERT_TRUE(!c.moveStore || QFile::rename(store.path(), moved));
        click("cmdUndoImport");
        ASSERT_NE(history(), nullptr);
        // Busy: nothing else starts, and the window still answers.
        EXPECT_TRUE(history()->isBusy());
        for (const char *name : {"cmdImport", "cmdTestRun", "cmdUndoRun", "cmdWhatWouldChange", "cmdRefreshRuns"})
            EXPECT_FALSE(enabled(name)) << name;
        ASSERT_TRUE(waitForHistory());
        ASSERT_TRUE(!c.moveStore || QFile::rename(moved, store.path()));
    }
    const bool undone = c.answerYes && !c.changePrice && !c.lockJournal && !c.moveStore;
    EXPECT_EQ(everyRow(store.connectionString()), undone ? before : imported);
    EXPECT_TRUE(label("lblHistoryStatus").contains(QString::fromLatin1(c.status)))
            << label("lblHistoryStatus").toStdString();
    // The question comes only when the run can be taken back, with its counts.
    ASSERT_EQ(prompts.questions.size(), c.changePrice || c.lockJournal || c.moveStore ? 0 : 1);
    if (!prompts.questions.isEmpty()) {
        EXPECT_TRUE(prompts.questions.first().contains(QStringLiteral("3 of Item")));
        EXPECT_TRUE(prompts.questions.first().contains(QStringLiteral("2 of Department")));
    }
    EXPECT_EQ(control("cmdUndoImport")->isEnabled(), !undone);
    EXPECT_TRUE(enabled("cmdImport"));
    // The conflict: the row, its column, the value the run wrote and the one now, also as CSV.
    auto *conflicts = control<QTableWidget>("tblConflicts");
    EXPECT_EQ(conflicts->isVisible(), c.changePrice);
    if (c.changePrice) {
        ASSERT_EQ(conflicts->rowCount(), 1);
        QStringList row;
        for (int column = 0; column < conflicts->columnCount(); ++column)
            row << conflicts->item(0, column)->text();
        EXPECT_EQ(row.at(0), QStringLiteral("Item"));
        EXPECT_TRUE(row.at(1).contains(QStringLiteral("A2"))) << row.at(1).toStdString();
        EXPECT_EQ(row.mid(2), QStringList({QStringLiteral("Price"), QStringLiteral("2.95"), QStringLiteral("9.99")}));
    }
    // The list, read again (the journal free) by the main window's History, shows the run undone, or open to an undo.
    click("cmdHistory");
    EXPECT_TRUE(history()->isBusy());
    ASSERT_TRUE(waitForHistory());
    EXPECT_EQ(newestRun(7) != QStringLiteral("no"), undone);
    EXPECT_EQ(enabled("cmdUndoRun"), !undone);

    const qint64 runId = newestRun(0).toLongLong();
    EXPECT_EQ(QFileInfo::exists(conflictListPath(journalPath(), runId)), c.changePrice);
}

INSTANTIATE_TEST_SUITE_P(
        Cases, HistoryTest,
        ::testing::Values(UndoCase{"Undone", false, false, false, true, "is taken back"},
                          UndoCase{"AnsweredNo", false, false, false, false, "not taken back: nothing was changed"},
                          UndoCase{"PriceChanged", true, false, false, true, "the store has moved on"},
                          UndoCase{"JournalLocked", false, true, false, true, "in use by another program"},
                          UndoCase{"StoreGone", false, false, true, true, "The store cannot be reached"}),
        [](const ::testing::TestParamInfo<UndoCase> &info) { return std::string(info.param.name); });

} // namespace
} // namespace vxr::test

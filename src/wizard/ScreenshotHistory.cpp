#include "ScreenshotHistory.h"

#include "HistoryWindow.h"
#include "MainWindow.h"
#include "RunPage.h"

#include <QApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include <cstdio>

namespace vxr {

namespace {

const QString EditConnection = QStringLiteral("screenshot edit");

// The newest item's price changed behind the wizard's back, as a clerk
// would at the till.
bool changeNewestPrice(const QString &storeFile)
{
    bool changed = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), EditConnection);
        db.setDatabaseName(storeFile);
        changed = db.open()
                && QSqlQuery(db).exec(QStringLiteral(
                        "UPDATE Item SET Price = Price + 1 WHERE ID = (SELECT MAX(ID) FROM Item)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(EditConnection);
    return changed;
}

void waitForHistory(const HistoryWindow &history)
{
    while (history.isBusy()) {
        QThread::msleep(20);
        QApplication::processEvents();
    }
    QApplication::processEvents();
}

} // namespace

bool saveHistory(MainWindow &window, const QString &storeFile, const QString &outputFolder)
{
    if (!changeNewestPrice(storeFile)) {
        std::fprintf(stderr, "screenshot walk: cannot change an item of the sample store\n");
        return false;
    }
    window.runPage()->showHistory();
    HistoryWindow *history = window.runPage()->historyWindow();
    waitForHistory(*history);
    history->showWhatWouldChange(history->selectedRun());
    waitForHistory(*history);
    const QString path = QDir(outputFolder).filePath(QStringLiteral("history.png"));
    const bool saved = history->grab().save(path);
    if (!saved)
        std::fprintf(stderr, "screenshot walk: cannot write %s\n", qPrintable(path));
    history->close();
    return saved;
}

} // namespace vxr

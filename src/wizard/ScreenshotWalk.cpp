#include "ScreenshotWalk.h"

#include "ConnectDialog.h"
#include "LogViewer.h"
#include "MainWindow.h"
#include "MappingPage.h"
#include "RunPage.h"
#include "ScreenshotHistory.h"
#include "ScreenshotReview.h"
#include "ScreenshotSuggestions.h"
#include "UserPrompts.h"

#include "database/ConnectionString.h"
#include "database/StoreSchema.h"
#include "import/ImportSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QSet>
#include <QThread>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>

namespace vxr {

namespace {

const char SampleItems[] = "1001,Espresso beans 1kg,Coffee,Beans,12.50,18.95,40\r\n"
                           "1002,Filter papers (100),Coffee,Accessories,1.10,2.49,250\r\n"
                           "1003,Ceramic mug,Kitchen,Tableware,3.20,7.95,60\r\n"
                           "1004,Milk frother,Kitchen,Appliances,14.00,29.00,12\r\n"
                           "1005,Green tea 50 bags,Tea,Bags,2.10,4.75,80\r\n"
                           "1006,Teapot 1l,Kitchen,Tableware,9.80,21.50,15\r\n";

void fail(const QString &what)
{
    std::fprintf(stderr, "screenshot walk: %s\n", what.toLocal8Bit().constData());
}

bool saveWidget(QWidget &widget, const QString &folder, const QString &name)
{
    QApplication::processEvents();
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    if (widget.grab().save(path))
        return true;
    fail(QStringLiteral("cannot write ") + path);
    return false;
}

bool save(MainWindow &window, const QString &folder, int panel)
{
    return saveWidget(window, folder, QStringLiteral("panel%1").arg(panel));
}

// The connection dialog after a connect that failed: a store file that is not there.
bool saveFailedConnect(MainWindow &window, const QString &folder, const QString &missingStore)
{
    ConnectDialog *dialog = window.connectDialog();
    dialog->fillFrom(sqliteConnectionString(missingStore));
    dialog->show();
    dialog->onConnectClicked();
    const bool saved = saveWidget(*dialog, folder, QStringLiteral("connect"));
    dialog->hide();
    return saved;
}

// Lets the window work until its run has ended.
void waitForRun(MainWindow &window)
{
    while (window.importRunning()) {
        QThread::msleep(20);
        QApplication::processEvents();
    }
}

// A long file for the picture of a run in progress: the data lines of the
// set-up's text file (one per key) again and again, the first field (the
// key) made unique by a prefix.
QString longFile(const ImportSetup &setup, const QString &folder)
{
    QFile source(setup.textFile);
    if (!source.open(QIODevice::ReadOnly))
        return QString();
    QList<QByteArray> lines = source.readAll().split('\n');
    if (setup.skipsFirstLine() && !lines.isEmpty())
        lines.removeFirst();
    // One line per key, so that the repeats fail only where the sample does.
    QSet<QByteArray> keys;
    lines.removeIf([&keys, &setup](const QByteArray &line) {
        const QByteArray key = line.left(line.indexOf(char(setup.delimiterCode)));
        if (line.trimmed().isEmpty() || keys.contains(key))
            return true;
        keys.insert(key);
        return false;
    });
    if (lines.isEmpty())
        return QString();
    QFile target(QDir(folder).filePath(QStringLiteral("long.csv")));
    if (!target.open(QIODevice::WriteOnly))
        return QString();
    constexpr int Lines = 150000;
    for (int i = 0; i < Lines; ++i) {
        QByteArray line = lines.at(i % lines.size()).trimmed();
        const qsizetype at = line.startsWith('"') ? 1 : 0;
        line.insert(at, QByteArray::number(i / lines.size() + 1).rightJustified(6, '0').prepend('R') + '-');
        target.write(line + "\r\n");
    }
    return target.fileName();
}

// Panel 4 while a long import runs: a couple of seconds in, so that the pace
// and the time left show; then Cancel. The text file is put back.
bool saveRunningImport(MainWindow &window, const QString &outputFolder, const QString &workFolder)
{
    auto *fileName = window.findChild<QLineEdit *>(QStringLiteral("txtFileName"));
    const QString shortFile = fileName->text();
    const QString file = longFile(window.setup(), workFolder);
    if (file.isEmpty()) {
        fail(QStringLiteral("cannot write the long sample file"));
        return false;
    }
    fileName->setText(QDir::toNativeSeparators(file));
    window.runPage()->onImportClicked();
    QElapsedTimer clock;
    clock.start();
    auto *percent = window.findChild<QLabel *>(QStringLiteral("lblPercentCompleted"));
    while (window.importRunning() && (clock.elapsed() < 2500 || percent->text() == QStringLiteral("0%"))
           && percent->text().chopped(1).toInt() < 60) {
        QThread::msleep(20);
        QApplication::processEvents();
    }
    const bool saved = window.importRunning() && saveWidget(window, outputFolder, QStringLiteral("panel4-running"));
    if (!saved)
        fail(QStringLiteral("the long import ended before its picture was taken"));
    window.runPage()->onCancelClicked();
    waitForRun(window);
    fileName->setText(shortFile);
    return saved;
}

// Panel 1 offering the semicolon for a file of semicolons while the comma is
// chosen; the text file is put back.
bool saveDelimiterOffer(MainWindow &window, const QString &outputFolder, const QString &workFolder)
{
    auto *fileName = window.findChild<QLineEdit *>(QStringLiteral("txtFileName"));
    const QString kept = fileName->text();
    QFile file(QDir(workFolder).filePath(QStringLiteral("semicolons.csv")));
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(SampleItems).replace(',', ';')) < 0) {
        fail(QStringLiteral("cannot write the semicolon sample file"));
        return false;
    }
    file.close();
    fileName->setText(QDir::toNativeSeparators(file.fileName()));
    const bool saved = saveWidget(window, outputFolder, QStringLiteral("panel1-delimiter"));
    fileName->setText(kept);
    return saved;
}

void mapField(MainWindow &window, QListWidget *list, const QString &name)
{
    const auto found = list->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return;
    list->setCurrentItem(found.first());
    window.mappingPage()->assignSelectedField();
}

void click(MainWindow &window, const char *button)
{
    window.findChild<QPushButton *>(QString::fromLatin1(button))->click();
}

} // namespace

int screenshotWalk(const QString &outputFolder, const QString &settingsFile)
{
    QTemporaryDir work;
    QString error;
    const QString store = work.filePath(QStringLiteral("store.db"));
    if (!work.isValid() || !createSqliteStore(store, &error)) {
        fail(QStringLiteral("cannot create the sample store: ") + error);
        return 1;
    }
    const QString items = work.filePath(QStringLiteral("items.csv"));
    QFile file(items);
    if (!file.open(QIODevice::WriteOnly) || file.write(SampleItems) < 0) {
        fail(QStringLiteral("cannot write the sample file"));
        return 1;
    }
    file.close();
    QDir().mkpath(outputFolder);

    UnattendedPrompts prompts;
    MainWindow window(prompts);
    window.start();
    window.setLogPath(work.filePath(QStringLiteral("VUVEDIZE.LOG")));
    window.show();

    if (!saveFailedConnect(window, outputFolder, work.filePath(QStringLiteral("missing/store.db"))))
        return 1;
    window.findChild<QLineEdit *>(QStringLiteral("txtVXRDB"))->setText(sqliteConnectionString(store));
    click(window, "cmdConnect");
    if (!settingsFile.isEmpty()) {
        const QString settings = QDir::toNativeSeparators(QFileInfo(settingsFile).absoluteFilePath());
        window.findChild<QLineEdit *>(QStringLiteral("txtLoadSettings"))->setText(settings);
        window.loadSettings(settings);
    } else {
        window.findChild<QLineEdit *>(QStringLiteral("txtFileName"))->setText(QDir::toNativeSeparators(items));
    }
    if (!save(window, outputFolder, 1) || !saveDelimiterOffer(window, outputFolder, work.path()))
        return 1;

    click(window, "cmdNext");
    if (settingsFile.isEmpty()) {
        auto *list = window.findChild<QListWidget *>(QStringLiteral("lstFields"));
        for (const char *name : {"Item Lookup Code", "Description", "Department", "Category", "Cost", "Price",
                                 "Quantity"})
            mapField(window, list, QString::fromLatin1(name));
        window.mappingPage()->selectPosition(1);
    }
    if (!save(window, outputFolder, 2))
        return 1;

    click(window, "cmdNext");
    if (!settingsFile.isEmpty())
        window.findChild<QCheckBox *>(QStringLiteral("chkSkipFirstLine"))->click();
    waitForStoredPreview(window);
    if (!save(window, outputFolder, 3))
        return 1;

    click(window, "cmdNext");
    // The runs write their reject files beside the text file: a copy in the
    // work folder keeps them out of the sample folder.
    auto *fileName = window.findChild<QLineEdit *>(QStringLiteral("txtFileName"));
    const QString copy = QDir(work.path()).filePath(QFileInfo(fileName->text()).fileName());
    if (QFileInfo(copy) != QFileInfo(fileName->text()) && !QFile::copy(fileName->text(), copy)) {
        fail(QStringLiteral("cannot copy the text file into ") + work.path());
        return 1;
    }
    fileName->setText(QDir::toNativeSeparators(copy));
    if (!saveRunningImport(window, outputFolder, work.path()))
        return 1;
    window.runPage()->onImportClicked();
    waitForRun(window);
    if (!save(window, outputFolder, 4))
        return 1;
    window.runPage()->onViewLogClicked();
    if (!window.logViewer() || !saveWidget(*window.logViewer(), outputFolder, QStringLiteral("log")))
        return 1;
    if (!saveHistory(window, store, outputFolder))
        return 1;
    const QString connection = sqliteConnectionString(store);
    // The sample of new items, beside the settings file, on the store the walk filled.
    const QString newItems = QFileInfo(settingsFile).dir().filePath(QStringLiteral("new-items.imp"));
    if (!settingsFile.isEmpty() && QFileInfo::exists(newItems)
        && !saveStoredPreview(prompts, connection, newItems, outputFolder))
        return 1;
    if (!saveSheetChoice(prompts, connection, outputFolder, work.path()))
        return 1;
    return saveHeaderSuggestions(prompts, connection, outputFolder, work.path()) ? 0 : 1;
}

} // namespace vxr

#include "ScreenshotWalk.h"

#include "UserPrompts.h"
#include "frmConnect.h"
#include "frmMain.h"

#include "database/ConnectionString.h"
#include "database/StoreSchema.h"

#include <QApplication>
#include <QCheckBox>
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

bool save(frmMain &window, const QString &folder, int panel)
{
    return saveWidget(window, folder, QStringLiteral("panel%1").arg(panel));
}

// The connection dialog after a connect that failed: a store file that is not there.
bool saveFailedConnect(frmMain &window, const QString &folder, const QString &missingStore)
{
    frmConnect *dialog = window.connectDialog();
    dialog->fillFrom(sqliteConnectionString(missingStore));
    dialog->show();
    dialog->cmdOK_Click();
    const bool saved = saveWidget(*dialog, folder, QStringLiteral("connect"));
    dialog->hide();
    return saved;
}

void mapField(frmMain &window, QListWidget *list, const QString &name)
{
    const auto found = list->findItems(name, Qt::MatchExactly);
    if (found.isEmpty())
        return;
    list->setCurrentItem(found.first());
    window.lstFields_DblClick();
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
    frmMain window(prompts);
    window.Form_Load();
    window.LogPath = work.filePath(QStringLiteral("VUVEDIZE.LOG"));
    window.show();

    if (!saveFailedConnect(window, outputFolder, work.filePath(QStringLiteral("missing/store.db"))))
        return 1;
    window.findChild<QLineEdit *>(QStringLiteral("txtVXRDB"))->setText(sqliteConnectionString(store));
    window.cmdConnect_Click();
    if (!settingsFile.isEmpty()) {
        const QString settings = QDir::toNativeSeparators(QFileInfo(settingsFile).absoluteFilePath());
        window.findChild<QLineEdit *>(QStringLiteral("txtLoadSettings"))->setText(settings);
        window.ReadSettings(settings);
    } else {
        window.findChild<QLineEdit *>(QStringLiteral("txtFileName"))->setText(QDir::toNativeSeparators(items));
    }
    if (!save(window, outputFolder, 1))
        return 1;

    window.cmdNext_Click();
    if (settingsFile.isEmpty()) {
        auto *list = window.findChild<QListWidget *>(QStringLiteral("lstFields"));
        for (const char *name : {"Item Lookup Code", "Description", "Department", "Category", "Cost", "Price",
                                 "Quantity"})
            mapField(window, list, QString::fromLatin1(name));
        window.setGridRow(1);
    }
    if (!save(window, outputFolder, 2))
        return 1;

    window.cmdNext_Click();
    if (!settingsFile.isEmpty())
        window.findChild<QCheckBox *>(QStringLiteral("chkSkipFirstLine"))->click();
    if (!save(window, outputFolder, 3))
        return 1;

    window.cmdNext_Click();
    window.cmdImport_Click();
    if (!save(window, outputFolder, 4))
        return 1;
    window.cmdViewLogFile_Click();
    return window.logViewer() && saveWidget(*window.logViewer(), outputFolder, QStringLiteral("log")) ? 0 : 1;
}

} // namespace vxr

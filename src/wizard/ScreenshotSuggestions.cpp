#include "ScreenshotSuggestions.h"

#include "MainWindow.h"
#include "MappingPage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <cstdio>

namespace vxr {

namespace {

const char Export[] = "Item No.,Description,Dept,Category,Vendor,Tax Rate,Unit Cost,Retail Price,On Hand,Case Qty\r\n"
                      "1001,Espresso beans 1kg,Coffee,Beans,Roastery,8.25,12.50,18.95,40,6\r\n"
                      "1002,Filter papers (100),Coffee,Accessories,Paperworks,8.25,1.10,2.49,250,24\r\n";

} // namespace

bool saveHeaderSuggestions(UserPrompts &prompts, const QString &connectionString, const QString &outputFolder,
                           const QString &workFolder)
{
    QFile file(QDir(workFolder).filePath(QStringLiteral("export.csv")));
    if (!file.open(QIODevice::WriteOnly) || file.write(Export) < 0) {
        std::fprintf(stderr, "screenshot walk: cannot write the export sample\n");
        return false;
    }
    file.close();

    MainWindow window(prompts);
    window.start();
    window.show();
    window.findChild<QLineEdit *>(QStringLiteral("txtVXRDB"))->setText(connectionString);
    window.findChild<QAbstractButton *>(QStringLiteral("cmdConnect"))->click();
    window.findChild<QLineEdit *>(QStringLiteral("txtFileName"))->setText(QDir::toNativeSeparators(file.fileName()));
    window.findChild<QAbstractButton *>(QStringLiteral("cmdNext"))->click();
    window.findChild<QCheckBox *>(QStringLiteral("chkFirstLine"))->click();
    window.mappingPage()->selectPosition(1);
    QApplication::processEvents();
    const QString path = QDir(outputFolder).filePath(QStringLiteral("panel2-suggestions.png"));
    if (window.grab().save(path))
        return true;
    std::fprintf(stderr, "screenshot walk: cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace vxr

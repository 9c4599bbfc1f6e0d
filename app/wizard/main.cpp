#include "database/DriverWarnings.h"
#include "database/SqliteLibrary.h"
#include "wizard/MainWindow.h"
#include "wizard/ScreenshotWalk.h"
#include "wizard/UserPrompts.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char **argv)
{
    vxr::quietDriverWarnings();
    vxr::configureSqliteLibrary();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VXRImp"));
    QApplication::setApplicationVersion(QStringLiteral(VXR_VERSION_STRING));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Vexaro Vevazezi Import Wizard"));
    options.addHelpOption();
    const QCommandLineOption walk(QStringLiteral("screenshot-walk"),
                                  QStringLiteral("Walk the panels with sample data and save a picture of each."),
                                  QStringLiteral("folder"));
    const QCommandLineOption walkSettings(QStringLiteral("settings"),
                                          QStringLiteral("The settings file the screenshot walk loads."),
                                          QStringLiteral("file.imp"));
    options.addOption(walk);
    options.addOption(walkSettings);
    options.process(app);
    if (options.isSet(walk))
        return vxr::screenshotWalk(options.value(walk), options.value(walkSettings));

    vxr::QtUserPrompts prompts;
    vxr::MainWindow window(prompts);
    // Every window of the program (dialogs included) shows the program's icon;
    // the desktop entry installed beside it names the program for the desktop.
    QApplication::setWindowIcon(window.windowIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("vxrimp"));
    prompts.setParentWidget(&window);
    window.start();
    window.show();
    return app.exec();
}

#include "ScreenshotReview.h"

#include "MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTableWidget>
#include <QThread>
#include <QToolTip>

#include <zip.h>

#include <cstdio>

namespace vxr {

namespace {

bool savePicture(const QPixmap &picture, const QString &outputFolder, const QString &name)
{
    const QString path = QDir(outputFolder).filePath(name);
    if (picture.save(path))
        return true;
    std::fprintf(stderr, "screenshot walk: cannot write %s\n", qPrintable(path));
    return false;
}

void connectTo(MainWindow &window, const QString &connectionString)
{
    window.findChild<QLineEdit *>(QStringLiteral("txtVXRDB"))->setText(connectionString);
    window.findChild<QAbstractButton *>(QStringLiteral("cmdConnect"))->click();
}

// A workbook of two sheets, as a store owner keeps stock and prices.
const QList<QStringList> StockRows = {
    {QStringLiteral("SKU"), QStringLiteral("Description"), QStringLiteral("Department"), QStringLiteral("Price")},
    {QStringLiteral("HW-1201"), QStringLiteral("Hand Saw, 20 in"), QStringLiteral("Hardware"), QStringLiteral("17.99")},
    {QStringLiteral("HW-1202"), QStringLiteral("Level, 24 in"), QStringLiteral("Hardware"), QStringLiteral("21.49")},
    {QStringLiteral("GD-4201"), QStringLiteral("Garden Trowel"), QStringLiteral("Garden"), QStringLiteral("6.99")},
};

QByteArray odsTable(const QString &name, const QList<QStringList> &rows)
{
    QByteArray table = "<table:table table:name=\"" + name.toUtf8() + "\">";
    for (const QStringList &row : rows) {
        table += "<table:table-row>";
        for (const QString &cell : row)
            table += "<table:table-cell office:value-type=\"string\"><text:p>" + cell.toHtmlEscaped().toUtf8()
                + "</text:p></table:table-cell>";
        table += "</table:table-row>";
    }
    return table + "</table:table>";
}

bool writeWorkbook(const QString &path)
{
    const QByteArray mime = "application/vnd.oasis.opendocument.spreadsheet";
    const QByteArray content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
        "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
        "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
        + odsTable(QStringLiteral("Stock"), StockRows) + odsTable(QStringLiteral("Prices"), StockRows.mid(0, 2))
        + "</office:spreadsheet></office:body></office:document-content>";
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return false;
    bool added = true;
    for (const auto &[name, bytes] : {std::pair{"mimetype", &mime}, std::pair{"content.xml", &content}}) {
        zip_source_t *source = zip_source_buffer(zip, bytes->constData(), zip_uint64_t(bytes->size()), 0);
        added = added && source && zip_file_add(zip, name, source, ZIP_FL_OVERWRITE) >= 0;
    }
    return zip_close(zip) == 0 && added;
}

// The window with what opens over it (a tooltip, a list): the screen where
// there is one.
QPixmap grabScreenOf(MainWindow &window)
{
    QScreen *screen = window.screen();
    const QRect frame = window.frameGeometry();
    if (screen && QGuiApplication::platformName() != QLatin1String("offscreen"))
        return screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    return window.grab();
}

} // namespace

void waitForStoredPreview(MainWindow &window)
{
    auto *count = window.findChild<QLabel *>(QStringLiteral("lblProblemCount"));
    QElapsedTimer waited;
    waited.start();
    while (count && !count->text().contains(QLatin1String("lines:")) && !count->text().contains(QLatin1String("cannot"))
           && waited.elapsed() < 30000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    QApplication::processEvents();
}

bool saveStoredPreview(UserPrompts &prompts, const QString &connectionString, const QString &settingsFile,
                       const QString &outputFolder)
{
    MainWindow window(prompts);
    window.start();
    // Wide enough for the price column.
    window.resize(1240, window.height());
    window.show();
    connectTo(window, connectionString);
    const QString settings = QDir::toNativeSeparators(QFileInfo(settingsFile).absoluteFilePath());
    window.findChild<QLineEdit *>(QStringLiteral("txtLoadSettings"))->setText(settings);
    window.loadSettings(settings);
    for (int step = 0; step < 2; ++step)
        window.findChild<QAbstractButton *>(QStringLiteral("cmdNext"))->click();
    waitForStoredPreview(window);

    // The tooltip of the first price that is no number.
    auto *grid = window.findChild<QTableWidget *>(QStringLiteral("msflexpreview"));
    for (int row = 0; row < grid->rowCount(); ++row) {
        QTableWidgetItem *item = grid->item(row, 7);
        if (!item || item->icon().isNull())
            continue;
        grid->scrollToItem(item);
        QApplication::processEvents();
        const QRect cell = grid->visualItemRect(item);
        QToolTip::showText(grid->viewport()->mapToGlobal(cell.center()), item->toolTip(), grid->viewport());
        break;
    }
    for (int wait = 0; wait < 10; ++wait) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(30);
    }
    const bool saved = savePicture(grabScreenOf(window), outputFolder, QStringLiteral("panel3-problems.png"));
    QToolTip::hideText();
    return saved;
}

bool saveSheetChoice(UserPrompts &prompts, const QString &connectionString, const QString &outputFolder,
                     const QString &workFolder)
{
    const QString workbook = QDir(workFolder).filePath(QStringLiteral("stock.ods"));
    if (!writeWorkbook(workbook)) {
        std::fprintf(stderr, "screenshot walk: cannot write the sample workbook\n");
        return false;
    }
    MainWindow window(prompts);
    window.start();
    window.show();
    connectTo(window, connectionString);
    window.findChild<QLineEdit *>(QStringLiteral("txtFileName"))->setText(QDir::toNativeSeparators(workbook));
    // The list open, its sheets on show.
    auto *sheets = window.findChild<QComboBox *>(QStringLiteral("cmbSheet"));
    if (sheets)
        sheets->showPopup();
    for (int wait = 0; wait < 10; ++wait) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(30);
    }
    const bool saved = savePicture(grabScreenOf(window), outputFolder, QStringLiteral("panel1-sheet.png"));
    if (sheets)
        sheets->hidePopup();
    return saved;
}

} // namespace vxr

// Workbooks (.xlsx made by openpyxl, .ods made here) import the same rows as
// the same data in CSV, whatever the regional settings; binary files are
// refused before anything is stored.

#include "CliFixture.h"
#include "TestWorkbook.h"

#include <QProcess>

using namespace vxr::test;

namespace {

const QString Select = "SELECT ItemLookupCode, Description, Price, SaleStartDate, Notes FROM Item ORDER BY 1";

// The rows every workbook holds, as CSV (CR LF, quoted as rejected rows are
// written). A6 fails under --strict and is rejected.
const QByteArray ItemsCsv = "Item Lookup Code,Description,Price,Sale Start Date,Notes\r\n"
                            "A1,\"Chair, \"\"oak\"\"\",1326.48,2026-07-16,x\r\n"
                            "A2,Lamp,0.1,2026-02-28T10:20:30\r\n"
                            "1001,Number key,12\r\n"
                            "\r\n"
                            "A5\r\n"
                            "A6,Bad price,n/a\r\n";
const QByteArray OtherCsv = "Item Lookup Code,Description\r\nB1,From other\r\n";

// Writes the workbooks with openpyxl: the 1900 and the 1904 date system.
const char *XlsxScript = R"(
import sys, datetime, openpyxl
from openpyxl.utils.datetime import CALENDAR_MAC_1904
for path, epoch in ((sys.argv[1], None), (sys.argv[2], CALENDAR_MAC_1904)):
    wb = openpyxl.Workbook()
    if epoch: wb.epoch = epoch
    ws = wb.active; ws.title = "Items"
    ws.append(["Item Lookup Code", "Description", "Price", "Sale Start Date", "Notes"])
    ws.append(["A1", 'Chair, "oak"', 1326.48, datetime.date(2026, 7, 16), "x"])
    ws.append(["A2", "Lamp", 0.1, datetime.datetime(2026, 2, 28, 10, 20, 30), None])
    ws.append([1001, "Number key", 12, None, None])
    ws.append([])
    ws.append(["A5"]); ws.cell(row=6, column=60, value="past the last column")
    ws.append(["A6", "Bad price", "n/a"])
    other = wb.create_sheet("Other")
    other.append(["Item Lookup Code", "Description"]); other.append(["B1", "From other"])
    wb.save(path)
)";

bool makeXlsx(const QString &path1900, const QString &path1904)
{
    for (const QString python : {"python3", "/usr/bin/python3"}) {
        QProcess process;
        process.start(python, {"-c", XlsxScript, path1900, path1904});
        if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return true;
    }
    return false;
}

QByteArray odsCell(const QByteArray &attributes, const QByteArray &shown = {})
{
    return "<table:table-cell " + attributes + "><text:p>" + shown + "</text:p></table:table-cell>";
}

QByteArray odsText(const QByteArray &text) { return odsCell("office:value-type=\"string\"", text); }

QByteArray odsRow(const QByteArray &cells, const QByteArray &attributes = {})
{
    return "<table:table-row " + attributes + ">" + cells
           + "<table:table-cell table:number-columns-repeated=\"1000\"/></table:table-row>";
}

// The sheets as an office suite writes them: shown texts that are not the
// values, repeated empty cells and rows up to the sheet's end.
QByteArray odsContent()
{
    const QByteArray price = "office:value-type=\"float\" office:value=";
    const QByteArray items =
        odsRow(odsText("Item Lookup Code") + odsText("Description") + odsText("Price") + odsText("Sale Start Date")
               + odsText("Notes"))
        + odsRow(odsText("A1") + odsText("Chair, \"oak\"") + odsCell(price + "\"1326.48\"", "1.326,48 €")
                 + odsCell("office:value-type=\"date\" office:date-value=\"2026-07-16\"", "16.07.26") + odsText("x"))
        + odsRow(odsText("A2") + odsText("Lamp") + odsCell(price + "\"0.1\"", "0,10")
                 + odsCell("office:value-type=\"date\" office:date-value=\"2026-02-28T10:20:30\"", "28.02.26"))
        + odsRow(odsCell(price + "\"1001\"", "1.001") + odsText("Number<text:s/>key") + odsCell(price + "\"12\"", "12"))
        + odsRow({}) + odsRow(odsText("A5") + "<table:table-cell table:number-columns-repeated=\"58\"/>" + odsText("far"))
        + odsRow(odsText("A6") + odsText("Bad price") + odsText("n/a"))
        + odsRow({}, "table:number-rows-repeated=\"1048570\"");
    const QByteArray other = odsRow(odsText("Item Lookup Code") + odsText("Description"))
                             + odsRow(odsText("B1") + odsText("From other"));
    return "<table:table table:name=\"Items\">" + items + "</table:table><table:table table:name=\"Other\">" + other
           + "</table:table>";
}

class SpreadsheetTest : public CliFixture
{
protected:
    ToolResult run(const QString &file, const QString &store, const QStringList &extra)
    {
        return vxrimp(QStringList{"import", "--file", path(file), "--table", "Inventory", "--header", "--strict",
                                  "--connect", newStore(store), "--log", path("import.log"), "--reject",
                                  path(store + ".rejected")}
                      + extra);
    }
};

TEST_F(SpreadsheetTest, WorkbooksStoreTheRowsOfTheSameDataInCsv)
{
    ASSERT_TRUE(writeTestFile(path("items.csv"), ItemsCsv));
    ASSERT_TRUE(writeTestFile(path("other.csv"), OtherCsv));
    ASSERT_TRUE(writeTestOds(path("items.ods"), odsContent()));
    const bool haveXlsx = makeXlsx(path("items.xlsx"), path("items1904.xlsx"));
    const ToolResult csv = run("items.csv", "csv.db", {"--locale", "en_US"});
    ASSERT_EQ(csv.exitCode, 1) << csv.err.toStdString(); // A6 failed
    const QStringList expected = storeRows(Select, "csv.db");
    ASSERT_EQ(expected.size(), 4);
    ASSERT_EQ(vxrimp({"import", "--file", path("other.csv"), "--table", "Inventory", "--header", "--connect",
                      newStore("other.db"), "--log", path("import.log")})
                  .exitCode,
              0);

    // Numbers need no regional settings: the workbooks are read as German.
    for (const QString workbook : {"items.xlsx", "items1904.xlsx", "items.ods"}) {
        if (workbook.endsWith("xlsx") && !haveXlsx) {
            ADD_FAILURE() << "python3 with openpyxl is needed to make the .xlsx workbooks";
            continue;
        }
        const std::string shown = workbook.toStdString();
        const ToolResult sheet = run(workbook, workbook + ".db", {"--locale", "de_DE"});
        EXPECT_EQ(sheet.exitCode, 1) << shown << sheet.err.toStdString();
        EXPECT_TRUE(sheet.err.contains("past column 52")) << shown << sheet.err.toStdString();
        const ToolResult preview = vxrimp({"preview", "--file", path(workbook), "--table", "Inventory", "--header"});
        EXPECT_TRUE(preview.err.contains("past column 52")) << shown << preview.err.toStdString();
        EXPECT_EQ(storeRows(Select, workbook + ".db"), expected) << shown;
        // The rejected row, after the header row, as a CSV line.
        EXPECT_EQ(readTestFile(path(workbook + ".db.rejected")), readTestFile(path("csv.db.rejected"))) << shown;

        const ToolResult other = run(workbook, workbook + ".other.db", {"--sheet", "other"});
        EXPECT_EQ(other.exitCode, 0) << shown << other.err.toStdString();
        EXPECT_EQ(storeRows(Select, workbook + ".other.db"), storeRows(Select, "other.db")) << shown;
    }
}

TEST_F(SpreadsheetTest, BinaryFilesAreRefusedWithNothingStored)
{
    // message empty: read as text.
    const struct { const char *name; QByteArray bytes; const char *message; } cases[] = {
        {"scan.pdf", "%PDF-1.7\nItem,1\n", "is a PDF document"},
        {"logo.png", "\x89PNG\r\n\x1a\nA1,Item\n", "is a PNG image"},
        {"photo.csv", "\xFF\xD8\xFF\xE0" "A1,Item\n", "is a JPEG image"},
        {"old.xls", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" "A1,Item\n", "save it as .xlsx or CSV"},
        {"items.zip", "PK\x03\x04" "A1,Item\n", "is a zip archive"},
        {"items.gz", "\x1F\x8B\x08" "A1,Item\n", "is a gzip archive"},
        {"nul.csv", QByteArray("A1,Item\nA2,It\0em\n", 17), "holds NUL bytes"},
        {"utf16.csv", QByteArray("\xFF\xFE" "A\0" "1\0" ",\0" "x\0" "\r\0\n\0", 14), ""},
    };
    for (const auto &[name, bytes, message] : cases) {
        ASSERT_TRUE(writeTestFile(path(name), bytes));
        const ToolResult result =
            vxrimp({"import", "--file", path(name), "--table", "Inventory", "--map", "1=Item Lookup Code", "--connect",
                    newStore(QString(name) + ".db"), "--log", path("import.log")});
        const bool refused = *message != 0;
        EXPECT_EQ(result.exitCode, refused ? 2 : 0) << name << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(message)) << name << result.err.toStdString();
        EXPECT_EQ(storeRows("SELECT COUNT(*) FROM Item", QString(name) + ".db").value(0).toInt(), refused ? 0 : 1)
            << name;
    }
}

} // namespace

// Runs the built vxrimp and checks what it prints and its exit status.

#include "CliFixture.h"

#include <QDir>
#include <QStringEncoder>

using namespace vxr::test;

namespace {

class CliTest : public CliFixture
{
};

} // namespace

TEST_F(CliTest, CommandLine)
{
    const ToolResult version = vxrimp({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("vxrimp 1.")) << version.out.toStdString();
    const ToolResult help = vxrimp({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--map POS=FIELD[,POS=FIELD]"));
    EXPECT_TRUE(help.out.contains("  --delimiter NAME|CHAR|auto   comma, period, semicolon, slash, backslash, "
                                  "asterisk, percent, ampersand, tab, space, pipe, or the character; auto"));
    EXPECT_TRUE(help.err.isEmpty());

    expectRefused({},
                  {
                      {{}, "no command given"},
                      {{"export"}, "unknown command 'export'"},
                      {{"import", "--colour"}, "colour"},
                      {{"import", "--quotes", "--no-quotes"}, "contradict"},
                      {{"import", "--header", "--no-header"}, "--header and --no-header contradict"},
                      {{"preview", "--skip-first-line", "--no-skip-first-line"}, "contradict"},
                      {{"import", "--encoding", "a", "--encoding", "b"}, "--encoding is given twice"},
                      {{"import", "--duplicates", "ignore"}, "error or update"},
                      {{"import", "--table"}, "table"},
                      {{"import", "--file", "a.csv", "--file", "b.csv"}, "--file is given twice"},
                      {{"init-store"}, "init-store takes one FILE"},
                      {{"fields", "--file", "x"}, "--file does not apply to fields"},
                      {{"preview", "--lines", "0"}, "--lines"},
                      {{"import", "--batch", "0"}, "--batch takes a whole number"},
                      {{"import", "--batch", "5", "--dry-run"}, "--batch does not go with --dry-run"},
                      {{"import", "--dry-run", "--all-or-nothing"}, "contradict"},
                      {{"import", "--all-or-nothing", "--reject", "r.csv"}, "--reject does not go with --all-or-nothing"},
                  },
                  true);
}

TEST_F(CliTest, SetUpErrorsSayWhatIsWrong)
{
    ASSERT_TRUE(writeTestFile(path("s.csv"), "Acme,Jo\n"));
    const QString connect = "Provider=SQLite;Data Source=" + path("none.db");
    expectRefused({"import", "--file", "s.csv", "--connect", connect, "--log", path("import.log")},
                  {
                      {{"--table", "Warehouse"}, "'Warehouse' is not a destination table"},
                      {{"--table", "4", "--map", "1=401"}, "'4' is not a destination table"},
                      {{"--table", "suppliers", "--map", "1=Supplier Name,2=Nickname"},
                       "\"Nickname\" is not a field of Suppliers"},
                      {{"--table", "3", "--map", "1=116"}, "116 is not the FieldID of a field of Suppliers"},
                      {{"--table", "3", "--map", "53=311"}, "from 1 to 52"},
                      {{"--table", "3"}, "no text position is mapped"},
                      {{"--table", "3", "--delimiter", "'"}, "cannot be the field delimiter"},
                      {{"--table", "3", "--delimiter", "colon"},
                       "--delimiter takes comma, period, semicolon, slash, backslash, asterisk, percent, "
                       "ampersand, tab, space, pipe, auto or a single character, not 'colon'"},
                      {{"--settings", "missing.imp"}, "missing.imp does not exist"},
                      {{"--settings", "s.csv"}, "is not a settings file"},
                      {{"--table", "3", "--map", "2=304"}, "the key field \"Supplier Name\" of Suppliers is not mapped"},
                      {{"--table", "3", "--map", "1=311", "--encoding", "klingon-8"},
                       "--encoding: the encoding \"klingon-8\" is not known"},
                      {{"--table", "3", "--map", "1=311", "--encoding", "IBM037"}, "not single ASCII bytes"},
                      {{"--table", "3", "--map", "1=311", "--locale", "xx_YY"}, "--locale: \"xx_YY\" is not a locale"},
                      // Everything is in order but the database is not there.
                      {{"--table", "Suppliers", "--map", "1=311,2=304"}, "cannot connect to the database"},
                  },
                  false);
    EXPECT_FALSE(QFile::exists(path("none.db"))); // never created by a failed connect
    EXPECT_FALSE(QFile::exists(path("import.log")));
    EXPECT_EQ(readTestFile(path("s.csv")), "Acme,Jo\n");
}

TEST_F(CliTest, ImportsTheExamplesWithTheirSettingsFiles)
{
    const QString connect = newStore();
    // A relative FileName is found beside the settings file (every sample:
    // CliRunTest). The header line is skipped as the settings file says;
    // options override the file: the repeated item updates its row.
    const ToolResult items = vxrimp(importArguments(connect, "inventory.imp") << "--duplicates" << "update"
                                   << "--delimiter" << "Comma");
    EXPECT_EQ(items.exitCode, 0) << items.err.toStdString();
    EXPECT_TRUE(items.out.contains("-> Inventory: Complete")) << items.out.toStdString();
    EXPECT_FALSE(items.out.contains('\r')); // no progress bar when not on a terminal
    EXPECT_TRUE(items.out.contains("Rows added:        25\n"));
    EXPECT_TRUE(items.out.contains("Rows updated:      1\n"));
    EXPECT_TRUE(items.out.contains("Lines skipped:     1\n"));
    EXPECT_EQ(storeQuery("SELECT COUNT(*) FROM Item").toInt(), 25);
    EXPECT_EQ(storeQuery("SELECT COUNT(*) FROM Item WHERE Description = 'Tape Measure, 25 ft (reprint)'").toInt(), 1);
    EXPECT_EQ(storeQuery("SELECT COUNT(*) FROM Item WHERE ItemLookupCode = 'SKU'").toInt(), 0);

    // Told to, the first line is imported like any other.
    const ToolResult header = vxrimp(importArguments(connect, "inventory.imp") << "--duplicates" << "update"
                                    << "--no-skip-first-line" << "--no-header");
    EXPECT_TRUE(header.out.contains("Rows added:        1\n")) << header.out.toStdString();
    EXPECT_EQ(storeQuery("SELECT COUNT(*) FROM Item WHERE ItemLookupCode = 'SKU'").toInt(), 1);
}

TEST_F(CliTest, TheFormatsUsersHave)
{
    const QString connect = newStore();
    // A Central European customer list in Windows-1250, German amounts, and a
    // header line whose names are spelled in several ways.
    QStringEncoder windows1250("windows-1250");
    ASSERT_TRUE(writeTestFile(path("zakaznici.csv"),
                              windows1250.encode(QStringLiteral(
                                  u"account_number;FIRST NAME;Last-Name;Balance Due;Account Balance;Notiz\r\n"
                                  u"C-1;Ji\u0159\u00ED;Dvo\u0159\u00E1k;x;1.250,50;a\r\n"
                                  u"C-2;\u0160t\u011Bp\u00E1n;O'Brien;x;-3,5;b\r\n"))));
    const ToolResult imported =
        vxrimp({"import", "--file", "zakaznici.csv", "--table", "Customers", "--delimiter", "semicolon",
                "--encoding", "windows-1250", "--locale", "de_DE", "--header", "--connect", connect, "--log",
                path("import.log"), "--save-settings", "zakaznici.imp"});
    EXPECT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    // The mapping it used, and the names that map nothing.
    for (const char *line : {"    1  \"account_number\"  -> Account Number\n", "    2  \"FIRST NAME\"  -> First Name\n",
                             "    3  \"Last-Name\"  -> Last Name\n",
                             "    4  \"Balance Due\"  not mapped: matches no field of Customers\n",
                             "    5  \"Account Balance\"  -> Account Balance\n"}) {
        EXPECT_TRUE(imported.out.contains(QString::fromUtf8(line))) << line << imported.out.toStdString();
    }
    EXPECT_TRUE(imported.out.contains("Rows added:        2\n"));
    EXPECT_TRUE(imported.out.contains("Lines skipped:     1\n"));
    EXPECT_EQ(storeQuery("SELECT FirstName || ' ' || LastName FROM Customer WHERE AccountNumber = 'C-1'").toString(),
              QStringLiteral(u"Ji\u0159\u00ED Dvo\u0159\u00E1k"));
    EXPECT_DOUBLE_EQ(storeQuery("SELECT AccountBalance FROM Customer WHERE AccountNumber = 'C-1'").toDouble(), 1250.5);
    EXPECT_EQ(storeQuery("SELECT LastName FROM Customer WHERE AccountNumber = 'C-2'").toString(), "O'Brien");

    // The saved set-up names the file beside it and runs the same way again.
    const QByteArray saved = readTestFile(path("zakaznici.imp"));
    for (const char *key : {"FileName=zakaznici.csv\r\n", "Encoding=windows-1250\r\n", "Locale=de_DE\r\n",
                            "FirstLineHeader=Yes\r\n", "StripApostrophes=No\r\n", "Field_ID5=206\r\n"})
        EXPECT_TRUE(saved.contains(key)) << key;
    const ToolResult again = vxrimp({"preview", "--settings", path("zakaznici.imp"), "--strip-apostrophes"});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_TRUE(again.out.contains(QStringLiteral(u"\u0160t\u011Bp\u00E1n"))) << again.out.toStdString();
    EXPECT_TRUE(again.out.contains(QStringLiteral(u"OBrien"))) << again.out.toStdString();
}

TEST_F(CliTest, UsDatesUnderTheCLocaleAndUtf16Files)
{
    const QString connect = newStore();
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    ASSERT_TRUE(writeTestFile(path("opened.txt"), utf16.encode(QStringLiteral(u"C-7\t1/2/2003\tZo\u00EB\r\n"))));
    const ToolResult result = vxrimp({"import", "--file", "opened.txt", "--table", "2", "--delimiter", "tab",
                                     "--map", "1=201,2=202,3=Last Name", "--connect", connect, "--log",
                                     path("import.log")},
                                    QStringLiteral("C"));
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(storeQuery("SELECT AccountOpened FROM Customer").toString().startsWith("2003-01-02"))
        << storeQuery("SELECT AccountOpened FROM Customer").toString().toStdString();
    EXPECT_EQ(storeQuery("SELECT LastName FROM Customer").toString(), QStringLiteral(u"Zo\u00EB"));
}

TEST_F(CliTest, StrictValuesFailTheirLinesAndOtherwiseAreCounted)
{
    const QString connect = newStore();
    ASSERT_TRUE(writeTestFile(path("items.csv"), "K1,Widget,abc\r\nK2,A description far longer than its column,4\r\n"));
    const QStringList arguments = {"import", "--table", "Inventory", "--map", "1=Item Lookup Code,2=Description,3=Cost",
                                   "--connect", connect, "--log", path("import.log"), "--file"};

    const ToolResult strict = vxrimp(arguments + QStringList{"items.csv", "--strict"});
    EXPECT_EQ(strict.exitCode, 1) << strict.err.toStdString();
    EXPECT_TRUE(strict.out.contains("Lines failed:      1\n")) << strict.out.toStdString();
    EXPECT_FALSE(strict.out.contains("Values read as 0/empty")) << strict.out.toStdString();
    EXPECT_TRUE(strict.out.contains("  Values cut to fit:      1 (")) << strict.out.toStdString();

    // Without it the line is stored with a cost of 0, and told.
    const ToolResult lenient = vxrimp(arguments + QStringList{"items.csv", "--duplicates", "update"});
    EXPECT_EQ(lenient.exitCode, 0) << lenient.err.toStdString();
    EXPECT_TRUE(lenient.out.contains("  Values read as 0/empty: 1 (")) << lenient.out.toStdString();
    EXPECT_TRUE(lenient.out.contains("  Values cut to fit:      1 (")) << lenient.out.toStdString();
    EXPECT_TRUE(lenient.out.contains("not failures")) << lenient.out.toStdString();
    // Each changed value by line after the summary, and the report that lists them.
    EXPECT_TRUE(lenient.out.contains("  Problems:          2 in " + path("items.problems.csv") + "\n"
                                     "    Line 1, Cost \"abc\": No number: stored as 0.\n"
                                     "    Line 2, Description \"A description far longer than its column\": Longer "
                                     "than its column: cut to 30 characters.\n"))
            << lenient.out.toStdString();

    // --reject-cut fails the line whose text would be cut, and --problems
    // puts the report where it says. (A report with nothing left to report
    // goes: ProblemsReportTest.)
    const ToolResult cut = vxrimp(arguments + QStringList{"items.csv", "--duplicates", "update", "--reject-cut",
                                                         "--problems", "cut.csv"});
    EXPECT_EQ(cut.exitCode, 1) << cut.err.toStdString();
    EXPECT_TRUE(readTestFile(path("cut.csv")).endsWith(",Failed (error 3163)\r\n"));

    // A run with nothing to count prints neither.
    ASSERT_TRUE(writeTestFile(path("plain.csv"), "K3,Gadget,2\r\n"));
    const ToolResult plain = vxrimp(arguments + QStringList{"plain.csv", "--strict"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_FALSE(plain.out.contains("Values")) << plain.out.toStdString();
}

// A problems report that cannot be written whole (no file may grow past
// 96 KiB) is told, and the old report of the same file stays as it was.
TEST_F(CliTest, AProblemsReportThatDoesNotFitKeepsTheOldOne)
{
    const QString connect = newStore();
    QByteArray lines;
    for (int i = 1; i <= 100; ++i)
        lines += "F" + QByteArray::number(i) + "," + QByteArray(4000, 'd') + "\r\n";
    ASSERT_TRUE(writeTestFile(path("items.csv"), lines));
    ASSERT_TRUE(writeTestFile(path("items.test-problems.csv"), "old report\r\n"));
    QProcess process;
    startVxrimp(process, {"import", "--table", "Inventory", "--map", "1=Item Lookup Code,2=Description", "--connect",
                          connect, "--log", path("import.log"), "--file", "items.csv", "--dry-run"},
                QString(), 96);
    ASSERT_TRUE(process.waitForFinished(120000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 1) << out.toStdString();
    EXPECT_TRUE(out.contains("  Problems:          100 in " + path("items.test-problems.csv") + " (could not be written: "))
            << out.toStdString();
    EXPECT_EQ(readTestFile(path("items.test-problems.csv")), "old report\r\n");
    EXPECT_EQ(QDir(m_dir.path()).entryList({"items.test-problems.csv*"}, QDir::Files), QStringList({"items.test-problems.csv"}));
}

TEST_F(CliTest, SettingsAreSavedBeforeConnectingAndTheTerminalIsSafe)
{
    ASSERT_TRUE(writeTestFile(path("s.csv"), "Acme\x1b[2J\x1b]0;owned\x07,Jo\r\n"));
    const ToolResult unreachable = vxrimp({"import", "--file", "s.csv", "--table", "3", "--map", "1=311,2=304",
                                          "--strict", "--connect", "Provider=SQLite;Data Source=" + path("none.db"),
                                          "--save-settings", "set-up.imp"});
    EXPECT_EQ(unreachable.exitCode, 2);
    EXPECT_TRUE(unreachable.err.contains("cannot connect"));
    const QByteArray saved = readTestFile(path("set-up.imp"));
    EXPECT_TRUE(saved.contains("\r\nStrictValues=Yes\r\n")) << saved.toStdString();
    EXPECT_TRUE(saved.contains("\r\nTableName=2\r\n"));

    const ToolResult shown = vxrimp({"preview", "--settings", "set-up.imp"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_FALSE(shown.out.contains(QChar(0x1b)));
    EXPECT_FALSE(shown.out.contains(QChar(0x07)));
    EXPECT_TRUE(shown.out.contains("Acme\\x1b[2J\\x1b]0;owned\\x07")) << shown.out.toStdString();

    // An invalid set-up is not saved.
    EXPECT_EQ(vxrimp({"preview", "--settings", "set-up.imp", "--map", "3=311", "--save-settings", "bad.imp"}).exitCode, 2);
    EXPECT_FALSE(QFile::exists(path("bad.imp")));
}

TEST_F(CliTest, PreviewAndFields)
{
    const ToolResult shown = vxrimp({"preview", "--settings", sourcePath("examples/customers.imp"), "--lines", "2"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    const QStringList lines = shown.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("Line    1:Account Number  2:First Name  3:Last Name"));
    // Split at semicolons, apostrophes kept, as the import stores it.
    EXPECT_TRUE(lines[2].startsWith("2       C-10002           James         O'Neill"));
    EXPECT_TRUE(lines[2].contains("$1,250.00"));

    const ToolResult fields = vxrimp({"fields", "aliases"});
    EXPECT_EQ(fields.exitCode, 0);
    EXPECT_EQ(fields.out, "Aliases (table id 5, table Alias)\n"
                          "  FieldID  Caption           Column\n"
                          "      501  Item Lookup Code  ItemID\n"
                          "      502  Alias             Alias\n");
}

// The delimiter a text file's first lines suggest: a warning names it, and
// --delimiter auto takes it and is kept as auto in a settings file.
TEST_F(CliTest, AWarningNamesTheSniffedDelimiterAndAutoTakesIt)
{
    ASSERT_TRUE(writeTestFile(path("semi.csv"), "SKU;Description;Price\r\nA1;Mug, blue;4,50\r\nA2;Plate;3,00\r\n"));
    ASSERT_TRUE(writeTestFile(path("single.csv"), "SKU\r\nA1\r\nA2\r\n"));
    const QString warning = "vxrimp: warning: the first lines of the text file split into 3 columns at Semi-Colon "
                            "(;), but into no steady columns at %1: give --delimiter semicolon, or --delimiter auto\n";
    // split: the lines were split at the semicolons.
    const struct { QStringList options; QString err; bool split; } runs[] = {
        {{"--file", path("semi.csv")}, warning.arg("Comma (,)"), false},
        {{"--file", path("semi.csv"), "--delimiter", "pipe"}, warning.arg("Pipe (|)"), false},
        {{"--file", path("semi.csv"), "--delimiter", "auto", "--table", "Inventory", "--save-settings", path("auto.imp")},
         "", true},
        {{"--settings", path("auto.imp")}, "", true},
        {{"--file", path("single.csv"), "--delimiter", "auto"}, "", false},
    };
    for (const auto &run : runs) {
        const ToolResult result = vxrimp(QStringList{"preview"} + run.options);
        const std::string shown = run.options.join(' ').toStdString();
        EXPECT_EQ(result.exitCode, 0) << shown << result.err.toStdString();
        EXPECT_EQ(result.err, run.err) << shown;
        const bool split = result.out.contains("Mug, blue") && !result.out.contains("blue;");
        EXPECT_EQ(split, run.split) << shown << result.out.toStdString();
    }
    EXPECT_TRUE(readTestFile(path("auto.imp")).contains("\r\nFieldDelimiter=2\r\nFieldDelimiterChar=auto\r\n"));
}

// vxrimp --header maps own names and prints the guesses; --guess-header maps
// them too, and both say so before the preview.
TEST_F(CliTest, GuessHeaderMapsWhatHeaderOnlySuggests)
{
    ASSERT_TRUE(writeTestFile(path("items.csv"), "Item No.,Description,Retail Price\r\nA1,Mug,7.95\r\n"));
    const struct { const char *option; QStringList printed; } rows[] = {
        {"--header", {R"("Item No."  not mapped: guessed as "Item Lookup Code" (--guess-header maps it))",
                      R"("Description"  -> Description)", "Line    1:-  2:Description  3:-"}},
        {"--guess-header", {R"("Item No."  -> Item Lookup Code (guessed))", R"("Retail Price"  -> Price (guessed))",
                            "Line    1:Item Lookup Code  2:Description  3:Price"}},
    };
    for (const auto &row : rows) {
        const ToolResult result = vxrimp({"preview", "--file", "items.csv", "--table", "Inventory", row.option});
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        for (const QString &text : row.printed)
            EXPECT_TRUE(result.out.contains(text)) << row.option << "\n" << result.out.toStdString();
    }
    EXPECT_EQ(vxrimp({"preview", "--file", "items.csv", "--guess-header", "--no-header"}).exitCode, 2);
}

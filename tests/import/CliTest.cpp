// Runs the built vxrimp and checks what it prints and its exit status.

#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vxr::test;

namespace {

struct CliResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

using Case = std::pair<QStringList, QString>; // arguments, a text the message holds

class CliTest : public ::testing::Test
{
protected:
    // Runs vxrimp in the temporary folder, so that relative paths are not
    // taken from the source tree by accident.
    CliResult vxrimp(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("ASAN_OPTIONS", "detect_leaks=0");
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_dir.path());
        process.start(VXR_BINARY_DIR "/bin/vxrimp", arguments);
        EXPECT_TRUE(process.waitForFinished(120000)) << "vxrimp did not finish";
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    // Each case exits with 2, says what is wrong on standard error and
    // prints nothing on standard output.
    void expectRefused(const QStringList &base, const QList<Case> &cases, bool withUsage)
    {
        for (const auto &[arguments, message] : cases) {
            const CliResult result = vxrimp(base + arguments);
            const std::string shown = arguments.join(' ').toStdString();
            EXPECT_EQ(result.exitCode, 2) << shown;
            EXPECT_TRUE(result.err.contains(message)) << shown << "\n" << result.err.toStdString();
            EXPECT_EQ(result.err.contains("Usage:"), withUsage) << shown;
            EXPECT_TRUE(result.out.isEmpty()) << shown;
        }
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString newStore()
    {
        const CliResult created = vxrimp({"init-store", "store.db"});
        EXPECT_EQ(created.exitCode, 0) << created.err.toStdString();
        return "Provider=SQLite;Data Source=" + path("store.db");
    }

    QString logText() const { return QString::fromUtf8(readTestFile(path("import.log"))); }

    QStringList importArguments(const QString &connect, const QString &settingsFile) const
    {
        return {"import", "--settings", sourcePath("examples/" + settingsFile), "--connect", connect,
                "--log", path("import.log")};
    }

    // Runs a statement on the store beside the tool; the first value it gives.
    QVariant storeQuery(const QString &sql)
    {
        QVariant result;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "cli-test");
            db.setDatabaseName(path("store.db"));
            EXPECT_TRUE(db.open());
            QSqlQuery query(db);
            EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
            if (query.next())
                result = query.value(0);
        }
        QSqlDatabase::removeDatabase("cli-test");
        return result;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(CliTest, CommandLine)
{
    const CliResult version = vxrimp({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("vxrimp 1.")) << version.out.toStdString();
    const CliResult help = vxrimp({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--map POS=FIELD[,POS=FIELD]"));
    EXPECT_TRUE(help.out.contains("  --delimiter NAME|CHAR        comma, period, semicolon, slash, backslash, "
                                  "asterisk, percent, ampersand, tab, space, or the character\n"));
    EXPECT_TRUE(help.err.isEmpty());

    expectRefused({},
                  {
                      {{}, "no command given"},
                      {{"export"}, "unknown command 'export'"},
                      {{"import", "--colour"}, "colour"},
                      {{"import", "--quotes", "--no-quotes"}, "contradict"},
                      {{"import", "--duplicates", "ignore"}, "error or update"},
                      {{"import", "--table"}, "table"},
                      {{"import", "--file", "a.csv", "--file", "b.csv"}, "--file is given twice"},
                      {{"init-store"}, "init-store takes one FILE"},
                      {{"fields", "--file", "x"}, "--file does not apply to fields"},
                      {{"preview", "--lines", "0"}, "--lines"},
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
                      {{"--table", "3", "--map", "1=311,2=supplier name"}, "mapped to positions 1 and 2"},
                      {{"--table", "3"}, "no text position is mapped"},
                      {{"--table", "3", "--delimiter", "'"}, "cannot be the field delimiter"},
                      {{"--table", "3", "--delimiter", "pipe"},
                       "--delimiter takes comma, period, semicolon, slash, backslash, asterisk, percent, "
                       "ampersand, tab, space or a single character, not 'pipe'"},
                      {{"--settings", "missing.imp"}, "missing.imp does not exist"},
                      // Everything is in order but the database is not there.
                      {{"--table", "Suppliers", "--map", "1=311,2=304"}, "cannot connect to the database"},
                  },
                  false);
    EXPECT_FALSE(QFile::exists(path("none.db"))); // never created by a failed connect
    EXPECT_FALSE(QFile::exists(path("import.log")));
}

TEST_F(CliTest, ImportsTheExamplesWithTheirSettingsFiles)
{
    const QString connect = newStore();

    // A relative FileName is found beside the settings file; one line repeats a key.
    const CliResult suppliers = vxrimp(importArguments(connect, "suppliers.imp"));
    EXPECT_EQ(suppliers.exitCode, 1) << suppliers.err.toStdString();
    EXPECT_TRUE(suppliers.out.contains("-> Suppliers: Complete"));
    EXPECT_TRUE(suppliers.out.contains("Rows added:    6\n"));
    EXPECT_TRUE(suppliers.out.contains("Lines failed:  1\n"));
    EXPECT_FALSE(suppliers.out.contains('\r')); // no progress bar when not on a terminal
    EXPECT_TRUE(logText().contains("\r\n[00006 <DUPL>] \"Northwind Tools\",\"D. Whitfield\""));

    // Options override the settings file: the repeated item updates its row.
    const CliResult items = vxrimp(importArguments(connect, "inventory.imp") << "--skip-first-line"
                                   << "--duplicates" << "update" << "--delimiter" << "Comma");
    EXPECT_EQ(items.exitCode, 0) << items.err.toStdString();
    EXPECT_TRUE(items.out.contains("Rows added:    25\n"));
    EXPECT_TRUE(items.out.contains("Rows updated:  1\n"));
    EXPECT_TRUE(items.out.contains("Lines skipped: 1\n"));
    EXPECT_EQ(storeQuery("SELECT COUNT(*) FROM Item").toInt(), 25);
    EXPECT_EQ(storeQuery("SELECT COUNT(*) FROM Item WHERE Description = 'Tape Measure, 25 ft (reprint)'").toInt(), 1);
}

TEST_F(CliTest, ARunThatFailsExitsWithTwo)
{
    const QString connect = newStore();
    storeQuery("DROP TABLE Security");

    const CliResult result = vxrimp(importArguments(connect, "suppliers.imp"));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains("The import failed")) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains("Security")) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("-> Suppliers: Failed"));
}

TEST_F(CliTest, PreviewAndFields)
{
    const CliResult shown = vxrimp({"preview", "--settings", sourcePath("examples/customers.imp"), "--lines", "2"});
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    const QStringList lines = shown.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("Line    1:Account Number  2:First Name  3:Last Name"));
    // Split at semicolons, apostrophes kept, as the import stores it.
    EXPECT_TRUE(lines[2].startsWith("2       C-10002           James         O'Neill"));
    EXPECT_TRUE(lines[2].contains("$1,250.00"));

    const CliResult fields = vxrimp({"fields", "aliases"});
    EXPECT_EQ(fields.exitCode, 0);
    EXPECT_EQ(fields.out, "Aliases (table id 5, table Alias)\n"
                          "  FieldID  Caption           Column\n"
                          "      501  Item Lookup Code  ItemID\n"
                          "      502  Alias             Alias\n");
}

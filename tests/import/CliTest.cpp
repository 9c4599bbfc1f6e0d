// Runs the built vxrimp and checks what it prints and its exit status.

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
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

class CliTest : public ::testing::Test
{
protected:
    // Runs vxrimp in the temporary folder, so that relative paths are not
    // taken from the source tree by accident.
    CliResult vxrimp(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_dir.path());
        process.start(QStringLiteral(VXR_BINARY_DIR "/bin/vxrimp"), arguments);
        EXPECT_TRUE(process.waitForFinished(120000)) << "vxrimp did not finish";
        CliResult result;
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString newStore()
    {
        const CliResult created = vxrimp({QStringLiteral("init-store"), QStringLiteral("store.db")});
        EXPECT_EQ(created.exitCode, 0) << created.err.toStdString();
        return QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("store.db"));
    }

    QString logText() const
    {
        QFile file(path(QStringLiteral("import.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QStringList importArguments(const QString &connect, const QString &settingsFile)
    {
        return {QStringLiteral("import"), QStringLiteral("--settings"), sourcePath(QStringLiteral("examples/") + settingsFile),
                QStringLiteral("--connect"), connect, QStringLiteral("--log"), path(QStringLiteral("import.log"))};
    }

    int count(const QString &sql)
    {
        const QString name = QStringLiteral("cli-test-check");
        int result = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path(QStringLiteral("store.db")));
            if (db.open()) {
                QSqlQuery query(db);
                if (query.exec(sql) && query.next())
                    result = query.value(0).toInt();
            }
        }
        QSqlDatabase::removeDatabase(name);
        return result;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(CliTest, VersionAndHelp)
{
    const CliResult version = vxrimp({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, QStringLiteral("vxrimp 1.5.5\n"));

    const CliResult help = vxrimp({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("vxrimp import  [OPTIONS]               run one import")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("--map POS=FIELD[,POS=FIELD]")));
    EXPECT_TRUE(help.err.isEmpty());
}

TEST_F(CliTest, BadArgumentsGetAMessageAndTheUsage)
{
    const QList<std::pair<QStringList, QString>> cases = {
        {{}, QStringLiteral("no command given")},
        {{QStringLiteral("export")}, QStringLiteral("unknown command 'export'")},
        {{QStringLiteral("import"), QStringLiteral("--colour")}, QStringLiteral("colour")},
        {{QStringLiteral("import"), QStringLiteral("--quotes"), QStringLiteral("--no-quotes")},
         QStringLiteral("contradict")},
        {{QStringLiteral("import"), QStringLiteral("--duplicates"), QStringLiteral("ignore")},
         QStringLiteral("error or update")},
        {{QStringLiteral("import"), QStringLiteral("--table")}, QStringLiteral("table")},
        {{QStringLiteral("init-store")}, QStringLiteral("init-store takes one FILE")},
        {{QStringLiteral("fields"), QStringLiteral("--file"), QStringLiteral("x")},
         QStringLiteral("--file does not apply to fields")},
        {{QStringLiteral("preview"), QStringLiteral("--lines"), QStringLiteral("0")}, QStringLiteral("--lines")},
    };
    for (const auto &[arguments, message] : cases) {
        const CliResult result = vxrimp(arguments);
        const std::string shown = arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(result.exitCode, 2) << shown;
        EXPECT_TRUE(result.err.contains(message)) << shown << "\n" << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(QStringLiteral("Usage:"))) << shown;
        EXPECT_TRUE(result.out.isEmpty()) << shown;
    }
}

TEST_F(CliTest, SetUpErrorsSayWhatIsWrong)
{
    QFile text(path(QStringLiteral("s.csv")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("Acme,Jo\n");
    text.close();
    const QString connect = QStringLiteral("Provider=SQLite;Data Source=") + path(QStringLiteral("none.db"));
    const QStringList base = {QStringLiteral("import"), QStringLiteral("--file"), QStringLiteral("s.csv"),
                              QStringLiteral("--connect"), connect, QStringLiteral("--log"),
                              path(QStringLiteral("import.log"))};
    const QList<std::pair<QStringList, QString>> cases = {
        {{QStringLiteral("--table"), QStringLiteral("Warehouse")}, QStringLiteral("'Warehouse' is not a destination table")},
        {{QStringLiteral("--table"), QStringLiteral("4"), QStringLiteral("--map"), QStringLiteral("1=401")},
         QStringLiteral("'4' is not a destination table")},
        {{QStringLiteral("--table"), QStringLiteral("suppliers"), QStringLiteral("--map"), QStringLiteral("1=Supplier Name,2=Nickname")},
         QStringLiteral("\"Nickname\" is not a field of Suppliers")},
        {{QStringLiteral("--table"), QStringLiteral("3"), QStringLiteral("--map"), QStringLiteral("1=116")},
         QStringLiteral("116 is not the FieldID of a field of Suppliers")},
        {{QStringLiteral("--table"), QStringLiteral("3"), QStringLiteral("--map"), QStringLiteral("53=311")},
         QStringLiteral("from 1 to 52")},
        {{QStringLiteral("--table"), QStringLiteral("3"), QStringLiteral("--map"), QStringLiteral("1=311,2=supplier name")},
         QStringLiteral("mapped to positions 1 and 2")},
        {{QStringLiteral("--table"), QStringLiteral("3")}, QStringLiteral("no text position is mapped")},
        {{QStringLiteral("--table"), QStringLiteral("3"), QStringLiteral("--delimiter"), QStringLiteral("'")},
         QStringLiteral("cannot be the field delimiter")},
        {{QStringLiteral("--settings"), QStringLiteral("missing.imp")}, QStringLiteral("missing.imp does not exist")},
        // Everything is in order but the database is not there.
        {{QStringLiteral("--table"), QStringLiteral("Suppliers"), QStringLiteral("--map"), QStringLiteral("1=311,2=304")},
         QStringLiteral("cannot connect to the database")},
    };
    for (const auto &[options, message] : cases) {
        const CliResult result = vxrimp(base + options);
        const std::string shown = options.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(result.exitCode, 2) << shown;
        EXPECT_TRUE(result.err.contains(message)) << shown << "\n" << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << shown;
    }
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("none.db")))); // never created by a failed connect
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("import.log"))));
}

TEST_F(CliTest, ImportsTheExamplesWithTheirSettingsFiles)
{
    const QString connect = newStore();

    // A relative FileName is found beside the settings file; one line repeats a key.
    const CliResult suppliers = vxrimp(importArguments(connect, QStringLiteral("suppliers.imp")));
    EXPECT_EQ(suppliers.exitCode, 1) << suppliers.err.toStdString();
    EXPECT_TRUE(suppliers.out.contains(QStringLiteral("-> Suppliers: Complete")));
    EXPECT_TRUE(suppliers.out.contains(QStringLiteral("Rows added:    6\n")));
    EXPECT_TRUE(suppliers.out.contains(QStringLiteral("Lines failed:  1\n")));
    EXPECT_FALSE(suppliers.out.contains(QLatin1Char('\r'))); // no progress bar when not on a terminal
    EXPECT_TRUE(logText().contains(QStringLiteral("\r\n[00006 <DUPL>] \"Northwind Tools\",\"D. Whitfield\"")));

    // Options override the settings file: the repeated item updates its row.
    QStringList inventory = importArguments(connect, QStringLiteral("inventory.imp"));
    inventory << QStringLiteral("--skip-first-line") << QStringLiteral("--duplicates") << QStringLiteral("update");
    const CliResult items = vxrimp(inventory);
    EXPECT_EQ(items.exitCode, 0) << items.err.toStdString();
    EXPECT_TRUE(items.out.contains(QStringLiteral("Rows added:    25\n")));
    EXPECT_TRUE(items.out.contains(QStringLiteral("Rows updated:  1\n")));
    EXPECT_TRUE(items.out.contains(QStringLiteral("Lines skipped: 1\n")));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Item")), 25);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Item WHERE Description = 'Tape Measure, 25 ft (reprint)'")), 1);

    const CliResult aliases = vxrimp(importArguments(connect, QStringLiteral("aliases.imp")));
    EXPECT_EQ(aliases.exitCode, 1);
    EXPECT_TRUE(logText().contains(QStringLiteral("[00006 <3021>] HW-9999\t099999999994\r\n")));
    EXPECT_TRUE(logText().contains(QStringLiteral("[00008 <DUPL>] PT-3002\t036000291452\r\n")));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Alias")), 6);
}

TEST_F(CliTest, ARunThatFailsExitsWithTwo)
{
    const QString connect = newStore();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("cli-drop"));
        db.setDatabaseName(path(QStringLiteral("store.db")));
        ASSERT_TRUE(db.open());
        QSqlQuery drop(db);
        ASSERT_TRUE(drop.exec(QStringLiteral("DROP TABLE Security")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("cli-drop"));

    const CliResult result = vxrimp(importArguments(connect, QStringLiteral("suppliers.imp")));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(QStringLiteral("The import failed"))) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("Security"))) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("-> Suppliers: Failed")));
}

TEST_F(CliTest, PreviewAndFields)
{
    QStringList preview = {QStringLiteral("preview"), QStringLiteral("--settings"),
                           sourcePath(QStringLiteral("examples/customers.imp")), QStringLiteral("--lines"),
                           QStringLiteral("2")};
    const CliResult shown = vxrimp(preview);
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    const QStringList lines = shown.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Line    1:Account Number  2:First Name  3:Last Name")));
    // Split at semicolons, apostrophes gone, as the import stores it.
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("2       C-10002           James         ONeill")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("$1,250.00")));

    const CliResult fields = vxrimp({QStringLiteral("fields"), QStringLiteral("aliases")});
    EXPECT_EQ(fields.exitCode, 0);
    EXPECT_EQ(fields.out, QStringLiteral("Aliases (table id 5, table Alias)\n"
                                         "  FieldID  Caption           Column\n"
                                         "      501  Item Lookup Code  ItemID\n"
                                         "      502  Alias             Alias\n"));
}

// End-to-end imports through Import::run into fresh stores of each backend:
// the rows stored, the exact log lines, the progress the front end is shown
// and how a run that cannot go on ends.

#include "TestStores.h"
#include "TestSupport.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "import/ImportRun.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace vxr;
using namespace vxr::test;

static void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

// Every progress call, as "kind:text".
class RecordingProgress final : public ProgressSink
{
public:
    void setStatus(const QString &text) override
    {
        calls.append("status:" + text);
        if (onStatus)
            onStatus(text);
    }
    void setRecordsToProcess(const QString &text) override { calls.append("total:" + text); }
    void setRecordsProcessed(const QString &text) override { calls.append("processed:" + text); }
    void setPercentCompleted(const QString &text) override { calls.append("percent:" + text); }
    void setErrorsEncountered(const QString &text) override { calls.append("errors:" + text); }

    QStringList calls;
    std::function<void(const QString &)> onStatus;
};

class ImportRunTest : public BackendTest
{
protected:
    QString writeFile(const char *name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QLatin1String(name));
        EXPECT_TRUE(writeTestFile(path, bytes));
        return path;
    }

    void mapPositions(std::initializer_list<int> fieldIds)
    {
        for (int position = 0; position <= FieldMapLastPosition; ++position)
            reader.SetMapping(position, 0);
        int position = 1;
        for (int fieldId : fieldIds)
            reader.SetMapping(position++, fieldId);
    }

    // One run, as a front end starts it: on an open connection.
    ImportSummary importFile(int tableId, const QString &path, bool skipFirstLine = false,
                             bool duplicatesAsErrors = true)
    {
        reopen();
        progress.calls.clear();
        reporter.messages.clear();
        Import import(fields, reader, connection, regional, reporter, progress);
        return import.run({tableId, path, skipFirstLine, duplicatesAsErrors, logPath});
    }

    void reopen()
    {
        DbError error;
        if (!connection.isOpen()) {
            ASSERT_TRUE(connection.open(connectionString(), &error)) << error.description.toStdString();
        }
    }

    // The rows a statement gives, each as its columns' texts joined by "|".
    QStringList query(const QString &sql)
    {
        reopen();
        QSqlQuery statement(connection.database());
        EXPECT_TRUE(statement.exec(sql)) << sql.toStdString();
        QStringList result;
        while (statement.next()) {
            QStringList columns;
            for (int c = 0; c < statement.record().count(); ++c)
                columns.append(statement.value(c).toString());
            result.append(columns.join('|'));
        }
        return result;
    }

    // The log's lines, each checked to end in CRLF.
    QStringList logLines() const
    {
        QList<QByteArray> lines = readTestFile(logPath).split('\n');
        EXPECT_TRUE(lines.takeLast().isEmpty()); // the last line ends like every other
        QStringList texts;
        for (const QByteArray &line : lines) {
            EXPECT_TRUE(line.endsWith('\r'));
            texts.append(QString::fromLocal8Bit(line.chopped(1)));
        }
        return texts;
    }

    QStringList header(const QString &path) const
    {
        const QString rule(80, '-');
        return {rule, "Importing " + path, QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat),
                rule};
    }

    // A run that could not go on: the operator is told, the status says so
    // and the text file and the connection are closed.
    void expectFailedRun(const ImportSummary &summary)
    {
        EXPECT_FALSE(summary.completed);
        EXPECT_TRUE(progress.calls.last().startsWith("status:Failed: ")) << progress.calls.last().toStdString();
        ASSERT_EQ(reporter.messages.size(), 1);
        EXPECT_EQ(reporter.messages.first().kind, MessageKind::Critical);
        EXPECT_FALSE(reader.isOpen());
        EXPECT_FALSE(connection.isOpen());
    }

    QTemporaryDir m_dir;
    QString logPath = m_dir.filePath("VUVEDIZE.LOG");
    FieldTable fields = FieldTable::buildCatalogue();
    RecordReader reader{fields};
    RegionalSettings regional;
    RecordingReporter reporter;
    RecordingProgress progress;
};

} // namespace

TEST_P(ImportRunTest, EmptyFileWritesOnlyTheHeaderAndCompletes)
{
    mapPositions({801});
    const QString path = writeFile("empty.txt", QByteArray());
    const ImportSummary summary = importFile(SecurityTable, path);

    EXPECT_TRUE(summary.completed);
    EXPECT_EQ(summary.linesRead, 0);
    EXPECT_EQ(progress.calls, QStringList({"status:Initializing...", "total:0", "status:Importing...",
                                           "processed:0", "status:Complete"}));
    EXPECT_EQ(logLines(), header(path));
    EXPECT_TRUE(reporter.messages.isEmpty());
    EXPECT_FALSE(connection.isOpen()); // the run closes the tables and the connection
}

TEST_P(ImportRunTest, SkippedHeaderAndFailingLinesInTheMiddle)
{
    mapPositions({116, 114});
    ASSERT_TRUE(importFile(ItemTable, writeFile("items.csv", "A1,Widget\r\nA2,Gadget\r\n")).completed);

    // An alias naming no item and a line with more fields than a line may hold
    // fail; the lines around them are stored.
    QFile::remove(logPath);
    mapPositions({501, 502});
    QByteArray tooWide = "A2,777";
    for (int i = 0; i < 100; ++i)
        tooWide += ",x";
    const QString path = writeFile("aliases.csv", "Item,Alias\r\nA1,111\r\nNO'PE,222\r\n" + tooWide + "\r\nA2,333\r\n");
    const ImportSummary summary = importFile(AliasTable, path, true);

    EXPECT_TRUE(summary.completed);
    EXPECT_EQ(summary.linesRead, 5);
    EXPECT_EQ(summary.linesSkipped, 1);
    EXPECT_EQ(summary.rowsAdded, 2);
    EXPECT_EQ(summary.linesFailed, 2);
    EXPECT_EQ(logLines().mid(4),
              QStringList({"[00003 <3021>] NO'PE,222", "[00004 <0009>] " + QString::fromLatin1(tooWide)}));
    EXPECT_EQ(query("SELECT a.Alias, i.ItemLookupCode FROM Alias a JOIN Item i ON i.ID = a.ItemID ORDER BY a.Alias"),
              QStringList({"111|A1", "333|A2"}));
    EXPECT_TRUE(progress.calls.contains("total:5"));
    EXPECT_TRUE(progress.calls.contains("errors:2"));
}

TEST_P(ImportRunTest, SameKeyTwiceIsLoggedAsDuplicateOrUpdatesTheRow)
{
    mapPositions({116, 114, 127});
    const QString path = writeFile("items.csv", "K1,First,1.50\r\nK1,Second,2.75\r\n");

    const ImportSummary asErrors = importFile(ItemTable, path);
    EXPECT_EQ(asErrors.rowsAdded, 1);
    EXPECT_EQ(asErrors.linesFailed, 1);
    EXPECT_EQ(query("SELECT ItemLookupCode, Description FROM Item"), QStringList({"K1|First"}));

    const ImportSummary asUpdates = importFile(ItemTable, path, false, false);
    EXPECT_TRUE(asUpdates.completed);
    EXPECT_EQ(asUpdates.rowsAdded, 0);
    EXPECT_EQ(asUpdates.rowsUpdated, 2);
    EXPECT_EQ(asUpdates.linesFailed, 0);
    EXPECT_EQ(query("SELECT ItemLookupCode, Description, Price FROM Item"), QStringList({"K1|Second|2.75"}));

    // The second run's header follows the first run's error line.
    EXPECT_EQ(logLines(), header(path) + QStringList({"[00002 <DUPL>] K1,Second,2.75"}) + header(path));
}

TEST_P(ImportRunTest, TwoHundredLinesShowTheProcessedCountThreeTimesAtTheEnd)
{
    mapPositions({801, 804});
    QByteArray text;
    for (int i = 1; i <= 200; ++i)
        text += "frmItem,txtField" + QByteArray::number(i) + "\r\n";
    EXPECT_EQ(importFile(SecurityTable, writeFile("security.csv", text)).rowsAdded, 200);

    EXPECT_EQ(progress.calls.mid(progress.calls.size() - 6),
              QStringList({"processed:199", "percent:100%", "processed:200", "processed:200", "processed:200",
                           "status:Complete"}));
    // The percentage is shown only when it changes: 1% on line 1 (a half
    // goes up), then every second line.
    const QStringList percents = progress.calls.filter("percent:");
    EXPECT_EQ(percents.size(), 100);
    EXPECT_EQ(percents.first(), "percent:1%");
    EXPECT_EQ(progress.calls.count("processed:100"), 1);
}

TEST_P(ImportRunTest, RunsThatCannotGoOnEndCleanly)
{
    mapPositions({116});
    const QString items = writeFile("items.csv", "Z1\r\n");

    // The text file is missing: the log has the run's header all the same.
    const QString missing = m_dir.filePath("gone.txt");
    ImportSummary summary = importFile(ItemTable, missing);
    expectFailedRun(summary);
    EXPECT_TRUE(summary.failure.contains(QDir::toNativeSeparators(missing)));
    EXPECT_EQ(logLines(), header(missing));

    // The log cannot be written at all.
    QFile::remove(logPath);
    ASSERT_TRUE(QDir().mkpath(logPath));
    expectFailedRun(importFile(ItemTable, items));
    ASSERT_TRUE(QDir(logPath).removeRecursively());

    // A catalogue column is missing from the table.
    query("ALTER TABLE Item DROP COLUMN Weight");
    summary = importFile(ItemTable, items);
    expectFailedRun(summary);
    EXPECT_TRUE(summary.failure.contains("Item")) << summary.failure.toStdString();
    EXPECT_TRUE(summary.failure.contains("Weight", Qt::CaseInsensitive)) << summary.failure.toStdString();

    // None of them got to the first line.
    EXPECT_EQ(query("SELECT COUNT(*) FROM Item"), QStringList({"0"}));
}

TEST_P(ImportRunTest, ALogThatCannotBeWrittenMidwayIsReportedAtTheEnd)
{
    mapPositions({116});
    const QString path = writeFile("items.csv", "D1\r\nD1\r\nD2\r\n");

    // Unwritable once the lines are being imported: the failed line is still
    // counted and the operator is told once, at the end, with the log's path.
    progress.onStatus = [&](const QString &status) {
        if (status == "Importing...") {
            QFile::remove(logPath);
            QDir().mkpath(logPath);
        }
    };
    const ImportSummary midway = importFile(ItemTable, path);
    EXPECT_TRUE(midway.completed);
    EXPECT_EQ(midway.rowsAdded, 2);
    EXPECT_EQ(midway.linesFailed, 1);
    EXPECT_FALSE(midway.logWritten);
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_EQ(reporter.messages.first().kind, MessageKind::Exclamation);
    EXPECT_TRUE(reporter.messages.first().text.contains(QDir::toNativeSeparators(logPath)));
    EXPECT_EQ(progress.calls.last(), "status:Complete");
}

VXR_ON_EVERY_BACKEND(ImportRunTest);

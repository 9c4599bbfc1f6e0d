// End-to-end imports through Import::run into fresh stores of each backend:
// the rows and companion rows stored, the exact log lines, the progress the
// front end is shown and how a run that cannot go on ends.

#include "TestStores.h"
#include "TestSupport.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "database/DbError.h"
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

// Readable failure messages for the Qt texts compared below.
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
        calls.append(QStringLiteral("status:") + text);
        if (onStatus)
            onStatus(text);
    }
    void setRecordsToProcess(const QString &text) override { calls.append(QStringLiteral("total:") + text); }
    void setRecordsProcessed(const QString &text) override { calls.append(QStringLiteral("processed:") + text); }
    void setPercentCompleted(const QString &text) override { calls.append(QStringLiteral("percent:") + text); }
    void setErrorsEncountered(const QString &text) override { calls.append(QStringLiteral("errors:") + text); }

    QStringList calls;
    std::function<void(const QString &)> onStatus;
};

class ImportRunTest : public BackendTest
{
protected:
    QString writeFile(const char *name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(QLatin1String(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
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
        ImportRequest request;
        request.tableId = tableId;
        request.textFilePath = path;
        request.skipFirstLine = skipFirstLine;
        request.duplicatesAsErrors = duplicatesAsErrors;
        request.logPath = logPath;
        return import.run(request);
    }

    void reopen()
    {
        if (connection.isOpen())
            return;
        DbError error;
        ASSERT_TRUE(connection.open(connectionString(), &error)) << error.description.toStdString();
    }

    // The rows of a query, each as its columns' texts joined by "|".
    QStringList rows(const QString &sql)
    {
        reopen();
        QSqlQuery query(connection.database());
        EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
        QStringList result;
        while (query.next()) {
            QStringList columns;
            for (int c = 0; c < query.record().count(); ++c)
                columns.append(query.value(c).toString());
            result.append(columns.join(QLatin1Char('|')));
        }
        return result;
    }

    // The log's lines, each checked to end in CRLF.
    QStringList logLines() const
    {
        QFile file(logPath);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QList<QByteArray> lines = file.readAll().split('\n');
        EXPECT_TRUE(lines.takeLast().isEmpty()); // the last line ends like every other
        QStringList texts;
        for (QByteArray &line : lines) {
            EXPECT_TRUE(line.endsWith('\r'));
            line.chop(1);
            texts.append(QString::fromLocal8Bit(line));
        }
        return texts;
    }

    QStringList header(const QString &path) const
    {
        const QString rule(80, QLatin1Char('-'));
        return {rule, QStringLiteral("Importing ") + path,
                QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat), rule};
    }

    QTemporaryDir m_dir;
    QString logPath = m_dir.filePath(QStringLiteral("VUVEDIZE.LOG"));
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
    mapPositions({116, 114, 142});
    ASSERT_TRUE(importFile(ItemTable, writeFile("items.csv", "A1,Widget,Acme\r\nA2,Gadget,Acme\r\n")).completed);

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
    EXPECT_EQ(summary.rowsUpdated, 0);
    EXPECT_EQ(summary.linesFailed, 2);
    EXPECT_TRUE(summary.logWritten);
    EXPECT_EQ(logLines().mid(4),
              QStringList({"[00003 <3021>] NO'PE,222", "[00004 <0009>] " + QString::fromLatin1(tooWide)}));
    EXPECT_EQ(rows("SELECT a.Alias, i.ItemLookupCode FROM Alias a JOIN Item i ON i.ID = a.ItemID ORDER BY a.Alias"),
              QStringList({"111|A1", "333|A2"}));
    EXPECT_TRUE(progress.calls.contains("total:5"));
    EXPECT_TRUE(progress.calls.contains("errors:2"));

    // Both items named a supplier: each has its supplier list row.
    EXPECT_EQ(rows("SELECT i.ItemLookupCode, s.SupplierName FROM SupplierList l JOIN Item i ON i.ID = l.ItemID "
                   "JOIN Supplier s ON s.ID = l.SupplierID ORDER BY i.ItemLookupCode"),
              QStringList({"A1|Acme", "A2|Acme"}));
}

TEST_P(ImportRunTest, SameKeyTwiceIsLoggedAsDuplicateOrUpdatesTheRow)
{
    mapPositions({116, 114, 127});
    const QString path = writeFile("items.csv", "K1,First,1.50\r\nK1,Second,2.75\r\n");

    const ImportSummary asErrors = importFile(ItemTable, path);
    EXPECT_EQ(asErrors.rowsAdded, 1);
    EXPECT_EQ(asErrors.linesFailed, 1);
    EXPECT_EQ(logLines().mid(4), QStringList({"[00002 <DUPL>] K1,Second,2.75"}));
    EXPECT_EQ(rows("SELECT ItemLookupCode, Description FROM Item"), QStringList({"K1|First"}));

    QFile::remove(logPath);
    const ImportSummary asUpdates = importFile(ItemTable, path, false, false);
    EXPECT_TRUE(asUpdates.completed);
    EXPECT_EQ(asUpdates.rowsAdded, 0);
    EXPECT_EQ(asUpdates.rowsUpdated, 2);
    EXPECT_EQ(asUpdates.linesFailed, 0);
    EXPECT_EQ(logLines(), header(path));
    EXPECT_EQ(rows("SELECT ItemLookupCode, Description, Price FROM Item"), QStringList({"K1|Second|2.75"}));
}

TEST_P(ImportRunTest, CustomerBalanceGetsItsAccountReceivableRows)
{
    mapPositions({201, 235, 206});
    const QString path = writeFile("customers.txt", "C1;Lee;12.50\nC2;Ng;0\nC1;Lee;99\n");
    reader.DelimiterCode = ';';
    const ImportSummary summary = importFile(CustomerTable, path);

    EXPECT_EQ(summary.rowsAdded, 2);
    EXPECT_EQ(summary.linesFailed, 1);
    EXPECT_EQ(logLines().mid(4), QStringList({"[00003 <DUPL>] C1;Lee;99"}));
    EXPECT_EQ(rows("SELECT c.AccountNumber, r.Balance, h.Amount FROM AccountReceivable r "
                   "JOIN Customer c ON c.ID = r.CustomerID JOIN AccountReceivableHistory h "
                   "ON h.AccountReceivableID = r.ID"),
              QStringList({"C1|12.5|12.5"}));
}

TEST_P(ImportRunTest, TwoHundredLinesShowTheProcessedCountThreeTimesAtTheEnd)
{
    mapPositions({801, 804});
    QByteArray text;
    for (int i = 1; i <= 200; ++i)
        text += "frmItem,txtField" + QByteArray::number(i) + "\r\n";
    const ImportSummary summary = importFile(SecurityTable, writeFile("security.csv", text));

    EXPECT_EQ(summary.rowsAdded, 200);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM Security"), QStringList({"200"}));
    EXPECT_EQ(progress.calls.mid(progress.calls.size() - 6),
              QStringList({"processed:199", "percent:100%", "processed:200", "processed:200", "processed:200",
                           "status:Complete"}));
    // The percentage is shown only when it changes: 1% on line 1 (a half
    // goes up), then every second line.
    const QStringList percents = progress.calls.filter(QStringLiteral("percent:"));
    EXPECT_EQ(percents.size(), 100);
    EXPECT_EQ(percents.first(), "percent:1%");
    EXPECT_EQ(progress.calls.count("processed:100"), 1);
    EXPECT_EQ(progress.calls.count("processed:199"), 1);
}

TEST_P(ImportRunTest, AMissingColumnEndsTheRunBeforeAnyLine)
{
    {
        QSqlQuery drop(connection.database());
        ASSERT_TRUE(drop.exec(QStringLiteral("ALTER TABLE Item DROP COLUMN Weight")));
    }
    mapPositions({116});
    const ImportSummary summary = importFile(ItemTable, writeFile("items.csv", "Z1\r\n"));

    EXPECT_FALSE(summary.completed);
    EXPECT_TRUE(summary.failure.contains(QLatin1String("Item"))) << summary.failure.toStdString();
    EXPECT_TRUE(summary.failure.contains(QLatin1String("Weight"), Qt::CaseInsensitive)) << summary.failure.toStdString();
    EXPECT_TRUE(progress.calls.last().startsWith(QLatin1String("status:Failed: ")));
    EXPECT_FALSE(progress.calls.contains("status:Complete"));
    ASSERT_EQ(reporter.messages.size(), 1);
    EXPECT_EQ(reporter.messages.first().kind, MessageKind::Critical);
    EXPECT_FALSE(reader.isOpen());
    EXPECT_FALSE(connection.isOpen());
    EXPECT_EQ(rows("SELECT COUNT(*) FROM Item"), QStringList({"0"}));
}

TEST_P(ImportRunTest, ATextFileThatCannotBeOpenedFailsAfterTheHeader)
{
    mapPositions({801});
    const QString missing = m_dir.filePath(QStringLiteral("gone.txt"));
    const ImportSummary summary = importFile(SecurityTable, missing);

    EXPECT_FALSE(summary.completed);
    EXPECT_TRUE(summary.failure.contains(QDir::toNativeSeparators(missing)));
    EXPECT_EQ(logLines(), header(missing));
    EXPECT_EQ(progress.calls.last().left(15), "status:Failed: ");
    EXPECT_FALSE(connection.isOpen());
}

TEST_P(ImportRunTest, ALogThatCannotBeWritten)
{
    mapPositions({116});
    const QString path = writeFile("items.csv", "D1\r\nD1\r\nD2\r\n");

    // Unwritable from the start: nothing is imported.
    const QString logFolder = logPath;
    ASSERT_TRUE(QDir().mkpath(logFolder));
    const ImportSummary atStart = importFile(ItemTable, path);
    EXPECT_FALSE(atStart.completed);
    EXPECT_EQ(rows("SELECT COUNT(*) FROM Item"), QStringList({"0"}));
    ASSERT_TRUE(QDir(logFolder).removeRecursively());

    // Unwritable once the lines are being imported: the failed line is still
    // counted and the operator is told once, at the end, with the log's path.
    progress.onStatus = [&](const QString &status) {
        if (status == QLatin1String("Importing...")) {
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

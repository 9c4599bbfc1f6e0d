// The problems report on real stores: every failed line with its reason in
// words and every value a stored line did not take as its text gave it, by
// line and field. A test run reports what a real run would and leaves the
// real run's files alone; a lost batch's lines are reported failed; a run
// with nothing to report removes the old report; with rejectCut the line
// whose text would be cut fails instead. Every error number has its words.

#include "TransactionalFixture.h"

#include "database/ErrorWords.h"
#include "import/ProblemsReport.h"

#include <QRegularExpression>

namespace {

constexpr int SaleEndDate = 139;

const QByteArray Header = "Line,Field,Text,Problem,Outcome\r\n";

// A problem as the test expects it: the row's words (problem: the start of
// the Problem column) are checked against the error's own sentence or the
// start of the change's words.
struct Expected { qint64 line; QString field, text, problem, outcome; };

// The report's rows, read as a spreadsheet reads CSV (quoted fields with
// doubled quotes; no line breaks inside the fields here).
QList<QStringList> csvRows(const QByteArray &bytes)
{
    static const QRegularExpression field(QStringLiteral("(?:^|,)(\"(?:[^\"]|\"\")*\"|[^,]*)"));
    QList<QStringList> rows;
    for (const QString &line : QString::fromUtf8(bytes).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        QStringList row;
        for (const QRegularExpressionMatch &m : field.globalMatch(line)) {
            const QString text = m.captured(1);
            row << (text.startsWith(u'"') ? text.mid(1, text.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\"")) : text);
        }
        rows << row;
    }
    return rows;
}

void expectRows(const QString &path, const QList<Expected> &expected)
{
    const QByteArray bytes = readTestFile(path);
    ASSERT_TRUE(bytes.startsWith(Header)) << path.toStdString() << ": " << bytes.toStdString();
    const QList<QStringList> rows = csvRows(bytes.mid(Header.size()));
    ASSERT_EQ(rows.size(), expected.size()) << bytes.toStdString();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const Expected &e = expected.at(i);
        const QStringList &row = rows.at(i);
        ASSERT_EQ(row.size(), 5) << row.join('|').toStdString();
        EXPECT_EQ(row, QStringList({QString::number(e.line), e.field, e.text, row.at(3), e.outcome}))
                << "row " << i;
        EXPECT_TRUE(row.at(3).startsWith(e.problem)) << row.at(3).toStdString();
    }
}

QString failed(qint32 number) { return QStringLiteral("Failed (error %1)").arg(number); }

class ProblemsReportTest : public TransactionalRunTest
{
protected:
    ImportSummary run(const QString &path, RunMode mode, bool rejectCut = false)
    {
        ImportRequest r = request(path, mode);
        r.rejectCut = rejectCut;
        return importFile(r);
    }
};

const QString LongSupplier = QStringLiteral("Northwind Traders International Ltd");
const QByteArray Mixed = "M1,Plain,Acme,5,2003-01-02\r\n"
                         "M2,Description longer than its column,Acme,auf Anfrage,31/02/2003\r\n"
                         "M3,Three," + LongSupplier.toUtf8() + ",7,\r\n"
                         "M1,Again,Acme,5,\r\n"
                         "M5,Fi" + QByteArray(1, '\0') + "ve,Acme,1,\r\n"
                         "M6-a-key-longer-than-its-column,Six,Acme,1,\r\n";

} // namespace

// Every change and failure of the mixed file, by line and field, alike for
// a test run and the run after it; then a test run over the stored lines
// leaves the real run's report and reject file as they were, and a clean
// run of the same file removes its old report.
TEST_P(ProblemsReportTest, EveryChangedValueAndFailedLineIsReportedByLineAndField)
{
    mapPositions({ItemLookupCode, Description, ItemSupplier, ItemCost, SaleEndDate});
    const QString path = writeFile("mixed.csv", Mixed);
    const QString stored = QStringLiteral("Stored");
    const QList<Expected> expected = {
            {2, "Description", "Description longer than its column", "Longer than its column: cut to 30 characters.", stored},
            {2, "Cost", "auf Anfrage", "No number: stored as 0.", stored},
            {2, "Sale End Date", "31/02/2003", "No date: stored empty.", stored},
            {3, "Supplier", LongSupplier, "Longer than its column: cut to 30 characters.", stored},
            {4, "", "", errorWords(ErrorNumbers::DuplicateKey), failed(ErrorNumbers::DuplicateKey)},
            {5, "Description", "Fi\\0ve", "A NUL character was left out.", stored},
            {6, "Item Lookup Code", "M6-a-key-longer-than-its-column", errorWords(ErrorNumbers::ValueOutOfRange),
             failed(ErrorNumbers::ValueOutOfRange)},
    };
    QByteArray report;
    for (const RunMode mode : {RunMode::TestRun, RunMode::Batches}) {
        SCOPED_TRACE(mode == RunMode::TestRun ? "test run" : "run");
        const ImportSummary summary = run(path, mode);
        EXPECT_EQ(summary.problemCount, expected.size());
        EXPECT_EQ(summary.firstProblems.size(), ProblemsReport::FirstShown);
        EXPECT_EQ(summary.valuesReadAsEmpty + summary.valuesCut + summary.linesFailed, expected.size());
        EXPECT_EQ(QFileInfo(summary.problemsPath).fileName(),
                  mode == RunMode::TestRun ? "mixed.test-problems.csv" : "mixed.problems.csv");
        expectRows(summary.problemsPath, expected);
        // The reject file holds the original lines only: no reasons.
        EXPECT_EQ(readTestFile(summary.rejectPath), "M1,Again,Acme,5,\r\nM6-a-key-longer-than-its-column,Six,Acme,1,\r\n");
        if (mode == RunMode::Batches) {
            EXPECT_EQ(readTestFile(summary.problemsPath), report); // what the test run said
        }
        report = readTestFile(summary.problemsPath);
    }

    const QByteArray rejected = readTestFile(m_dir.filePath("mixed.rejected.csv"));
    const ImportSummary again = run(path, RunMode::TestRun);
    EXPECT_EQ(again.linesFailed, 6);
    EXPECT_EQ(readTestFile(m_dir.filePath("mixed.problems.csv")), report);
    EXPECT_EQ(readTestFile(m_dir.filePath("mixed.rejected.csv")), rejected);

    writeFile("mixed.csv", "M7,Seven,Acme,7,2003-01-02\r\n");
    const ImportSummary clean = run(path, RunMode::Batches);
    EXPECT_EQ(clean.rowsAdded, 1);
    EXPECT_EQ(clean.problemCount, 0);
    EXPECT_TRUE(clean.problemsPath.isEmpty());
    EXPECT_FALSE(QFile::exists(m_dir.filePath("mixed.problems.csv")));
    EXPECT_TRUE(QFile::exists(m_dir.filePath("mixed.test-problems.csv"))); // a test run's is its own
}

// A batch the store refuses at its commit: its lines are reported failed
// with the error that lost it (the log's number), and their cut values are
// not reported as stored; the lines of the batch before are.
TEST_P(ProblemsReportTest, ALostBatchsLinesAreReportedFailed)
{
    mapPositions({ItemLookupCode, Description});
    QByteArray file;
    for (int i = 1; i <= 6; ++i)
        file += "L" + QByteArray::number(i) + ",Description " + QByteArray::number(i) + " longer than its column\r\n";
    const QString path = writeFile("lost.csv", file);
    const QString atCommit = "NEW.ItemLookupCode = 'L3'";
    if (backend() == StoreBackend::SQLite) {
        exec("PRAGMA foreign_keys = ON");
        exec("CREATE TEMP TABLE parent (code TEXT PRIMARY KEY)");
        exec("CREATE TEMP TABLE child (code TEXT REFERENCES parent (code) DEFERRABLE INITIALLY DEFERRED)");
        onInsert("Item", atCommit, "INSERT INTO child VALUES (NEW.ItemLookupCode)");
    } else {
        onInsert("Item", atCommit, "RAISE EXCEPTION 'refused at commit'", true);
    }
    ImportRequest r = request(path);
    r.batchLines = 2;
    r.batchMilliseconds = 3600000;
    const ImportSummary summary = importFile(r);
    ASSERT_EQ(summary.outcome, RunOutcome::Failed);
    ASSERT_EQ(summary.linesFailed, 2);

    const QRegularExpressionMatch logged = QRegularExpression("^\\[00003 <(-?\\d+)>\\] ").match(logEntries().value(0));
    ASSERT_TRUE(logged.hasMatch()) << logEntries().join('\n').toStdString();
    const qint32 lostWith = logged.captured(1).toInt();
    const QString cut = QStringLiteral("Longer than its column: cut to 30 characters.");
    expectRows(summary.problemsPath,
               {{1, "Description", "Description 1 longer than its column", cut, "Stored"},
                {2, "Description", "Description 2 longer than its column", cut, "Stored"},
                {3, "", "", errorSentence(lostWith), failed(lostWith)},
                {4, "", "", errorSentence(lostWith), failed(lostWith)}});
}

// With rejectCut a text its column would cut fails its line before any
// look-up (the long supplier is not added); the others are stored whole.
TEST_P(ProblemsReportTest, RejectCutFailsTheCutLinesAndStoresTheOthers)
{
    mapPositions({ItemLookupCode, Description, ItemSupplier, ItemCost, SaleEndDate});
    const ImportSummary summary = run(writeFile("cut.csv", Mixed), RunMode::Batches, true);
    EXPECT_EQ(summary.rowsAdded, 1);
    EXPECT_EQ(summary.valuesCut, 0);
    const QString cut = errorWords(ErrorNumbers::TextCut);
    const QString textCut = failed(ErrorNumbers::TextCut);
    expectRows(summary.problemsPath,
               {{2, "Description", "Description longer than its column", cut, textCut},
                {3, "Supplier", LongSupplier, cut, textCut},
                {4, "", "", errorWords(ErrorNumbers::DuplicateKey), failed(ErrorNumbers::DuplicateKey)},
                {5, "Description", "Fi\\0ve", cut, textCut},
                {6, "Item Lookup Code", "M6-a-key-longer-than-its-column", errorWords(ErrorNumbers::ValueOutOfRange),
                 failed(ErrorNumbers::ValueOutOfRange)}});
    EXPECT_EQ(logEntries().value(0), "[00002 <3163>] M2,Description longer than its column,Acme,auf Anfrage,31/02/2003");
    EXPECT_EQ(query("SELECT SupplierName FROM Supplier"), QStringList({"Acme"}));
}

VXR_ON_EVERY_BACKEND(ProblemsReportTest);

// Every error number the program can give, as its header lists them, has
// words; a number it never gives has none, and its sentence names it.
TEST(ErrorWordsTest, EveryErrorNumberHasWords)
{
    const QByteArray header = readTestFile(QStringLiteral(VXR_SOURCE_DIR "/src/database/DbError.h"));
    const QString numbers = QString::fromUtf8(header.mid(header.indexOf("namespace ErrorNumbers")))
                                    .section(QStringLiteral("} // namespace ErrorNumbers"), 0, 0);
    QRegularExpressionMatchIterator each =
            QRegularExpression("constexpr qint32 (\\w+) = (-?\\d+);").globalMatch(numbers);
    int count = 0;
    while (each.hasNext()) {
        const QRegularExpressionMatch number = each.next();
        ++count;
        EXPECT_FALSE(errorWords(number.captured(2).toInt()).isEmpty()) << number.captured(1).toStdString();
    }
    EXPECT_GE(count, 15);
    EXPECT_TRUE(errorWords(4711).isEmpty());
    EXPECT_TRUE(errorSentence(4711).contains("4711"));
}

#pragma once

// A fixture for end-to-end imports through Import::run into a fresh store of
// each backend, with what the run shows and writes recorded.

#include "TestStores.h"
#include "TestSupport.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "import/ImportRun.h"
#include "import/RunJournal.h"
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

namespace vxr::test {

using namespace vxr::FieldIds;
constexpr int Description = 114; // the item's, 30 characters

// Every progress call: "status:text", or "read/total added+updated skipped failed".
class RecordingProgress final : public ProgressSink
{
public:
    void setStatus(const QString &text) override
    {
        calls.append("status:" + text);
        if (onStatus)
            onStatus(text);
    }
    void setProgress(const ImportProgress &p) override
    {
        calls.append(QStringLiteral("%1/%2 %3+%4 %5 %6")
                             .arg(p.linesRead)
                             .arg(p.total)
                             .arg(p.added)
                             .arg(p.updated)
                             .arg(p.skipped)
                             .arg(p.failed));
        if (onProgress)
            onProgress(p);
    }

    QStringList calls;
    std::function<void(const QString &)> onStatus;
    std::function<void(const ImportProgress &)> onProgress;
};

// A run's counts in one line, to be compared at once.
inline QString tally(const ImportSummary &s)
{
    return QStringLiteral("%1 added %2 updated %3 skipped %4 failed %5 not reached")
            .arg(s.rowsAdded).arg(s.rowsUpdated).arg(s.linesSkipped).arg(s.linesFailed).arg(s.linesNotReached);
}

class ImportFixture : public BackendTest
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
            reader.setMapping(position, 0);
        int position = 1;
        for (int fieldId : fieldIds)
            reader.setMapping(position++, fieldId);
    }

    // What a run of the file into the table is asked, with the test's log.
    ImportRequest requestFor(int tableId, const QString &path) const
    {
        ImportRequest request;
        request.tableId = tableId;
        request.textFilePath = path;
        request.logPath = logPath;
        return request;
    }

    // One run, as a front end starts it: on an open connection.
    ImportSummary importFile(int tableId, const QString &path, bool skipFirstLine = false,
                             bool duplicatesAsErrors = true)
    {
        ImportRequest request = requestFor(tableId, path);
        request.skipFirstLine = skipFirstLine;
        request.duplicatesAsErrors = duplicatesAsErrors;
        return importFile(request);
    }

    ImportSummary importFile(const ImportRequest &request)
    {
        reopen();
        progress.calls.clear();
        reporter.messages.clear();
        Import import(fields, reader, connection, regional, reporter, progress);
        return import.run(request);
    }

    // A run as users start one: journaled, so that each batch is prepared
    // in the journal (and the next part of the file read meanwhile) before
    // the store commits it.
    ImportSummary importJournaled(ImportRequest r)
    {
        reopen();
        QString problem;
        JournalRunStart start;
        start.storeIdentity = QStringLiteral("store under test");
        start.filePath = r.textFilePath;
        start.tableName = QStringLiteral("Item");
        start.setup = QStringLiteral("");
        const std::unique_ptr<RunJournal> journal =
                RunJournal::begin(m_dir.filePath("journal.db"), connection.database(), start, &problem);
        if (!journal) {
            ADD_FAILURE() << "the journal cannot be written: " << problem.toStdString();
            return {};
        }
        r.journal = journal.get();
        const ImportSummary summary = importFile(r);
        journal->end(summary, {});
        return summary;
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
        return rows(sql);
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

    // The lines of the log after the run's header.
    QStringList logEntries() const { return logLines().mid(4); }

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
        EXPECT_EQ(summary.outcome, RunOutcome::Failed);
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

} // namespace vxr::test

#include "ImportRun.h"

#include "ImportLog.h"

#include "catalogue/FieldTable.h"
#include "catalogue/Reporter.h"
#include "catalogue/TableCatalogue.h"
#include "database/DbConnection.h"
#include "database/DbError.h"
#include "database/RecordWriter.h"
#include "database/TableRecordsets.h"
#include "text/RecordReader.h"

#include <QDir>

#include <algorithm>
#include <cmath>

namespace vxr {

namespace {

// The record number as a whole percentage of the total, a half rounded away
// from zero: 0 .. 100.
int percentDone(qint64 recordNumber, qint64 total)
{
    // A file that grew after it was counted must not divide by zero or go
    // beyond 100%.
    const qint64 divisor = std::max(total, recordNumber);
    if (divisor <= 0)
        return 0;
    return static_cast<int>(std::round(double(recordNumber) / double(divisor) * 100.0));
}

QString describe(const DbError &error)
{
    return QStringLiteral("%1 (error %2)").arg(error.description).arg(error.number);
}

// One import run from the first line of the file to the last. Lives for the
// length of Import::run.
class Run
{
public:
    Run(FieldTable &fields, RecordReader &reader, DbConnection &connection,
        const RegionalSettings &regional, Reporter &reporter, ProgressSink &progress,
        const ImportRequest &request)
        : m_fields(fields), m_reader(reader), m_reporter(reporter), m_progress(progress),
          m_request(request), m_log(request.logPath), m_tables(connection, fields),
          m_writer(fields, reader, m_tables, regional)
    {
        m_summary.logPath = request.logPath;
    }

    ImportSummary execute();

private:
    bool prepareTables();
    bool openTextFile();
    bool importLines();
    void importLine(qint64 recordNumber);
    qint32 writeLine();
    void showProcessed(qint64 value) { m_progress.setRecordsProcessed(QString::number(value)); }
    void finish();
    ImportSummary fail(const QString &reason);

    FieldTable &m_fields;
    RecordReader &m_reader;
    Reporter &m_reporter;
    ProgressSink &m_progress;
    const ImportRequest &m_request;
    const ImportLog m_log;
    TableRecordsets m_tables;
    RecordWriter m_writer;
    ImportSummary m_summary;

    qint64 m_total = 0;
    int m_percentShown = 0; // the label reads "0%" before a run
};

ImportSummary Run::execute()
{
    m_progress.setStatus(RunStatusInitializing);

    const TableInfo *table = tableInfo(m_request.tableId);
    if (!table || table->listCaption.isEmpty())
        return fail(QStringLiteral("no destination table chosen (table id %1)").arg(m_request.tableId));
    if (!prepareTables())
        return m_summary;
    m_fields.ResetFieldValues();

    if (!m_log.writeHeader(m_request.textFilePath))
        return fail(QStringLiteral("the log file %1 cannot be written")
                        .arg(QDir::toNativeSeparators(m_log.path())));
    if (!openTextFile())
        return m_summary;

    m_progress.setRecordsToProcess(QString::number(m_total));
    m_progress.setStatus(RunStatusImporting);
    if (!importLines())
        return m_summary;
    showProcessed(m_total);

    m_reader.CloseTextFile();
    m_tables.CloseTables();
    m_progress.setStatus(RunStatusComplete);
    m_summary.completed = true;
    finish();
    return m_summary;
}

// Opens the fourteen tables and reads the column types of tables 1 to 10.
bool Run::prepareTables()
{
    try {
        m_tables.OpenTables();
    } catch (const DbError &error) {
        fail(QStringLiteral("the tables of the database cannot be opened: %1").arg(describe(error)));
        return false;
    }
    for (int tableId = FirstTableId; tableId <= LastTableId; ++tableId) {
        try {
            m_tables.ReadFieldTypes(tableId);
        } catch (const DbError &error) {
            fail(QStringLiteral("the columns of table %1 cannot be read: %2")
                     .arg(tableInfo(tableId)->name, describe(error)));
            return false;
        }
    }
    return true;
}

bool Run::openTextFile()
{
    const QString shownPath = QDir::toNativeSeparators(m_request.textFilePath);
    if (!m_reader.OpenTextFile(m_request.textFilePath)) {
        fail(QStringLiteral("the text file %1 cannot be opened: %2").arg(shownPath, m_reader.errorString()));
        return false;
    }
    m_total = m_reader.CountRecords();
    if (m_reader.hasReadError()) {
        fail(QStringLiteral("the text file %1 cannot be read: %2").arg(shownPath, m_reader.errorString()));
        return false;
    }
    return true;
}

bool Run::importLines()
{
    while (!m_reader.AtEndOfFile()) {
        const qint64 recordNumber = m_summary.linesRead + 1;
        showProcessed(recordNumber);
        const int percent = percentDone(recordNumber, m_total);
        if (percent != m_percentShown) {
            m_percentShown = percent;
            m_progress.setPercentCompleted(QString::number(percent) + QLatin1Char('%'));
        }

        m_reader.ReadNextRecord();
        if (m_reader.hasReadError()) {
            fail(QStringLiteral("line %1 of the text file %2 cannot be read: %3")
                     .arg(recordNumber)
                     .arg(QDir::toNativeSeparators(m_request.textFilePath), m_reader.errorString()));
            return false;
        }
        ++m_summary.linesRead;
        importLine(recordNumber);

        if (recordNumber % 200 == 0)
            showProcessed(recordNumber);
    }
    return true;
}

// Writes the line just read (or skips it) and accounts for it.
void Run::importLine(qint64 recordNumber)
{
    if (m_request.skipFirstLine && recordNumber == 1) {
        ++m_summary.linesSkipped;
        return;
    }
    const qint32 result = writeLine();
    if (result == 0)
        return;

    if (!m_log.LogError(result, recordNumber, m_reader.CurrentLine))
        m_summary.logWritten = false;
    ++m_summary.linesFailed;
    m_progress.setErrorsEncountered(QString::number(m_summary.linesFailed));
}

// The line's result: 0 when it was added or updated, else its error number.
// The record writer turns every failure of a line, a line with more fields
// than are kept included, into that number.
qint32 Run::writeLine()
{
    qint32 result = m_writer.SaveRecord(m_request.tableId);
    if (result == 0) {
        ++m_summary.rowsAdded;
        return 0;
    }
    if (!m_request.duplicatesAsErrors) {
        result = m_writer.UpdateRecord(m_request.tableId);
        if (result == 0) {
            ++m_summary.rowsUpdated;
            return 0;
        }
    }
    return result;
}

// Tells the operator, once, about log lines that were lost.
void Run::finish()
{
    if (!m_summary.logWritten) {
        m_reporter.message(MessageKind::Exclamation,
                           QStringLiteral("The log file %1 could not be written. %2 failed line(s) "
                                          "are missing from it.")
                               .arg(QDir::toNativeSeparators(m_log.path()))
                               .arg(m_summary.linesFailed));
    }
}

// Ends the run cleanly: the text file and the tables are closed, rows already
// stored stay, and the operator is told what failed.
ImportSummary Run::fail(const QString &reason)
{
    m_reader.CloseTextFile();
    m_tables.CloseTables();
    m_summary.completed = false;
    m_summary.failure = reason;
    m_progress.setStatus(RunStatusFailedPrefix + reason);

    QString text = QStringLiteral("The import failed: ") + reason + QLatin1Char('.');
    if (m_summary.rowsAdded + m_summary.rowsUpdated > 0)
        text += QStringLiteral("\nRows stored before the failure stay in the database.");
    m_reporter.message(MessageKind::Critical, text);
    finish();
    return m_summary;
}

} // namespace

Import::Import(FieldTable &fields, RecordReader &reader, DbConnection &connection,
               const RegionalSettings &regional, Reporter &reporter, ProgressSink &progress)
    : m_fields(fields), m_reader(reader), m_connection(connection), m_regional(regional),
      m_reporter(reporter), m_progress(progress)
{
}

ImportSummary Import::run(const ImportRequest &request)
{
    Run run(m_fields, m_reader, m_connection, m_regional, m_reporter, m_progress, request);
    return run.execute();
}

} // namespace vxr

#pragma once

#include <QString>

namespace vxr {

class DbConnection;
class FieldTable;
class RecordReader;
class Reporter;
struct RegionalSettings;

// The status texts of a run: while it sets up, while it reads the text file,
// and once every line is through. A failed run shows RunStatusFailedPrefix
// followed by the reason.
inline const QString RunStatusInitializing = QStringLiteral("Initializing...");
inline const QString RunStatusImporting = QStringLiteral("Importing...");
inline const QString RunStatusComplete = QStringLiteral("Complete");
inline const QString RunStatusFailedPrefix = QStringLiteral("Failed: ");

// Where a run shows its progress: the wizard's five labels, or the
// command-line tool's progress line. Each call carries the label's new text.
class ProgressSink
{
public:
    virtual ~ProgressSink() = default;
    virtual void setStatus(const QString &text) = 0;
    virtual void setRecordsToProcess(const QString &text) = 0;
    virtual void setRecordsProcessed(const QString &text) = 0;
    virtual void setPercentCompleted(const QString &text) = 0;
    virtual void setErrorsEncountered(const QString &text) = 0;
};

// What one run imports.
struct ImportRequest
{
    int tableId = 0;              // destination table id
    QString textFilePath;         // as the operator typed it
    bool skipFirstLine = false;
    bool duplicatesAsErrors = true;
    QString logPath;              // the log file to append to
    bool strictValues = false;    // a value that is no number or date fails its line
};

// What a run did. Every line read is in exactly one of added, updated,
// skipped and failed.
struct ImportSummary
{
    bool completed = false;       // false: the run failed (see failure)
    QString failure;              // what failed and where, when not completed
    qint64 linesRead = 0;
    qint64 rowsAdded = 0;
    qint64 rowsUpdated = 0;
    qint64 linesSkipped = 0;
    qint64 linesFailed = 0;
    QString logPath;
    bool logWritten = true;       // false when some log line could not be written
};

// One import of a delimited text file into a destination table.
class Import
{
public:
    Import(FieldTable &fields, RecordReader &reader, DbConnection &connection,
           const RegionalSettings &regional, Reporter &reporter, ProgressSink &progress);

    ImportSummary run(const ImportRequest &request);

private:
    FieldTable &m_fields;
    RecordReader &m_reader;
    DbConnection &m_connection;
    const RegionalSettings &m_regional;
    Reporter &m_reporter;
    ProgressSink &m_progress;
};

} // namespace vxr

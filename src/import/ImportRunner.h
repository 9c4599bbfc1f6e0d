#pragma once

#include "ImportLog.h"
#include "ImportRun.h"
#include "ProblemsReport.h"
#include "RejectFile.h"
#include "RunFiles.h"
#include "RunJournal.h"

#include "database/CancelToken.h"
#include "database/RecordWriter.h"
#include "database/TableRecordsets.h"

#include <QElapsedTimer>

#include <optional>

namespace vxr {

class LineLoop;
struct Stop;

// The inside of Import::run, shared by the files that hold its steps.
// One import run from the first line of the file to the last. Lives for the
// length of Import::run. Its steps: ImportRun.cpp sets the run up and
// reads the lines, ImportRunEnd.cpp ends it.
class ImportRunner
{
public:
    ImportRunner(FieldTable &fields, RecordReader &reader, DbConnection &connection, const RegionalSettings &regional,
        Reporter &reporter, ProgressSink &progress, const ImportRequest &request)
        : m_fields(fields), m_reader(reader), m_connection(connection), m_reporter(reporter),
          m_progress(progress), m_request(request), m_log(request.logPath), m_tables(connection, fields),
          m_writer(fields, reader, m_tables, regional, request.strictValues ? StrictValues::Yes : StrictValues::No),
          m_problems(problemsPathOf(request), request.mode == RunMode::TestRun)
    {
        m_summary.logPath = request.logPath;
        m_writer.setCutFails(request.rejectCut);
        if (request.journal)
            m_tables.setChangeSink(&request.journal->entries());
    }

    ImportSummary execute();

private:
    bool checkRequest();
    bool prepareTables();
    bool openTextFile();
    void prepareRejectFile();
    bool takeUpFirstPart();
    RejectFile *reject() { return m_reject ? &*m_reject : nullptr; }

    void finishBatches(LineLoop &lines, const std::optional<Stop> &stop);
    void finishSingleTransaction(LineLoop &lines, const std::optional<Stop> &stop);
    qint64 collectNotReached();
    void keepRolledBackApart();
    void checkAccounting(qint64 linesRead);
    void checkFileUnchanged();
    void closeAll();

    void logFailure(qint32 number, qint64 recordNumber, const QByteArray &text, const QString &detail = {});
    void showProgress(bool force);
    bool cancelRequested() const { return m_request.cancel && m_request.cancel->isRequested(); }
    ImportSummary fail(const QString &reason);

    FieldTable &m_fields;
    RecordReader &m_reader;
    DbConnection &m_connection;
    Reporter &m_reporter;
    ProgressSink &m_progress;
    const ImportRequest &m_request;
    const ImportLog m_log;
    TableRecordsets m_tables;
    RecordWriter m_writer;
    std::optional<RejectFile> m_reject;
    ProblemsReport m_problems;
    ImportSummary m_summary;
    qint64 m_failedInBatch = 0; // failed lines of the open batch, for the progress shown

    qint64 m_total = 0;
    QElapsedTimer m_progressTimer;
};

} // namespace vxr

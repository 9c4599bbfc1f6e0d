#pragma once

#include "import/ImportRun.h"
#include "import/ImportSetup.h"

#include <memory>

namespace vxr {

class DbConnection;
class FieldTable;
struct DbError;
struct JournalRunStart;

// How long a job waits for its store to take the connection, unless the
// front end says otherwise (the wizard's connection dialog does).
constexpr int DefaultConnectTimeoutSeconds = 15;

// One import as either front end runs it: the wizard on a thread of its own,
// vxrimp in the foreground. The job opens its own connection from the
// set-up's connection string, builds its own field table and reader from the
// set-up and runs Import::run with the request. Progress and messages go to
// the sinks given to run(); the outcome is what run() returns. A job's
// objects belong to the thread that runs it: make it there.
class ImportJob
{
public:
    ImportJob(ImportSetup setup, ImportRequest request,
              int connectTimeoutSeconds = DefaultConnectTimeoutSeconds);
    ~ImportJob();
    ImportJob(const ImportJob &) = delete;
    ImportJob &operator=(const ImportJob &) = delete;

    // Opens the store before the run, for a front end that refuses to
    // start on a store it cannot reach: false, with why in *error, and
    // nothing reported when it cannot be opened.
    bool open(DbError *error);

    // Runs the import on the calling thread, opening the store first unless
    // open() did. Whatever ends it early (a store that cannot be opened, a
    // database failure, an unexpected error) ends it Failed, with the
    // failed status and one message, as the run's own failures do.
    ImportSummary run(Reporter &reporter, ProgressSink &progress);

private:
    ImportSummary runOpened(Reporter &reporter, ProgressSink &progress);
    ImportSummary failed(const QString &reason, Reporter &reporter, ProgressSink &progress) const;
    ImportSummary cancelledWhileConnecting(ProgressSink &progress) const;
    JournalRunStart journalStart(const FieldTable &fields) const;
    ImportSummary runResumed(Import &import, const FieldTable &fields, Reporter &reporter, ProgressSink &progress);
    QString journalPath() const;
    static QString journalSummary(const ImportSummary &summary);

    const ImportSetup m_setup;
    const ImportRequest m_request;
    const int m_connectTimeoutSeconds;
    std::unique_ptr<DbConnection> m_connection;
    bool m_opened = false;
};

} // namespace vxr

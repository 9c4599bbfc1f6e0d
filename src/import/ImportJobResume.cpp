#include "ImportJob.h"

#include "ResumePlan.h"
#include "FileHash.h"
#include "RunJournal.h"

#include "database/DbConnection.h"

#include <QDir>
#include <QFile>

namespace vxr {

QString ImportJob::journalPath() const
{
    return m_request.journalPath.isEmpty() ? Journal::defaultPath(Journal::storeIdentity(m_setup.connectionString))
                                           : m_request.journalPath;
}

// The store's newest run taken up where it stopped, when the journal says it
// can be: the same run goes on, with its batches numbered on and its counts
// those of both parts at the end. Refused before anything is written.
ImportSummary ImportJob::runResumed(Import &import, const FieldTable &fields, Reporter &reporter,
                                    ProgressSink &progress)
{
    const QString path = journalPath();
    const auto refuse = [&](const QString &why) {
        return failed(QStringLiteral("nothing was resumed: %1").arg(why), reporter, progress);
    };
    JournalRunStart now = journalStart(fields);
    now.fileHash = fileSha256(now.filePath);
    now.fileSize = QFile(now.filePath).size();
    if (now.fileHash.isEmpty())
        return refuse(QStringLiteral("the text file cannot be read for its hash"));
    QString problem;
    std::optional<ResumePlan> plan;
    {
        std::optional<Journal> journal = Journal::open(path, &problem);
        if (!journal || journal->settle(m_connection->database(), &problem) < 0)
            return refuse(QStringLiteral("the journal %1 cannot be read: %2").arg(QDir::toNativeSeparators(path), problem));
        plan = planResume(journal->database(), now, &problem);
    }
    if (!plan)
        return refuse(problem);
    const std::unique_ptr<RunJournal> journal =
            RunJournal::proceed(path, m_connection->database(), plan->runId, plan->batchesBefore, &problem);
    if (!journal)
        return refuse(QStringLiteral("the journal %1 cannot be written: %2").arg(QDir::toNativeSeparators(path), problem));
    ImportRequest request = m_request;
    request.journal = journal.get();
    request.resume = &*plan;
    ImportSummary summary = import.run(request);
    journal->end(summary, journalSummary(summary));
    summary.journalRunId = journal->runId();
    summary.journalPath = journal->path();
    return summary;
}

} // namespace vxr

#include "RunFiles.h"

#include "FileIdentity.h"
#include "ImportRun.h"
#include "RejectFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <utility>

namespace vxr {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

void RunFiles::addRead(const QString &role, const QString &path)
{
    if (!path.isEmpty())
        m_files.append({role, path, false});
}

void RunFiles::addWritten(const QString &role, const QString &path)
{
    if (!path.isEmpty())
        m_files.append({role, path, true});
}

void RunFiles::addStore(const QString &path)
{
    if (path.isEmpty())
        return;
    // The store is written too, but only by SQLite: what counts is that no
    // other file of the run is one of these. SQLite keeps its files beside
    // the store a link leads to.
    QStringList stores = {path};
    const QString target = QFileInfo(path).canonicalFilePath();
    if (!target.isEmpty() && target != QFileInfo(path).absoluteFilePath())
        stores << target;
    for (const QString &store : std::as_const(stores)) {
        addRead(QStringLiteral("the store"), store);
        addRead(QStringLiteral("the store's write-ahead log"), store + QStringLiteral("-wal"));
        addRead(QStringLiteral("the store's shared-memory index"), store + QStringLiteral("-shm"));
        addRead(QStringLiteral("the store's rollback journal"), store + QStringLiteral("-journal"));
    }
}

QString RunFiles::clash() const
{
    QList<FileIdentity> identities;
    for (const Entry &entry : m_files)
        identities.append(FileIdentity::of(entry.path));
    for (qsizetype later = 1; later < m_files.size(); ++later) {
        for (qsizetype earlier = 0; earlier < later; ++earlier) {
            const Entry &a = m_files.at(later);
            const Entry &b = m_files.at(earlier);
            if ((!a.written && !b.written) || !(identities.at(later) == identities.at(earlier)))
                continue;
            const Entry &first = a.written ? a : b;
            const Entry &second = a.written ? b : a;
            return QStringLiteral("%1 %2 and %3 %4 are the same file: each file a run writes must be a file "
                                  "of its own")
                    .arg(first.role, shown(first.path), second.role, shown(second.path));
        }
    }
    return QString();
}

QString defaultRunFilePath(const ImportRequest &request, RunFileKind kind)
{
    const QFileInfo text(request.textFilePath);
    const QString prefix = request.mode == RunMode::TestRun ? QStringLiteral("test-") : QString();
    QString name = text.completeBaseName() + QLatin1Char('.') + prefix;
    if (kind == RunFileKind::Problems)
        name += QStringLiteral("problems.csv");
    else
        name += QStringLiteral("rejected")
                + (text.suffix().isEmpty() ? QString() : QLatin1Char('.') + rejectFileSuffix(request.textFilePath));
    // The folder the reject file goes into: the text file's, or the log's.
    const QString folder = QFileInfo(defaultRejectPath(request.textFilePath, request.logPath)).absolutePath();
    return QDir(folder).filePath(name);
}

QString rejectPathOf(const ImportRequest &request)
{
    return request.rejectPath.isEmpty() ? defaultRunFilePath(request, RunFileKind::Rejected)
                                        : QFileInfo(request.rejectPath).absoluteFilePath();
}

QString problemsPathOf(const ImportRequest &request)
{
    if (!request.problemsPath.isEmpty())
        return QFileInfo(request.problemsPath).absoluteFilePath();
    // Beside the reject file, wherever that was put.
    const QString name = QFileInfo(defaultRunFilePath(request, RunFileKind::Problems)).fileName();
    return QDir(QFileInfo(rejectPathOf(request)).absolutePath()).filePath(name);
}

QString runFilesProblem(const ImportRequest &request, const QString &storeFile)
{
    // The log keeps the history of every run: a run or test run of the text
    // file that writes its reject file by default would replace it.
    QStringList defaultRejects;
    for (const RunMode mode : {RunMode::Batches, RunMode::TestRun}) {
        ImportRequest run = request;
        run.mode = mode;
        const QString reject = defaultRunFilePath(run, RunFileKind::Rejected);
        defaultRejects << reject << partialPathOf(reject);
    }
    for (const QString &name : std::as_const(defaultRejects)) {
        if (sameFile(request.logPath, name))
            return QStringLiteral("the log %1 bears the name of the reject file of the text file %2, which "
                                  "each run of that file replaces: choose another log file")
                    .arg(shown(request.logPath), shown(request.textFilePath));
    }
    RunFiles files;
    files.addRead(QStringLiteral("the text file"), request.textFilePath);
    files.addStore(storeFile);
    files.addWritten(QStringLiteral("the log"), request.logPath);
    files.addWritten(QStringLiteral("the problems report"), problemsPathOf(request));
    if (request.mode != RunMode::AllOrNothing) {
        const QString reject = rejectPathOf(request);
        files.addWritten(QStringLiteral("the reject file"), reject);
        files.addWritten(QStringLiteral("the unfinished reject file"), partialPathOf(reject));
    }
    return files.clash();
}

} // namespace vxr

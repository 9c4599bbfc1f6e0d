#pragma once

#include <QList>
#include <QString>

namespace vxr {

struct ImportRequest;

// The files one run reads and writes, each with the words that name it to the
// operator ("the log", "the text file"). A file the run writes must be a file
// of its own: not another file of the run under another name, a symbolic
// link or a hard link, so that writing it never overwrites or appends to
// another. Two files the run only reads may be one.
class RunFiles
{
public:
    void addRead(const QString &role, const QString &path);
    void addWritten(const QString &role, const QString &path);
    // A SQLite store and the files SQLite keeps beside it while it is open.
    void addStore(const QString &path);

    // The first two that are one file while the run writes one of them,
    // naming both; empty when there are none.
    QString clash() const;

private:
    struct Entry
    {
        QString role;
        QString path;
        bool written = false;
    };
    QList<Entry> m_files;
};

// The files a run writes beside its text file unless told where.
enum class RunFileKind {
    Rejected, // NAME.rejected.EXT: the lines not stored
    Problems, // NAME.problems.csv: the report of what went wrong or was changed, line by line
};

// Where a run of the request's mode writes a file of that kind by default:
// beside the text file (or beside the log when that folder cannot be
// written). A test run's files are NAME.test-rejected.EXT and
// NAME.test-problems.csv, so that it never replaces a real run's.
QString defaultRunFilePath(const ImportRequest &request, RunFileKind kind);

// The reject file of a run: the one the request names, else the default.
QString rejectPathOf(const ImportRequest &request);
// The problems report of a run: the one the request names, else
// NAME.problems.csv (a test run's NAME.test-problems.csv) in the reject
// file's folder.
QString problemsPathOf(const ImportRequest &request);

// What keeps the run from writing its files safely, in words that name the
// files concerned; empty when nothing does. storeFile is empty for a database
// server.
QString runFilesProblem(const ImportRequest &request, const QString &storeFile);

} // namespace vxr

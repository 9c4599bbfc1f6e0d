#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace vxr {

// The lines of a text file that were not stored (failed, or not reached when
// a run was cancelled or stopped), written byte for byte as read, with the
// file's own line ends, so that the file can be fixed and imported again with
// the same settings. The file is created with its first line; a run that
// rejects nothing leaves none behind and removes an old one at the path.
class RejectFile
{
public:
    explicit RejectFile(QString path) : m_path(std::move(path)) {}
    RejectFile(const RejectFile &) = delete;
    RejectFile &operator=(const RejectFile &) = delete;

    const QString &path() const { return m_path; }

    // Written at the start of the file before the first rejected line: the
    // text file's byte-order mark and, when the run skips the text file's
    // first line, that line, so that the same settings read the file alike.
    void setPreamble(const QByteArray &preamble) { m_preamble = preamble; }

    // Adds one line, with its line end. False when it cannot be written.
    bool add(const QByteArray &lineWithEnd);
    // Gets what was added onto the disk.
    bool flush();
    // Closes the file; removes an old file when nothing was rejected.
    bool finish();

    qint64 lineCount() const { return m_lines; }
    bool failed() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }

private:
    bool create();

    QString m_path;
    QByteArray m_preamble;
    QFile m_file;
    qint64 m_lines = 0;
    QString m_error;
};

// Where the lines not stored go by default: NAME.rejected.EXT beside the text
// file, or beside the log when that folder cannot be written.
QString defaultRejectPath(const QString &textFilePath, const QString &logPath);

} // namespace vxr

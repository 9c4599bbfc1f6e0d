#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace vxr {

// The lines of a text file that were not stored (failed, or not reached when
// a run was cancelled or stopped), written byte for byte as read, with the
// file's own line ends, so that the file can be fixed and imported again with
// the same settings.
//
// While the run goes on the lines go to PATH.partial beside the reject file,
// created with the first line; when the run ends, however it ends, that file
// replaces the reject file in one step. A run that is killed or loses its
// power leaves the last finished run's reject file as it was, and an
// unfinished PATH.partial. A run that rejects nothing leaves no reject file
// behind and removes an old one, unfinished or not.
//
// A line that cannot be written whole (a full disk, a file size limit) is
// cut off again, so the reject file holds whole lines, and the error says
// what failed and how many of the lines the file holds.
class RejectFile
{
public:
    explicit RejectFile(QString path) : m_path(std::move(path)) {}
    RejectFile(const RejectFile &) = delete;
    RejectFile &operator=(const RejectFile &) = delete;

    // The reject file once the run has ended.
    const QString &path() const { return m_path; }

    // Written at the start of the file before the first rejected line: the
    // text file's byte-order mark and, when the run skips the text file's
    // first line, that line, so that the same settings read the file alike.
    void setPreamble(const QByteArray &preamble) { m_preamble = preamble; }

    // Adds one line, with its line end. False when it cannot be written.
    bool add(const QByteArray &lineWithEnd);
    // Gets what was added onto the disk.
    bool flush();
    // Writes the rest and puts the file in place of the reject file; removes
    // an old one when nothing was rejected.
    bool finish();

    // Takes up the reject file of a run that stopped, to go on with it: its
    // first bytes (lines whole lines, the preamble among them) become this
    // file's start, whether source is that run's unfinished PATH.partial or
    // its finished file; what followed them (a line cut short by a kill, the
    // lines of a lost batch) is left out. False with errorString() when
    // source holds fewer bytes.
    bool continueFrom(const QString &source, qint64 bytes, qint64 lines);

    // The bytes added so far, the preamble among them (0 before the first line).
    qint64 size() const { return m_opened ? m_bytesOnDisk + m_pending.size() : 0; }
    qint64 lineCount() const { return m_lines; }
    bool failed() const { return !m_error.isEmpty() || !m_placeError.isEmpty(); }
    QString errorString() const;

private:
    bool create();
    bool writePending();
    void cutBackToWholeLines();
    void putInPlace();

    QString m_path;
    QByteArray m_preamble;
    QFile m_file;
    QByteArray m_pending;      // added, not yet written
    qint64 m_pendingLines = 0;
    qint64 m_bytesOnDisk = 0;  // whole lines (and the preamble) written
    qint64 m_linesOnDisk = 0;
    qint64 m_lines = 0;        // lines added, written or not
    bool m_opened = false;
    bool m_endsCut = false;    // a cut line could not be taken off
    QString m_error;           // what kept the lines from the file
    QString m_placeError;      // what kept the file from its place
};

// Where a run writes the reject file at path until it ends: path + ".partial".
QString partialPathOf(const QString &rejectPath);

// The warning for the unfinished reject file an earlier run left for
// rejectPath, and what to do; empty when there is none.
QString unfinishedRejectFileWarning(const QString &rejectPath);

// The extension of the text file's reject file: the text file's own, or
// "csv" for a workbook, whose rejected rows are written as CSV lines.
QString rejectFileSuffix(const QString &textFilePath);

// Where the lines not stored go by default: NAME.rejected.EXT beside the text
// file, or beside the log when that folder cannot be written.
QString defaultRejectPath(const QString &textFilePath, const QString &logPath);

} // namespace vxr

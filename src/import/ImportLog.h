#pragma once

#include <QByteArray>
#include <QString>

namespace vxr {

// The import log: an append-only text file with a four-line header per run
// and one line per text-file line that could not be written. The file is
// opened and closed for every line, so each entry is on disk at once and the
// operator can open the log while a run is going on.
class ImportLog
{
public:
    explicit ImportLog(QString path) : m_path(std::move(path)) {}

    const QString &path() const { return m_path; }

    // Appends text and CRLF. False when the file could not be opened or written.
    bool writeLog(const QString &text) const;
    // The same for a line given as bytes (kept exactly as they are).
    bool writeBytes(const QByteArray &line) const;

    // Appends "[00007 <DUPL>] " + the raw line's bytes. detail completes the
    // marker of a value that is not a value (the field's caption).
    bool logError(qint32 errorNumber, qint64 lineNumber, const QByteArray &lineText,
                  const QString &detail = QString()) const;

    // The four header lines of a run: hyphens, "Importing " + path (and
    // " (test run, nothing stored)" for a test run), the date in the
    // system's long date format, hyphens.
    bool writeHeader(const QString &textFilePath, bool testRun = false) const;

    // "<DUPL>" for the two duplicate numbers, "<NOKEY>" for an empty key,
    // "<VALUE:" + detail + ">" for a value that is not a value; otherwise
    // "<" + the number with at least four digits (a negative number's minus
    // sign first) + ">".
    static QString errorMarker(qint32 errorNumber, const QString &detail = QString());
    // The error line without its line ending.
    static QByteArray errorLine(qint32 errorNumber, qint64 lineNumber, const QByteArray &lineText,
                                const QString &detail = QString());

private:
    QString m_path;
};

// "VUVEDIZE.LOG" beside the program while it runs from its build tree (a
// folder whose parent holds CMakeCache.txt) and that folder is writable;
// otherwise, for an installed program, in the per-user data folder (created
// when missing), never in the folder of installed programs.
QString defaultLogPath();
// The same for a program in programFolder.
QString defaultLogPath(const QString &programFolder);

// The log file's name.
inline constexpr char LogFileName[] = "VUVEDIZE.LOG";

} // namespace vxr

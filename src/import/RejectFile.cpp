#include "RejectFile.h"

#include "FileIdentity.h"

#include "text/SpreadsheetReader.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace vxr {

namespace {

// Lines are gathered and written in chunks of about this size, and at every
// flush.
constexpr qsizetype WriteChunk = 64 * 1024;

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

bool RejectFile::create()
{
    m_file.setFileName(partialPathOf(m_path));
    // Unbuffered: each write reaches the system at once, so a failed one
    // is known with its reason and the bytes that went before it.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        m_error = m_file.errorString();
        return false;
    }
    m_opened = true;
    m_pending = m_preamble;
    return true;
}

bool RejectFile::continueFrom(const QString &source, qint64 bytes, qint64 lines)
{
    if (bytes == 0)
        return true;
    QByteArray start;
    if (QFile old(source); !old.open(QIODevice::ReadOnly) || (start = old.read(bytes)).size() != bytes) {
        m_error = QStringLiteral("the reject file %1 of the run taken up lacks its first %2 bytes")
                          .arg(shown(source))
                          .arg(bytes);
        return false;
    }
    if (!create())
        return false;
    m_pending = start;
    m_pendingLines = lines;
    m_lines = lines;
    return writePending();
}

bool RejectFile::add(const QByteArray &lineWithEnd)
{
    ++m_lines;
    if (failed() || (!m_file.isOpen() && !create()))
        return false;
    m_pending += lineWithEnd;
    ++m_pendingLines;
    return m_pending.size() < WriteChunk || writePending();
}

bool RejectFile::flush()
{
    if (failed())
        return false;
    return !m_file.isOpen() || writePending();
}

bool RejectFile::writePending()
{
    qint64 written = 0;
    while (written < m_pending.size()) {
        // A write cut short gives no reason; the next one fails with it.
        const qint64 now = m_file.write(m_pending.constData() + written, m_pending.size() - written);
        if (now <= 0) {
            m_error = m_file.errorString();
            cutBackToWholeLines();
            return false;
        }
        written += now;
    }
    m_bytesOnDisk += written;
    m_linesOnDisk += m_pendingLines;
    m_pending.clear();
    m_pendingLines = 0;
    return true;
}

// What went of a chunk that did not go whole is taken off again, so the file
// ends with the last line written whole.
void RejectFile::cutBackToWholeLines()
{
    m_pending.clear();
    m_pendingLines = 0;
    m_endsCut = !m_file.resize(m_bytesOnDisk);
}

bool RejectFile::finish()
{
    if (m_file.isOpen()) {
        if (!failed() && writePending() && !syncToDisk(m_file))
            m_error = QStringLiteral("the system could not write it to the disk");
        m_file.close();
        if (m_file.error() != QFileDevice::NoError && m_error.isEmpty())
            m_error = m_file.errorString();
        putInPlace();
        return !failed();
    }
    // Nothing rejected: a reject file left from an earlier run of the same
    // text file would only mislead, finished or not.
    if (m_lines == 0 && !failed()) {
        for (const QString &old : {m_path, partialPathOf(m_path)}) {
            if (QFileInfo(old).isFile())
                QFile::remove(old);
        }
    }
    return !failed();
}

// Even a file that could not take every line replaces the old one: the old
// one is of another run, and the error says what this one lacks.
void RejectFile::putInPlace()
{
    QString why;
    if (!replaceFile(m_file.fileName(), m_path, &why))
        m_placeError = QStringLiteral("it cannot take the place of %1 (%2): the lines are in %3")
                               .arg(shown(m_path), why, shown(m_file.fileName()));
}

QString RejectFile::errorString() const
{
    QStringList parts;
    if (!m_error.isEmpty()) {
        parts << m_error;
        if (m_opened)
            parts << QStringLiteral("the file holds the first %1 of the %2 lines not stored")
                             .arg(m_linesOnDisk)
                             .arg(m_lines);
        if (m_endsCut)
            parts << QStringLiteral("its last line may be cut short");
    }
    if (!m_placeError.isEmpty())
        parts << m_placeError;
    return parts.join(QStringLiteral("; "));
}

QString partialPathOf(const QString &rejectPath)
{
    return rejectPath + QStringLiteral(".partial");
}

QString unfinishedRejectFileWarning(const QString &rejectPath)
{
    const QString partial = partialPathOf(rejectPath);
    if (!QFileInfo(partial).isFile())
        return QString();
    return QStringLiteral("An earlier import did not finish (it was killed, or the computer stopped) and left the "
                          "unfinished reject file %1, which lacks the lines that import had not reached. What "
                          "that import committed is stored. On a table with a key check, importing its whole text "
                          "file again with duplicates as errors adds exactly the lines still missing; an update "
                          "or a table without a key check cannot be finished that way: restore the store's "
                          "backup, or import only the lines after the last one stored. The unfinished file goes "
                          "when this run ends.")
            .arg(shown(partial));
}

QString rejectFileSuffix(const QString &textFilePath)
{
    if (spreadsheetKind(textFilePath) != SpreadsheetKind::None)
        return QStringLiteral("csv");
    return QFileInfo(textFilePath).suffix();
}

QString defaultRejectPath(const QString &textFilePath, const QString &logPath)
{
    const QFileInfo text(textFilePath);
    const QString suffix = rejectFileSuffix(textFilePath);
    const QString name = text.completeBaseName() + QStringLiteral(".rejected")
            + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    const QFileInfo folder(text.absolutePath());
    if (folder.isDir() && folder.isWritable())
        return QDir(text.absolutePath()).filePath(name);
    return QDir(QFileInfo(logPath).absolutePath()).filePath(name);
}

} // namespace vxr

#include "RejectFile.h"

#include <QDir>
#include <QFileInfo>

namespace vxr {

bool RejectFile::create()
{
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = m_file.errorString();
        return false;
    }
    if (!m_preamble.isEmpty() && m_file.write(m_preamble) != m_preamble.size()) {
        m_error = m_file.errorString();
        return false;
    }
    return true;
}

bool RejectFile::add(const QByteArray &lineWithEnd)
{
    if (failed())
        return false;
    if (!m_file.isOpen() && !create())
        return false;
    if (m_file.write(lineWithEnd) != lineWithEnd.size()) {
        m_error = m_file.errorString();
        return false;
    }
    ++m_lines;
    return true;
}

bool RejectFile::flush()
{
    if (!m_file.isOpen() || failed())
        return !failed();
    if (!m_file.flush()) {
        m_error = m_file.errorString();
        return false;
    }
    return true;
}

bool RejectFile::finish()
{
    if (m_file.isOpen()) {
        flush();
        m_file.close();
        if (m_file.error() != QFileDevice::NoError && m_error.isEmpty())
            m_error = m_file.errorString();
        return !failed();
    }
    // Nothing rejected: a reject file left from an earlier run of the same
    // text file would only mislead.
    if (m_lines == 0 && !failed() && QFileInfo(m_path).isFile())
        QFile::remove(m_path);
    return !failed();
}

QString defaultRejectPath(const QString &textFilePath, const QString &logPath)
{
    const QFileInfo text(textFilePath);
    const QString suffix = text.suffix();
    const QString name = text.completeBaseName() + QStringLiteral(".rejected")
            + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
    const QFileInfo folder(text.absolutePath());
    if (folder.isDir() && folder.isWritable())
        return QDir(text.absolutePath()).filePath(name);
    return QDir(QFileInfo(logPath).absolutePath()).filePath(name);
}

} // namespace vxr

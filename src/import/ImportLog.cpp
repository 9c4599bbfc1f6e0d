#include "ImportLog.h"

#include "database/DbError.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace vxr {

namespace {

const QByteArray LineEnd = QByteArrayLiteral("\r\n");

// At least `width` digits, padded with leading zeros; a minus sign goes first.
QByteArray zeroPadded(qint64 number, int width)
{
    const QByteArray digits = QByteArray::number(number < 0 ? -number : number).rightJustified(width, '0');
    return number < 0 ? '-' + digits : digits;
}

} // namespace

bool ImportLog::writeBytes(const QByteArray &line) const
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray bytes = line + LineEnd;
    const bool written = file.write(bytes) == bytes.size();
    file.close();
    return written && file.error() == QFileDevice::NoError;
}

bool ImportLog::writeLog(const QString &text) const
{
    return writeBytes(text.toLocal8Bit());
}

bool ImportLog::writeHeader(const QString &textFilePath, bool testRun) const
{
    const QString rule(80, QLatin1Char('-'));
    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::LongFormat);
    const QString what = testRun ? QStringLiteral(" (test run, nothing stored)") : QString();
    return writeLog(rule) && writeLog(QStringLiteral("Importing ") + textFilePath + what) && writeLog(today)
        && writeLog(rule);
}

QString ImportLog::errorMarker(qint32 errorNumber, const QString &detail)
{
    if (errorNumber == ErrorNumbers::DuplicateKey || errorNumber == ErrorNumbers::DuplicateKeyClassic)
        return QStringLiteral("<DUPL>");
    if (errorNumber == ErrorNumbers::EmptyKey)
        return QStringLiteral("<NOKEY>");
    if (errorNumber == ErrorNumbers::InvalidValue && !detail.isEmpty())
        return QStringLiteral("<VALUE:") + detail + QLatin1Char('>');
    return QLatin1Char('<') + QString::fromLatin1(zeroPadded(errorNumber, 4)) + QLatin1Char('>');
}

QByteArray ImportLog::errorLine(qint32 errorNumber, qint64 lineNumber, const QByteArray &lineText,
                                const QString &detail)
{
    return '[' + zeroPadded(lineNumber, 5) + ' ' + errorMarker(errorNumber, detail).toLocal8Bit() + "] " + lineText;
}

bool ImportLog::logError(qint32 errorNumber, qint64 lineNumber, const QByteArray &lineText,
                         const QString &detail) const
{
    return writeBytes(errorLine(errorNumber, lineNumber, lineText, detail));
}

QString defaultLogPath(const QString &programFolder)
{
    const QFileInfo folder(programFolder);
    const bool buildTree = !programFolder.isEmpty() && QFileInfo::exists(programFolder + QStringLiteral("/../CMakeCache.txt"));
    const QFileInfo existingLog(QDir(programFolder).filePath(QLatin1String(LogFileName)));
    if (buildTree && folder.isDir() && folder.isWritable() && (!existingLog.exists() || existingLog.isWritable()))
        return existingLog.absoluteFilePath();

    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(dataFolder);
    return QDir(dataFolder).filePath(QLatin1String(LogFileName));
}

QString defaultLogPath()
{
    return defaultLogPath(QCoreApplication::applicationDirPath());
}

} // namespace vxr

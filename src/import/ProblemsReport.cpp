#include "ProblemsReport.h"

#include "ImportRun.h"

#include "database/DbError.h"
#include "database/ErrorWords.h"

#include <QFile>

namespace vxr {

namespace {

const QByteArray HeaderLine = QByteArrayLiteral("Line,Field,Text,Problem,Outcome\r\n");

// A field quoted when it holds a delimiter, a quote or a line break; a NUL,
// which no spreadsheet shows, is written out as \0.
QByteArray csvField(const QString &text)
{
    QString field = text;
    field.replace(QChar(0), QLatin1String("\\0"));
    if (field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) || field.contains(QLatin1Char('\n'))
        || field.contains(QLatin1Char('\r')))
        field = QLatin1Char('"') + field.replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
    return field.toUtf8();
}

} // namespace

ProblemsReport::ProblemsReport(QString path, bool testRun) : m_path(std::move(path)), m_testRun(testRun)
{
    m_file.setFileName(m_path);
}

QString ProblemsReport::problemOf(const ValueNote &note)
{
    switch (note.kind) {
    case ValueNote::Kind::ReadAsZero: return QStringLiteral("No number: stored as 0.");
    case ValueNote::Kind::ReadAsEmpty: return QStringLiteral("No date: stored empty.");
    case ValueNote::Kind::Cut:
        return QStringLiteral("Longer than its column: cut to %1 characters.").arg(note.columnSize);
    case ValueNote::Kind::NulLeftOut: return QStringLiteral("A NUL character was left out.");
    }
    return QString();
}

QByteArray ProblemsReport::csvLine(const ProblemRow &row)
{
    return QByteArray::number(row.line) + ',' + csvField(row.field) + ',' + csvField(row.text) + ','
        + csvField(row.problem) + ',' + csvField(row.outcome) + "\r\n";
}

QString problemSentence(const ProblemRow &row)
{
    QString text = QStringLiteral("Line %1").arg(row.line);
    if (!row.field.isEmpty())
        text += QStringLiteral(", ") + row.field;
    if (!row.text.isEmpty())
        text += QStringLiteral(" \"%1\"").arg(QString(row.text).replace(QChar(0), QLatin1String("\\0")));
    text += QStringLiteral(": ");
    if (row.outcome == QLatin1String("Stored"))
        return text + row.problem;
    if (row.outcome.startsWith(QLatin1String("Failed")))
        return text + row.outcome + QStringLiteral(": ") + row.problem;
    return text + row.problem + QStringLiteral(" (") + row.outcome.toLower() + QLatin1Char(')');
}

void ProblemsReport::lineFailed(qint64 line, qint32 errorNumber, const QString &field, const QString &text,
                                const QString &description)
{
    QString problem = errorSentence(errorNumber);
    if (!description.isEmpty())
        problem += QLatin1Char(' ') + description;
    add({line, field, text, problem, QStringLiteral("Failed (error %1)").arg(errorNumber)});
}

void ProblemsReport::valueChanged(qint64 line, const ValueNote &note, bool committed)
{
    const bool stored = committed || m_testRun;
    add({line, note.caption, note.text, problemOf(note),
         stored ? QStringLiteral("Stored") : QStringLiteral("Rolled back")});
}

void ProblemsReport::add(ProblemRow row)
{
    ++m_rows;
    if (m_first.size() < FirstShown)
        m_first.append(row);
    if (!m_error.isEmpty())
        return;
    if (!m_file.isOpen()) {
        if (!m_file.open(QIODevice::WriteOnly) || m_file.write(HeaderLine) != HeaderLine.size()) {
            m_error = m_file.errorString();
            return;
        }
    }
    const QByteArray bytes = csvLine(row);
    if (m_file.write(bytes) != bytes.size())
        m_error = m_file.errorString();
}

void ProblemsReport::finish(ImportSummary &summary)
{
    summary.problemCount = m_rows;
    summary.firstProblems = m_first;
    if (m_rows == 0) {
        if (QFile::exists(m_path) && !QFile::remove(m_path))
            m_error = QStringLiteral("the earlier report cannot be removed");
    } else if (m_error.isEmpty() && !m_file.commit()) {
        m_error = m_file.errorString();
    } else if (m_file.isOpen()) {
        m_file.cancelWriting(); // the temporary file goes; an earlier report stays
        m_file.commit();
    }
    if (m_rows > 0)
        summary.problemsPath = m_path;
    summary.problemsError = m_error;
}

} // namespace vxr

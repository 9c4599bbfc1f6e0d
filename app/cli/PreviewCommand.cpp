#include "Commands.h"

#include "Console.h"
#include "SetupFromArguments.h"

#include "catalogue/FieldTable.h"
#include "text/RecordReader.h"

#include <algorithm>

namespace vxr::cli {

namespace {

constexpr int MaxColumnWidth = 30;
const QString ColumnGap = QStringLiteral("  ");

struct PreviewRow
{
    qint64 lineNumber = 0;
    QStringList texts; // positions 1 upwards
    bool tooManyFields = false;
};

QString fitted(const QString &text, int width)
{
    if (text.size() <= width)
        return text.leftJustified(width);
    return text.left(width - 1) + QChar(0x2026); // an ellipsis marks a cut text
}

// The lines as the import splits them: the skipped first line left out.
QList<PreviewRow> readPreviewRows(RecordReader &reader, const ImportSetup &setup, int lines)
{
    QList<PreviewRow> rows;
    qint64 lineNumber = 0;
    if (setup.skipsFirstLine() && !reader.atEndOfFile()) {
        reader.readNextRecord();
        ++lineNumber;
    }
    while (rows.size() < lines && !reader.atEndOfFile()) {
        reader.readNextRecord();
        if (reader.hasReadError())
            break;
        PreviewRow row;
        row.lineNumber = ++lineNumber;
        row.tooManyFields = reader.lineHasTooManyFields();
        int last = 1;
        for (int position = 1; position <= FieldMapLastPosition; ++position) {
            if (!reader.fieldMap[position].text.isEmpty())
                last = position;
        }
        for (int position = 1; position <= last; ++position)
            row.texts.append(visibleText(reader.fieldMap[position].text));
        rows.append(row);
    }
    return rows;
}

QString renderTable(const QList<PreviewRow> &rows, const ImportSetup &setup, const FieldTable &fields)
{
    int columns = 0;
    for (const PreviewRow &row : rows)
        columns = std::max(columns, int(row.texts.size()));
    for (int position = 1; position <= MappingRows; ++position) {
        if (setup.fieldIds[position] != 0)
            columns = std::max(columns, position);
    }

    // Each column is headed by its position and the caption mapped to it.
    QStringList headers;
    for (int position = 1; position <= columns; ++position) {
        const int fieldId = position <= MappingRows ? setup.fieldIds[position] : 0;
        headers.append(fieldId ? QStringLiteral("%1:%2").arg(position).arg(fields.byId(fieldId).displayName)
                               : QStringLiteral("%1:-").arg(position));
    }
    QList<int> widths;
    for (int c = 0; c < columns; ++c) {
        int width = int(headers.at(c).size());
        for (const PreviewRow &row : rows) {
            if (c < row.texts.size())
                width = std::max(width, int(row.texts.at(c).size()));
        }
        widths.append(std::min(width, MaxColumnWidth));
    }

    const auto renderLine = [&](const QString &first, const QStringList &cells) {
        QString line = first.leftJustified(6);
        for (int c = 0; c < columns; ++c)
            line += ColumnGap + fitted(c < cells.size() ? cells.at(c) : QString(), widths.at(c));
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        return line + QLatin1Char('\n');
    };
    QString text = renderLine(QStringLiteral("Line"), headers);
    for (const PreviewRow &row : rows)
        text += renderLine(QString::number(row.lineNumber), row.texts);
    for (const PreviewRow &row : rows) {
        if (row.tooManyFields)
            text += QStringLiteral("Line %1 has more than 100 fields: the import will reject it.\n")
                        .arg(row.lineNumber);
    }
    return text;
}

} // namespace

int runPreview(const CliArguments &arguments, const FieldTable &fields)
{
    const std::optional<ImportSetup> setup = commandSetup(arguments, fields, SetupPurpose::Preview);
    if (!setup)
        return ExitFailed;

    RecordReader reader(fields);
    setup->configureReader(reader);
    if (!reader.openTextFile(setup->textFile)) {
        printError(QStringLiteral("the text file %1 cannot be opened: %2").arg(setup->textFile, reader.errorString()));
        return ExitFailed;
    }
    // The same warning the import gives for a sheet wider than the mapping.
    if (const QString cut = reader.sheetWarning(); !cut.isEmpty())
        printErr(QStringLiteral("vxrimp: warning: %1: %2\n").arg(setup->textFile, cut));
    const QList<PreviewRow> rows = readPreviewRows(reader, *setup, arguments.previewLines);
    const bool readFailed = reader.hasReadError();
    const QString readError = reader.errorString();
    reader.closeTextFile();
    if (readFailed) {
        printError(QStringLiteral("the text file %1 cannot be read: %2").arg(setup->textFile, readError));
        return ExitFailed;
    }
    printOut(renderTable(rows, *setup, fields));
    return ExitAllStored;
}

} // namespace vxr::cli

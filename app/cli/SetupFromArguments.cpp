#include "SetupFromArguments.h"

#include "Console.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "import/ImportLog.h"
#include "import/PanelChoices.h"
#include "import/SetupFile.h"

#include <QFileInfo>

namespace vxr::cli {

namespace {

// One --map value: POS=FIELD pairs separated by commas.
QString applyMapOption(const QString &value, const FieldTable &fields, ImportSetup &setup)
{
    for (const QString &pair : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0)
            return QStringLiteral("--map takes POS=FIELD, not '%1'").arg(pair);
        bool ok = false;
        const int position = pair.left(equals).trimmed().toInt(&ok);
        if (!ok || position < 1 || position > MappingRows)
            return QStringLiteral("--map: the position in '%1' must be a number from 1 to %2").arg(pair).arg(MappingRows);
        const QString field = pair.mid(equals + 1).trimmed();
        if (field.isEmpty() || field.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0
            || field == QLatin1String("0")) {
            setup.fieldIds[position] = 0;
            continue;
        }
        if (setup.tableId == 0)
            return QStringLiteral("--map needs a destination table (--table or --settings)");
        QString error;
        const int fieldId = findOfferedField(fields, setup.tableId, field, &error);
        if (fieldId == 0)
            return QStringLiteral("--map: %1").arg(error);
        setup.fieldIds[position] = fieldId;
    }
    return QString();
}

QString absolute(const QString &path)
{
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

// The options that stand on their own, over what the settings file said.
QString applyOptions(const CliArguments &arguments, ImportSetup &setup)
{
    if (!arguments.table.isEmpty()) {
        const TableInfo *table = findOfferedTable(arguments.table);
        if (!table)
            return QStringLiteral("--table: ") + notATableMessage(arguments.table);
        setup.tableId = table->tableId;
    }
    if (arguments.delimiter.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) {
        setup.delimiterAuto = true;
    } else if (!arguments.delimiter.isEmpty()) {
        QString error;
        setup.delimiterCode = delimiterCodeOf(arguments.delimiter, &error);
        setup.delimiterAuto = false;
        if (!error.isEmpty())
            return error;
    }
    if (!arguments.encoding.isEmpty()) {
        QString error;
        const std::optional<TextEncoding> encoding = TextEncoding::fromName(arguments.encoding, &error);
        if (!encoding)
            return QStringLiteral("--encoding: ") + error;
        setup.encoding = *encoding;
    }
    if (!arguments.sheet.isEmpty())
        setup.sheet = arguments.sheet;
    if (!arguments.locale.isEmpty()) {
        if (const QString error = localeProblem(arguments.locale); !error.isEmpty())
            return QStringLiteral("--locale: ") + error;
        setup.localeName = arguments.locale.trimmed();
    }
    setup.quotesAsDelimiters = arguments.quotes.value_or(setup.quotesAsDelimiters);
    setup.duplicatesAsErrors = arguments.duplicatesAsErrors.value_or(setup.duplicatesAsErrors);
    setup.skipFirstLine = arguments.skipFirstLine.value_or(setup.skipFirstLine);
    setup.firstLineHeader = arguments.guessHeader || arguments.header.value_or(setup.firstLineHeader);
    setup.stripApostrophes = arguments.stripApostrophes.value_or(setup.stripApostrophes);
    setup.strictValues = arguments.strictValues.value_or(setup.strictValues);
    setup.rejectCut = arguments.rejectCut.value_or(setup.rejectCut);
    if (!arguments.textFile.isEmpty())
        setup.textFile = absolute(arguments.textFile);
    setup.connectionString = arguments.connectionString;
    setup.logPath = arguments.logPath.isEmpty() ? defaultLogPath() : absolute(arguments.logPath);
    return QString();
}

// The problem that stops the command before anything is read or written.
QString checkFor(SetupPurpose purpose, const CliArguments &arguments, const ImportSetup &setup,
                 const FieldTable &fields)
{
    if (setup.textFile.isEmpty())
        return QStringLiteral("no text file: give --file or a settings file that names one");
    if (purpose == SetupPurpose::Preview)
        return setup.previewProblem(fields);
    if (setup.tableId == 0)
        return QStringLiteral("no destination table: give --table or --settings");
    if (!setup.hasMapping() && setup.previewProblem(fields).isEmpty())
        return QStringLiteral("no text position is mapped to a field: give --map, --header, --guess-header or "
                              "--settings");
    if (const QString problem = setup.runProblem(fields); !problem.isEmpty())
        return problem;
    if (arguments.connectionString.isEmpty())
        return QStringLiteral("no database: give --connect");
    return QString();
}

// Where the field of a column is that could not have it: mapped at another
// position, or a guess there.
QString takenText(const SetupResult &result, int fieldId, const QString &caption)
{
    if (const int position = result.setup.positionOf(fieldId))
        return QStringLiteral("not mapped: \"%1\" is mapped to position %2").arg(caption).arg(position);
    for (const HeaderColumn &other : result.headerColumns) {
        if (other.outcome == HeaderColumn::Outcome::Suggested && other.fieldId == fieldId)
            return QStringLiteral("not mapped: \"%1\" is guessed at position %2").arg(caption).arg(other.position);
    }
    return QString();
}

} // namespace

SetupResult resolveSetup(const CliArguments &arguments, const FieldTable &fields, SetupPurpose purpose)
{
    SetupResult result;
    ImportSetup &setup = result.setup;
    QString &error = result.error;

    if (!arguments.settingsPath.isEmpty() && !readSetupFile(arguments.settingsPath, fields, &setup, &error))
        return result;
    error = applyOptions(arguments, setup);
    for (const QString &map : arguments.mappings) {
        if (!error.isEmpty())
            return result;
        error = applyMapOption(map, fields, setup);
    }
    if (!error.isEmpty())
        return result;

    setup.takeSniffedDelimiter(fields);
    // The header's names fill the positions the file and --map left free.
    if (setup.firstLineHeader && setup.tableId != 0 && QFileInfo(setup.textFile).isFile()) {
        const auto columns = applyHeaderLine(fields, setup, &error,
                                             arguments.guessHeader ? HeaderMatching::Guesses : HeaderMatching::OwnNames);
        if (!columns)
            return result;
        result.headerRead = true;
        result.headerColumns = *columns;
    }

    error = checkFor(purpose, arguments, setup, fields);
    if (!error.isEmpty() || arguments.saveSettingsPath.isEmpty())
        return result;
    if (!writeSetupFile(arguments.saveSettingsPath, setup, fields, &error))
        error = QStringLiteral("--save-settings: ") + error;
    return result;
}

QString headerReport(const SetupResult &result, const FieldTable &fields)
{
    if (!result.headerRead)
        return QString();
    const QString table = tableCaption(result.setup.tableId);
    QString text = QStringLiteral("Column names in the first line of %1:\n").arg(result.setup.textFile);
    for (const HeaderColumn &column : result.headerColumns) {
        const QString name = QLatin1Char('"') + visibleText(column.name) + QLatin1Char('"');
        const QString caption = column.fieldId ? fields.byId(column.fieldId).displayName : QString();
        QString outcome;
        switch (column.outcome) {
        case HeaderColumn::Outcome::Mapped:
            outcome = QStringLiteral("-> ") + caption + (column.guessed ? QStringLiteral(" (guessed)") : QString());
            break;
        case HeaderColumn::Outcome::Suggested:
            outcome = QStringLiteral("not mapped: guessed as \"%1\" (--guess-header maps it)").arg(caption);
            break;
        case HeaderColumn::Outcome::AlreadyMapped:
            outcome = QStringLiteral("-> %1 (mapped already)").arg(caption);
            break;
        case HeaderColumn::Outcome::FieldTaken:
            outcome = takenText(result, column.fieldId, caption);
            break;
        case HeaderColumn::Outcome::NoMatch:
            outcome = QStringLiteral("not mapped: matches no field of %1").arg(table);
            break;
        case HeaderColumn::Outcome::Ambiguous:
            outcome = QStringLiteral("not mapped: matches more than one field of %1").arg(table);
            break;
        case HeaderColumn::Outcome::BeyondMapping:
            outcome = QStringLiteral("not mapped: only positions 1 to %1 can be mapped").arg(MappingRows);
            break;
        }
        text += QStringLiteral("  %1  %2  %3\n").arg(column.position, 3).arg(name).arg(outcome);
    }
    return text;
}

std::optional<ImportSetup> commandSetup(const CliArguments &arguments, const FieldTable &fields,
                                        SetupPurpose purpose)
{
    const SetupResult resolved = resolveSetup(arguments, fields, purpose);
    if (!resolved.error.isEmpty()) {
        printError(resolved.error);
        return std::nullopt;
    }
    printOut(headerReport(resolved, fields));
    if (const auto offer = resolved.setup.delimiterOffer(fields))
        printErr(QStringLiteral("vxrimp: warning: %1: give --delimiter %2, or --delimiter auto\n")
                     .arg(offer->text(resolved.setup.delimiterCode), delimiterName(offer->code)));
    return resolved.setup;
}

} // namespace vxr::cli

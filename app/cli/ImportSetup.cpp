#include "ImportSetup.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "import/PanelChoices.h"
#include "import/SessionSettings.h"
#include "text/RecordReader.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace vxr::cli {

namespace {

// The set-up a settings file holds, applied over the defaults.
QString applySettingsFile(const QString &path, const FieldTable &fields, ImportSetup &setup,
                          bool tableGiven, bool delimiterGiven)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return QStringLiteral("the settings file %1 does not exist").arg(path);
    if (!info.isReadable())
        return QStringLiteral("the settings file %1 cannot be read").arg(path);

    const SessionSettings settings = SessionSettings::read(path);
    setup.quotes = settings.QuoteDelimiter;
    setup.duplicatesAsErrors = settings.Duplicate;

    if (!delimiterGiven) {
        const auto &choices = delimiterChoices();
        if (settings.FieldDelimiter < 0 || settings.FieldDelimiter >= choices.size())
            return QStringLiteral("%1: FieldDelimiter %2 is not an entry of the delimiter list (0 to %3)")
                .arg(path)
                .arg(settings.FieldDelimiter)
                .arg(choices.size() - 1);
        setup.delimiterCode = choices.at(settings.FieldDelimiter).code;
    }
    if (!tableGiven) {
        const auto tables = offeredTables();
        if (settings.TableName < 0 || settings.TableName >= tables.size())
            return QStringLiteral("%1: TableName %2 is not an entry of the table list (0 to %3)")
                .arg(path)
                .arg(settings.TableName)
                .arg(tables.size() - 1);
        setup.tableId = tables.at(settings.TableName)->tableId;
    }
    if (!settings.FileName.isEmpty()) {
        // A relative text file name belongs with the settings file, wherever
        // the command is run from.
        setup.textFile = QDir::cleanPath(info.absoluteDir().absoluteFilePath(settings.FileName));
    }

    for (int row = 1; row <= MappingRows; ++row) {
        const int fieldId = leadingInteger(settings.FieldIds[row - 1]);
        if (fieldId == 0)
            continue;
        QString error;
        if (findOfferedField(fields, setup.tableId, QString::number(fieldId), &error) == 0)
            return QStringLiteral("%1: Field_ID%2: %3").arg(path).arg(row).arg(error);
        setup.fieldIds[row] = fieldId;
    }
    return QString();
}

// One --map value: POS=FIELD pairs separated by commas.
QString applyMapOption(const QString &value, const FieldTable &fields, ImportSetup &setup)
{
    for (const QString &pair : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0)
            return QStringLiteral("--map takes POS=FIELD, not '%1'").arg(pair);
        bool ok = false;
        const int position = pair.left(equals).trimmed().toInt(&ok);
        if (!ok || position < 1 || position > LastMappablePosition)
            return QStringLiteral("--map: the position in '%1' must be a number from 1 to %2")
                .arg(pair)
                .arg(LastMappablePosition);
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

// A field mapped to two positions would be written from the later one only.
QString checkNoFieldMappedTwice(const FieldTable &fields, const ImportSetup &setup)
{
    for (int first = 1; first <= LastMappablePosition; ++first) {
        for (int second = first + 1; second <= LastMappablePosition && setup.fieldIds[first] != 0; ++second) {
            if (setup.fieldIds[second] == setup.fieldIds[first])
                return QStringLiteral("the field \"%1\" is mapped to positions %2 and %3")
                    .arg(fields.byId(setup.fieldIds[first]).DisplayName)
                    .arg(first)
                    .arg(second);
        }
    }
    return QString();
}

QString absolute(const QString &path)
{
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
}

} // namespace

bool ImportSetup::hasMapping() const
{
    return std::any_of(fieldIds.begin() + 1, fieldIds.end(), [](int id) { return id != 0; });
}

void ImportSetup::configureReader(RecordReader &reader) const
{
    reader.DelimiterCode = delimiterCode;
    reader.QuotesAsDelimiters = quotes;
    for (int position = 0; position <= FieldMapLastPosition; ++position)
        reader.SetMapping(position, position <= LastMappablePosition ? fieldIds[position] : 0);
}

QString notATableMessage(const QString &text)
{
    QStringList captions;
    for (const TableInfo *table : offeredTables())
        captions.append(QStringLiteral("\"%1\" (%2)").arg(table->listCaption).arg(table->tableId));
    return QStringLiteral("'%1' is not a destination table; choose one of %2").arg(text, captions.join(QStringLiteral(", ")));
}

const TableInfo *findOfferedTable(const QString &text)
{
    const QString wanted = text.trimmed();
    bool isNumber = false;
    const int id = wanted.toInt(&isNumber);
    for (const TableInfo *table : offeredTables()) {
        if (isNumber ? table->tableId == id
                     : (table->listCaption.compare(wanted, Qt::CaseInsensitive) == 0
                        || table->name.compare(wanted, Qt::CaseInsensitive) == 0))
            return table;
    }
    return nullptr;
}

int findOfferedField(const FieldTable &fields, int tableId, const QString &text, QString *error)
{
    const QString wanted = text.trimmed();
    const QList<int> offered = fields.offeredFieldIndices(tableId);
    const TableInfo *table = tableInfo(tableId);
    const QString tableName = table ? table->listCaption : QString::number(tableId);

    bool isNumber = false;
    const int id = wanted.toInt(&isNumber);
    if (isNumber) {
        if (offered.contains(fields.FindFieldIndex(id)))
            return id;
        *error = QStringLiteral("%1 is not the FieldID of a field of %2 (see: vxrimp fields \"%2\")")
                     .arg(wanted, tableName);
        return 0;
    }
    QList<int> matches;
    for (int index : offered) {
        if (fields[index].DisplayName.compare(wanted, Qt::CaseInsensitive) == 0)
            matches.append(index);
    }
    if (matches.size() == 1)
        return fields[matches.first()].FieldID;
    *error = matches.isEmpty()
        ? QStringLiteral("\"%1\" is not a field of %2 (see: vxrimp fields \"%2\")").arg(wanted, tableName)
        : QStringLiteral("\"%1\" names more than one field of %2: give its FieldID").arg(wanted, tableName);
    return 0;
}

int delimiterCodeOf(const QString &text, QString *error)
{
    for (const DelimiterChoice &choice : delimiterChoices()) {
        if (text.compare(choice.name, Qt::CaseInsensitive) == 0)
            return choice.code;
    }
    if (text.size() != 1) {
        *error = QStringLiteral("--delimiter takes %1 or a single character, not '%2'").arg(delimiterNames(), text);
        return 0;
    }
    const QChar c = text.at(0);
    // Apostrophes are removed from a line before it is split, and line ends
    // never reach the splitter: neither could ever separate two fields.
    if (c == QLatin1Char('\'') || c == QLatin1Char('\r') || c == QLatin1Char('\n')
        || c == QLatin1Char('"')) {
        *error = QStringLiteral("'%1' cannot be the field delimiter").arg(text);
        return 0;
    }
    return c.unicode();
}

QString delimiterNames()
{
    QStringList names;
    for (const DelimiterChoice &choice : delimiterChoices())
        names.append(choice.name);
    return names.join(QStringLiteral(", "));
}

SetupResult resolveSetup(const CliArguments &arguments, const FieldTable &fields, SetupPurpose purpose)
{
    SetupResult result;
    ImportSetup &setup = result.setup;
    QString &error = result.error;

    if (!arguments.table.isEmpty()) {
        const TableInfo *table = findOfferedTable(arguments.table);
        if (!table) {
            error = QStringLiteral("--table: ") + notATableMessage(arguments.table);
            return result;
        }
        setup.tableId = table->tableId;
    }
    if (!arguments.delimiter.isEmpty()) {
        setup.delimiterCode = delimiterCodeOf(arguments.delimiter, &error);
        if (!error.isEmpty())
            return result;
    }
    if (!arguments.settingsPath.isEmpty()) {
        error = applySettingsFile(arguments.settingsPath, fields, setup, !arguments.table.isEmpty(),
                                  !arguments.delimiter.isEmpty());
        if (!error.isEmpty())
            return result;
    }

    if (arguments.quotes)
        setup.quotes = *arguments.quotes;
    if (arguments.duplicatesAsErrors)
        setup.duplicatesAsErrors = *arguments.duplicatesAsErrors;
    setup.skipFirstLine = arguments.skipFirstLine;
    if (!arguments.textFile.isEmpty())
        setup.textFile = absolute(arguments.textFile);
    setup.connectionString = arguments.connectionString;
    setup.logPath = absolute(arguments.logPath);

    for (const QString &map : arguments.mappings) {
        error = applyMapOption(map, fields, setup);
        if (!error.isEmpty())
            return result;
    }
    error = checkNoFieldMappedTwice(fields, setup);
    if (!error.isEmpty())
        return result;

    if (setup.textFile.isEmpty()) {
        error = QStringLiteral("no text file: give --file or a settings file that names one");
        return result;
    }
    const QFileInfo textFile(setup.textFile);
    if (!textFile.isFile()) {
        error = QStringLiteral("the text file %1 does not exist").arg(setup.textFile);
        return result;
    }
    if (purpose == SetupPurpose::Preview)
        return result;

    if (setup.tableId == 0)
        error = QStringLiteral("no destination table: give --table or --settings");
    else if (!setup.hasMapping())
        error = QStringLiteral("no text position is mapped to a field: give --map or --settings");
    else if (setup.connectionString.isEmpty())
        error = QStringLiteral("no database: give --connect");
    return result;
}

} // namespace vxr::cli

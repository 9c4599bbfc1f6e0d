#include "ImportSetup.h"

#include "ImportRun.h"
#include "PanelChoices.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "database/ConnectionString.h"
#include "text/BinaryFiles.h"
#include "text/DelimiterSniffer.h"
#include "text/NumericText.h"
#include "text/RecordReader.h"
#include "text/SpreadsheetReader.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>

namespace vxr {

namespace {

// Two names of the same file: the same path once made absolute, or (for
// files that exist) the same file behind links.
bool sameFile(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath()))
        return true;
    return first.exists() && second.exists() && first.canonicalFilePath() == second.canonicalFilePath();
}

// The store file a connection string names; empty for a database server.
QString storeFile(const QString &connectionString)
{
    const QList<ConnectionStringPart> parts = parseConnectionString(connectionString);
    if (connectionStringValue(parts, QStringLiteral("Provider")).trimmed().compare(QLatin1String("SQLite"),
                                                                                    Qt::CaseInsensitive) != 0)
        return QString();
    return connectionStringValue(parts, QStringLiteral("Data Source"));
}

// The text file's first lines in a sniffer; nothing when they cannot be read.
std::optional<DelimiterSniffer> sniffDelimiter(const ImportSetup &setup, const FieldTable &fields)
{
    if (setup.textFile.isEmpty() || !QFileInfo(setup.textFile).isFile()
        || spreadsheetKind(setup.textFile) != SpreadsheetKind::None)
        return std::nullopt;
    RecordReader reader(fields);
    setup.configureReader(reader);
    const auto close = qScopeGuard([&reader] { reader.closeTextFile(); });
    if (!reader.openTextFile(setup.textFile))
        return std::nullopt;
    DelimiterSniffer sniffer(setup.quotesAsDelimiters);
    for (int line = 0; line < DelimiterSniffer::SampleLines && !reader.atEndOfFile(); ++line) {
        reader.readNextRecord();
        if (reader.hasReadError())
            return std::nullopt;
        sniffer.addLine(reader.currentText());
    }
    return sniffer;
}

// Why the sheet cannot be read from the workbook at path: the workbook is
// damaged or has no sheet of that name; empty for a text file.
QString sheetProblem(const QString &path, const QString &sheet)
{
    if (spreadsheetKind(path) == SpreadsheetKind::None)
        return QString(); // a sheet kept from a workbook chosen before
    SpreadsheetReader workbook(path);
    const std::optional<QStringList> names = workbook.sheetNames();
    if (!names)
        return QStringLiteral("the workbook cannot be read: %1").arg(workbook.errorString());
    if (names->isEmpty())
        return QStringLiteral("the workbook has no sheet");
    if (!sheet.isEmpty() && !names->contains(sheet, Qt::CaseInsensitive))
        return QStringLiteral("the workbook has no sheet \"%1\" (it has: %2)")
            .arg(sheet, names->join(QStringLiteral(", ")));
    return QString();
}

} // namespace

bool ImportSetup::hasMapping() const
{
    return std::any_of(fieldIds.begin() + 1, fieldIds.end(), [](int id) { return id != 0; });
}

void ImportSetup::chooseTable(int table)
{
    tableId = table;
    fieldIds.fill(0);
}

int ImportSetup::positionOf(int fieldId) const
{
    for (int position = 1; position <= MappingRows; ++position) {
        if (fieldId != 0 && fieldIds[position] == fieldId)
            return position;
    }
    return 0;
}

QString ImportSetup::previewProblem(const FieldTable &fields) const
{
    if (textFile.trimmed().isEmpty())
        return QStringLiteral("no text file is chosen");
    if (!QFileInfo(textFile).isFile())
        return QStringLiteral("the text file %1 does not exist").arg(QDir::toNativeSeparators(textFile));
    if (const QString why = binaryFileProblem(textFile, encoding); !why.isEmpty())
        return why;
    if (const QString why = sheetProblem(textFile, sheet); !why.isEmpty())
        return why;
    if (const QString why = delimiterProblem(delimiterCode); !why.isEmpty())
        return QStringLiteral("the delimiter %1: %2").arg(delimiterCaption(delimiterCode), why);
    // Lines are split after decoding; an ASCII delimiter must be the same
    // single byte in the file's encoding to mean what the operator chose.
    if (delimiterCode < 128 && !encoding.keepsAscii(char16_t(delimiterCode)))
        return QStringLiteral("the delimiter %1 is not a single ASCII byte in the encoding %2")
            .arg(delimiterCaption(delimiterCode), encoding.name());

    const QList<int> offered = fields.offeredFieldIndices(tableId);
    for (int position = 1; position <= MappingRows; ++position) {
        const int fieldId = fieldIds[position];
        if (fieldId == 0)
            continue;
        if (!offered.contains(fields.findFieldIndex(fieldId)))
            return QStringLiteral("position %1 is mapped to FieldID %2, which is not a field of %3")
                .arg(position)
                .arg(fieldId)
                .arg(tableId == 0 ? QStringLiteral("any chosen table") : tableCaption(tableId));
        const int first = positionOf(fieldId);
        if (first != position)
            return QStringLiteral("the field \"%1\" is mapped to positions %2 and %3")
                .arg(fields.byId(fieldId).displayName)
                .arg(first)
                .arg(position);
    }
    return QString();
}

QString ImportSetup::runProblem(const FieldTable &fields) const
{
    if (tableId == 0)
        return QStringLiteral("no destination table is chosen");
    if (const QString problem = previewProblem(fields); !problem.isEmpty())
        return problem;
    if (!hasMapping())
        return QStringLiteral("no text position is mapped to a field");
    const TableInfo *table = tableInfo(tableId);
    if (table && table->keyFieldIndex > 0) {
        const FieldDef &key = fields[table->keyFieldIndex];
        if (positionOf(key.fieldId) == 0)
            return QStringLiteral("the key field \"%1\" of %2 is not mapped to a text position")
                .arg(key.displayName, table->listCaption);
    }
    if (const QString problem = localeProblem(localeName); !problem.isEmpty())
        return problem;
    if (sameFile(logPath, textFile))
        return QStringLiteral("the log %1 is the text file itself: choose another log file")
            .arg(QDir::toNativeSeparators(logPath));
    if (sameFile(logPath, storeFile(connectionString)))
        return QStringLiteral("the log %1 is the store database: choose another log file")
            .arg(QDir::toNativeSeparators(logPath));
    return QString();
}

void ImportSetup::configureReader(RecordReader &reader) const
{
    reader.delimiterCode = delimiterCode;
    reader.quotesAsDelimiters = quotesAsDelimiters;
    reader.stripApostrophes = stripApostrophes;
    reader.encoding = encoding;
    reader.sheet = sheet;
    reader.decimalSeparator = regionalSettings().decimalSeparator;
    for (int position = 0; position <= FieldMapLastPosition; ++position)
        reader.setMapping(position, position >= 1 && position <= MappingRows ? fieldIds[position] : 0);
}

RegionalSettings ImportSetup::regionalSettings() const
{
    if (!localeName.isEmpty()) {
        if (auto chosen = RegionalSettings::fromLocaleName(localeName, nullptr))
            return *chosen;
    }
    return RegionalSettings::readRegionalSettings(QLocale::system());
}

ImportRequest ImportSetup::request(const QString &defaultLog) const
{
    ImportRequest request;
    request.tableId = tableId;
    request.textFilePath = textFile;
    request.skipFirstLine = skipsFirstLine();
    request.duplicatesAsErrors = duplicatesAsErrors;
    request.logPath = logPath.isEmpty() ? defaultLog : logPath;
    request.strictValues = strictValues;
    request.rejectCut = rejectCut;
    return request;
}

std::optional<QList<QStringList>> ImportSetup::readLines(const FieldTable &fields, int skip, int count,
                                                         QString *error) const
{
    RecordReader reader(fields);
    configureReader(reader);
    const auto close = qScopeGuard([&reader] { reader.closeTextFile(); });
    const auto failed = [&reader, error] {
        if (error)
            *error = reader.errorString();
        return std::nullopt;
    };
    if (!reader.openTextFile(textFile))
        return failed();
    QList<QStringList> lines;
    for (int line = 0; line < skip + count && !reader.atEndOfFile(); ++line) {
        reader.readNextRecord();
        if (reader.hasReadError())
            return failed();
        if (line < skip)
            continue;
        QStringList texts;
        for (int position = 1; position <= MappingRows; ++position)
            texts << reader.fieldMap[position].text;
        lines << texts;
    }
    return lines;
}

std::optional<DelimiterOffer> ImportSetup::delimiterOffer(const FieldTable &fields) const
{
    const std::optional<DelimiterSniffer> sniffer = sniffDelimiter(*this, fields);
    const int code = sniffer ? sniffer->betterThan(delimiterCode) : 0;
    if (code == 0)
        return std::nullopt;
    return DelimiterOffer{code, sniffer->steadyColumns(code), sniffer->steadyColumns(delimiterCode)};
}

void ImportSetup::takeSniffedDelimiter(const FieldTable &fields)
{
    if (!delimiterAuto)
        return;
    const std::optional<DelimiterSniffer> sniffer = sniffDelimiter(*this, fields);
    if (const int code = sniffer ? sniffer->best() : 0; code != 0)
        delimiterCode = code;
}

QString DelimiterOffer::text(int current) const
{
    const QString chosen = currentColumns <= 1 ? QStringLiteral("no steady columns")
                                               : QStringLiteral("only %1 columns").arg(currentColumns);
    return QStringLiteral("the first lines of the text file split into %1 columns at %2, but into %3 at %4")
        .arg(QString::number(columns), delimiterCaption(code), chosen, delimiterCaption(current));
}

QString localeProblem(const QString &localeName)
{
    QString error;
    if (!localeName.isEmpty() && !RegionalSettings::fromLocaleName(localeName, &error))
        return error;
    return QString();
}

} // namespace vxr

#include "SetupFile.h"

#include "ImportSetup.h"
#include "PanelChoices.h"

#include "catalogue/FieldTable.h"
#include "catalogue/TableCatalogue.h"
#include "database/ConnectionString.h"
#include "text/ProfileFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <limits>
#include <optional>

namespace vxr {

namespace {

const QString SettingsSection = QStringLiteral("Settings");
const QString MappingsSection = QStringLiteral("FieldMappings");

namespace Keys {
const QString SkipFirstLine = QStringLiteral("SkipFirstLine");
const QString QuoteDelimiter = QStringLiteral("QuoteDelimiter");
const QString Duplicate = QStringLiteral("Duplicate");
const QString FirstLineHeader = QStringLiteral("FirstLineHeader");
const QString FieldDelimiter = QStringLiteral("FieldDelimiter");
// A delimiter the list does not hold, or "auto"; FieldDelimiter keeps an
// entry of the list beside it (the one auto falls back on), so that files
// without this key read as they always did.
const QString FieldDelimiterChar = QStringLiteral("FieldDelimiterChar");
const QString TableName = QStringLiteral("TableName");
const QString FileName = QStringLiteral("FileName");
const QString ConnectionString = QStringLiteral("ConnectionString");
const QString Encoding = QStringLiteral("Encoding");
const QString Locale = QStringLiteral("Locale");
const QString Sheet = QStringLiteral("Sheet"); // a workbook's sheet; missing or empty: the first
const QString StripApostrophes = QStringLiteral("StripApostrophes");
const QString StrictValues = QStringLiteral("StrictValues");
const QString RejectCut = QStringLiteral("RejectCut");
} // namespace Keys

QString fieldKey(int row) { return QStringLiteral("Field%1").arg(row); }
QString fieldIdKey(int row) { return QStringLiteral("Field_ID%1").arg(row); }

QString yesNo(bool value)
{
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

// Reads the keys of one file, remembering the first value it cannot use.
class KeyReader
{
public:
    explicit KeyReader(const ProfileFile::Contents &contents) : m_contents(contents) {}

    const QString &problem() const { return m_problem; }

    std::optional<QString> value(const QString &key, const QString &section = SettingsSection) const
    {
        return m_contents.find(section, key);
    }

    // "Yes" (and any value that begins with it) or "No", exactly so
    // written; an empty value is No.
    bool yesNo(const QString &key, bool missing)
    {
        const std::optional<QString> text = value(key);
        if (!text)
            return missing;
        if (text->startsWith(QLatin1String("Yes")))
            return true;
        if (text->isEmpty() || text->startsWith(QLatin1String("No")))
            return false;
        refuse(key, *text, QStringLiteral("write Yes or No"));
        return missing;
    }

    // A whole number; nullopt (after refusing) for anything else.
    std::optional<qint64> number(const QString &key, const QString &text,
                                 const QString &section = SettingsSection)
    {
        static const QRegularExpression whole(QStringLiteral("^\\s*[+-]?\\d+\\s*$"));
        if (!whole.match(text).hasMatch()) {
            refuse(key, text, QStringLiteral("not a whole number"), section);
            return std::nullopt;
        }
        bool ok = false;
        const qint64 number = text.trimmed().toLongLong(&ok);
        if (!ok || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
            refuse(key, text, QStringLiteral("too large"), section);
            return std::nullopt;
        }
        return number;
    }

    // An index into a list of count entries; empty, missing or -1 (none
    // selected) is the first entry.
    int index(const QString &key, qsizetype count, const QString &listName)
    {
        const std::optional<QString> text = value(key);
        if (!text || text->trimmed().isEmpty())
            return 0;
        const std::optional<qint64> read = number(key, *text);
        if (!read)
            return 0;
        if (*read == -1)
            return 0;
        if (*read < 0 || *read >= count) {
            refuse(key, *text, QStringLiteral("not an entry of the %1 list (0 to %2)").arg(listName).arg(count - 1));
            return 0;
        }
        return int(*read);
    }

    void refuse(const QString &key, const QString &text, const QString &why,
                const QString &section = SettingsSection)
    {
        if (m_problem.isEmpty())
            m_problem = QStringLiteral("[%1] %2=%3: %4").arg(section, key, text, why);
    }

private:
    const ProfileFile::Contents &m_contents;
    QString m_problem;
};

// The mapping of the file: Field_ID1..52 against the table's fields. The
// Field1..52 captions are only for people reading the file.
void readMapping(KeyReader &keys, const FieldTable &fields, ImportSetup &setup)
{
    const QList<int> offered = fields.offeredFieldIndices(setup.tableId);
    for (int row = 1; row <= MappingRows; ++row) {
        const QString key = fieldIdKey(row);
        const std::optional<QString> text = keys.value(key, MappingsSection);
        if (!text || text->trimmed().isEmpty())
            continue;
        const std::optional<qint64> fieldId = keys.number(key, *text, MappingsSection);
        if (!fieldId)
            return;
        if (*fieldId == 0 || !offered.contains(fields.findFieldIndex(int(*fieldId)))) {
            keys.refuse(key, *text, QStringLiteral("not the FieldID of a field of %1").arg(tableCaption(setup.tableId)),
                        MappingsSection);
            return;
        }
        if (const int first = setup.positionOf(int(*fieldId)); first != 0) {
            keys.refuse(key, *text,
                        QStringLiteral("the field \"%1\" is mapped to position %2 already")
                            .arg(fields.byId(int(*fieldId)).displayName)
                            .arg(first),
                        MappingsSection);
            return;
        }
        setup.fieldIds[row] = int(*fieldId);
    }
}

const QString AutoDelimiter = QStringLiteral("auto");

void readOtherDelimiter(KeyReader &keys, ImportSetup &setup)
{
    setup.delimiterAuto = false;
    const QString text = keys.value(Keys::FieldDelimiterChar).value_or(QString());
    if (text.isEmpty())
        return;
    if (text.compare(AutoDelimiter, Qt::CaseInsensitive) == 0) {
        setup.delimiterAuto = true;
        return;
    }
    QString why;
    if (const int code = delimiterCodeOf(text, &why); code != 0)
        setup.delimiterCode = code;
    else
        keys.refuse(Keys::FieldDelimiterChar, text, QStringLiteral("write auto or the delimiter character"));
}

void readEncodingAndLocale(KeyReader &keys, ImportSetup &setup)
{
    if (const std::optional<QString> name = keys.value(Keys::Encoding)) {
        QString why;
        if (const std::optional<TextEncoding> encoding = TextEncoding::fromName(*name, &why))
            setup.encoding = *encoding;
        else
            keys.refuse(Keys::Encoding, *name, why);
    }
    if (const std::optional<QString> name = keys.value(Keys::Locale)) {
        const QString trimmed = name->trimmed();
        if (const QString why = localeProblem(trimmed); why.isEmpty())
            setup.localeName = trimmed;
        else
            keys.refuse(Keys::Locale, *name, why);
    }
}

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// The text file as the settings file names it: relative to the settings
// file's folder when it lies in or below it, else as it is.
QString storedFileName(const QString &settingsPath, const QString &textFile)
{
    if (textFile.isEmpty())
        return textFile;
    const QDir folder = QFileInfo(settingsPath).absoluteDir();
    const QString absolute = QDir::cleanPath(QFileInfo(textFile).absoluteFilePath());
    const QString relative = folder.relativeFilePath(absolute);
    if (relative.startsWith(QLatin1String("../")) || relative == QLatin1String("..")
        || QDir::isAbsolutePath(relative))
        return absolute;
    return relative;
}

} // namespace

bool readSetupFile(const QString &path, const FieldTable &fields, ImportSetup *setup, QString *error)
{
    const auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    const QFileInfo info(path);
    if (!info.isFile())
        return fail(QStringLiteral("the settings file %1 does not exist").arg(shownPath(path)));
    if (!info.isReadable())
        return fail(QStringLiteral("the settings file %1 cannot be read").arg(shownPath(path)));
    const ProfileFile::Contents contents = ProfileFile::Contents::load(path);
    if (!contents.hasSection(SettingsSection) && !contents.hasSection(MappingsSection))
        return fail(QStringLiteral("%1 is not a settings file: it has no [Settings] or [FieldMappings] section")
                        .arg(shownPath(path)));

    KeyReader keys(contents);
    ImportSetup read = *setup;
    read.skipFirstLine = keys.yesNo(Keys::SkipFirstLine, false);
    read.quotesAsDelimiters = keys.yesNo(Keys::QuoteDelimiter, false);
    read.duplicatesAsErrors = keys.yesNo(Keys::Duplicate, false);
    read.firstLineHeader = keys.yesNo(Keys::FirstLineHeader, false);
    read.delimiterCode =
        delimiterChoices().at(keys.index(Keys::FieldDelimiter, delimiterChoices().size(), QStringLiteral("delimiter")))
            .code;
    readOtherDelimiter(keys, read);
    const auto tables = offeredTables();
    read.tableId = tables.at(keys.index(Keys::TableName, tables.size(), QStringLiteral("destination table")))->tableId;

    const QString fileName = keys.value(Keys::FileName).value_or(QString());
    read.textFile = fileName.isEmpty() || QDir::isAbsolutePath(fileName)
        ? fileName
        : QDir::cleanPath(info.absoluteDir().absoluteFilePath(fileName));

    read.encoding = TextEncoding();
    read.localeName.clear();
    readEncodingAndLocale(keys, read);
    read.sheet = keys.value(Keys::Sheet).value_or(QString());
    // Files written before the key existed were imported without apostrophes.
    read.stripApostrophes = keys.yesNo(Keys::StripApostrophes, true);
    read.strictValues = keys.yesNo(Keys::StrictValues, false);
    read.rejectCut = keys.yesNo(Keys::RejectCut, false);

    read.fieldIds.fill(0);
    if (keys.problem().isEmpty())
        readMapping(keys, fields, read);

    if (!keys.problem().isEmpty())
        return fail(QStringLiteral("the settings file %1 cannot be used: %2").arg(shownPath(path), keys.problem()));
    *setup = read;
    return true;
}

QString readSetupConnection(const QString &path)
{
    const ProfileFile::Contents contents = ProfileFile::Contents::load(path);
    return withoutPassword(contents.find(SettingsSection, Keys::ConnectionString).value_or(QString())).trimmed();
}

bool writeSetupFile(const QString &path, const ImportSetup &setup, const FieldTable &fields, QString *error)
{
    const auto fail = [&](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    if (!delimiterProblem(setup.delimiterCode).isEmpty())
        return fail(QStringLiteral("the delimiter %1 cannot separate fields").arg(delimiterCaption(setup.delimiterCode)));
    // A character without an entry goes into FieldDelimiterChar, beside the
    // list's first entry.
    const int listed = delimiterIndex(setup.delimiterCode);
    const QString otherDelimiter = setup.delimiterAuto ? AutoDelimiter
        : listed < 0                                   ? QString(QChar(setup.delimiterCode))
                                                       : QString();
    const int table = offeredTableIndex(setup.tableId);
    if (table < 0)
        return fail(QStringLiteral("a settings file needs a destination table"));

    QList<ProfileFile::ProfileEntry> entries = {
        {SettingsSection, Keys::SkipFirstLine, yesNo(setup.skipFirstLine)},
        {SettingsSection, Keys::QuoteDelimiter, yesNo(setup.quotesAsDelimiters)},
        {SettingsSection, Keys::Duplicate, yesNo(setup.duplicatesAsErrors)},
        {SettingsSection, Keys::FirstLineHeader, yesNo(setup.firstLineHeader)},
        {SettingsSection, Keys::FieldDelimiter, QString::number(qMax(listed, 0))},
        {SettingsSection, Keys::FieldDelimiterChar, otherDelimiter},
        {SettingsSection, Keys::TableName, QString::number(table)},
        {SettingsSection, Keys::FileName, storedFileName(path, setup.textFile)},
        // Settings files are copied around; the password stays out of them.
        {SettingsSection, Keys::ConnectionString, withoutPassword(setup.connectionString)},
        {SettingsSection, Keys::Encoding, setup.encoding.name()},
        {SettingsSection, Keys::Locale, setup.localeName},
        {SettingsSection, Keys::Sheet, setup.sheet},
        {SettingsSection, Keys::StripApostrophes, yesNo(setup.stripApostrophes)},
        {SettingsSection, Keys::StrictValues, yesNo(setup.strictValues)},
        {SettingsSection, Keys::RejectCut, yesNo(setup.rejectCut)},
    };
    entries.reserve(entries.size() + 2 * MappingRows);
    for (int row = 1; row <= MappingRows; ++row) {
        const int fieldId = setup.fieldIds[row];
        entries.append({MappingsSection, fieldKey(row), fieldId ? fields.byId(fieldId).displayName : QString()});
    }
    for (int row = 1; row <= MappingRows; ++row) {
        const int fieldId = setup.fieldIds[row];
        entries.append({MappingsSection, fieldIdKey(row), fieldId ? QString::number(fieldId) : QString()});
    }
    // One read and one replacement of the file for all the keys.
    return ProfileFile::writeStrings(path, entries, error);
}

bool sameSettings(const ImportSetup &a, const ImportSetup &b)
{
    const auto file = [](const QString &path) {
        return path.isEmpty() ? path : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    };
    return a.tableId == b.tableId && file(a.textFile) == file(b.textFile) && a.delimiterCode == b.delimiterCode
        && a.delimiterAuto == b.delimiterAuto && a.quotesAsDelimiters == b.quotesAsDelimiters
        && a.duplicatesAsErrors == b.duplicatesAsErrors && a.skipFirstLine == b.skipFirstLine
        && a.firstLineHeader == b.firstLineHeader && a.encoding.name() == b.encoding.name() && a.sheet == b.sheet
        && a.localeName == b.localeName && a.stripApostrophes == b.stripApostrophes
        && a.strictValues == b.strictValues && a.rejectCut == b.rejectCut && a.fieldIds == b.fieldIds;
}

} // namespace vxr

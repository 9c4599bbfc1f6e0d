#include "SessionSettings.h"

#include "text/ProfileFile.h"

#include <QList>

#include <limits>

namespace vxr {

namespace {

const QString SettingsSection = QStringLiteral("Settings");
const QString MappingsSection = QStringLiteral("FieldMappings");

// Values are read through a buffer of this many characters, so at most one
// less is taken.
constexpr int ValueBufferSize = 155;

QString readValue(const ProfileFile::Contents &file, const QString &section, const QString &key)
{
    return file.value(section, key, QString(), ValueBufferSize);
}

// Checked only when the value begins with "Yes", in exactly that case.
bool readYes(const ProfileFile::Contents &file, const QString &key)
{
    return readValue(file, SettingsSection, key).startsWith(QLatin1String("Yes"), Qt::CaseSensitive);
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString fieldKey(int row) { return QStringLiteral("Field%1").arg(row); }
QString fieldIdKey(int row) { return QStringLiteral("Field_ID%1").arg(row); }

// Where a key=value list's value that starts at `from` ends: at the next
// semicolon, or past a value enclosed in braces or quotation marks.
qsizetype valueEnd(const QString &text, qsizetype from)
{
    qsizetype i = from;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    if (i < text.size()) {
        const QChar open = text.at(i);
        const QChar close = open == QLatin1Char('{') ? QLatin1Char('}') : open;
        if (open == QLatin1Char('{') || open == QLatin1Char('"') || open == QLatin1Char('\'')) {
            // A doubled closing character stands for itself inside the value.
            for (++i; i < text.size(); ++i) {
                if (text.at(i) != close)
                    continue;
                if (i + 1 < text.size() && text.at(i + 1) == close)
                    ++i;
                else
                    break;
            }
        }
    }
    const qsizetype semicolon = text.indexOf(QLatin1Char(';'), i);
    return semicolon < 0 ? text.size() : semicolon;
}

bool isPasswordKey(const QString &key)
{
    const QString name = key.trimmed();
    return name.compare(QLatin1String("Password"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0;
}

} // namespace

int leadingInteger(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text.at(i).unicode() - '0');
        if (value > std::numeric_limits<int>::max())
            return 0; // not a list index or field id of this program
    }
    return static_cast<int>(negative ? -value : value);
}

SessionSettings SessionSettings::read(const QString &path)
{
    // The file is read once for all of its keys.
    const ProfileFile::Contents file = ProfileFile::Contents::load(path);
    SessionSettings settings;
    settings.QuoteDelimiter = readYes(file, QStringLiteral("QuoteDelimiter"));
    settings.Duplicate = readYes(file, QStringLiteral("Duplicate"));
    settings.FieldDelimiter = leadingInteger(readValue(file, SettingsSection, QStringLiteral("FieldDelimiter")));
    settings.TableName = leadingInteger(readValue(file, SettingsSection, QStringLiteral("TableName")));
    settings.FileName = readValue(file, SettingsSection, QStringLiteral("FileName"));
    for (int row = 1; row <= MappingRows; ++row)
        settings.FieldNames[row - 1] = readValue(file, MappingsSection, fieldKey(row));
    for (int row = 1; row <= MappingRows; ++row)
        settings.FieldIds[row - 1] = readValue(file, MappingsSection, fieldIdKey(row));
    return settings;
}

bool SessionSettings::write(const QString &path, QString *error) const
{
    QList<ProfileFile::ProfileEntry> entries = {
        {SettingsSection, QStringLiteral("SkipFirstLine"), yesNo(SkipFirstLine)},
        {SettingsSection, QStringLiteral("QuoteDelimiter"), yesNo(QuoteDelimiter)},
        {SettingsSection, QStringLiteral("Duplicate"), yesNo(Duplicate)},
        {SettingsSection, QStringLiteral("FirstLineHeader"), yesNo(FirstLineHeader)},
        {SettingsSection, QStringLiteral("FieldDelimiter"), QString::number(FieldDelimiter)},
        {SettingsSection, QStringLiteral("TableName"), QString::number(TableName)},
        {SettingsSection, QStringLiteral("FileName"), FileName},
        // Settings files are copied around; the password stays out of them.
        {SettingsSection, QStringLiteral("ConnectionString"), withoutPassword(ConnectionString)},
    };
    entries.reserve(entries.size() + 2 * MappingRows);
    for (int row = 1; row <= MappingRows; ++row)
        entries.append({MappingsSection, fieldKey(row), FieldNames[row - 1]});
    for (int row = 1; row <= MappingRows; ++row)
        entries.append({MappingsSection, fieldIdKey(row), FieldIds[row - 1]});
    // One read and one replacement of the file for all the keys.
    return ProfileFile::writeStrings(path, entries, error);
}

QString withoutPassword(const QString &connectionString)
{
    QString result;
    qsizetype start = 0;
    while (start <= connectionString.size()) {
        const qsizetype equals = connectionString.indexOf(QLatin1Char('='), start);
        const qsizetype semicolon = connectionString.indexOf(QLatin1Char(';'), start);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) {
            // A part without a value: kept as it stands.
            const qsizetype end = semicolon < 0 ? connectionString.size() : semicolon;
            result += connectionString.mid(start, end - start);
            if (semicolon < 0)
                break;
            result += QLatin1Char(';');
            start = end + 1;
            continue;
        }
        const qsizetype end = valueEnd(connectionString, equals + 1);
        const QString key = connectionString.mid(start, equals - start);
        result += key + QLatin1Char('=');
        if (!isPasswordKey(key))
            result += connectionString.mid(equals + 1, end - equals - 1);
        if (end >= connectionString.size())
            break;
        result += QLatin1Char(';');
        start = end + 1;
    }
    return result;
}

} // namespace vxr

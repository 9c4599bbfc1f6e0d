#include "SessionSettings.h"

#include "database/ConnectionString.h"
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

} // namespace vxr

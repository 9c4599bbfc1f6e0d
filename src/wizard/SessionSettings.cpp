#include "SessionSettings.h"

#include "UserPrompts.h"

#include "catalogue/FieldTable.h"
#include "database/ConnectionString.h"
#include "import/PanelChoices.h"
#include "import/SetupFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace vxr {

namespace {

QString shownFile(const QString &path)
{
    return path.isEmpty() ? QStringLiteral("none") : QDir::toNativeSeparators(QDir::cleanPath(path));
}

QString shownConnection(const QString &connection)
{
    return connection.isEmpty() ? QStringLiteral("none") : connection;
}

} // namespace

bool SessionSettings::hasUnsavedChanges() const
{
    return !sameSettings(m_setup, m_saved);
}

bool SessionSettings::mayLeave()
{
    return !hasUnsavedChanges()
        || m_prompts.question(QStringLiteral("Your settings have changed since they were last loaded or saved. "
                                             "Exit without saving them?\r\n\r\nTo keep them, answer No and "
                                             "use Save or Save As..."));
}

bool SessionSettings::mayWriteOver(const QString &path)
{
    ImportSetup held;
    if (!QFileInfo(path).isFile() || !readSetupFile(path, m_fields, &held, nullptr))
        return true;
    const QString heldConnection = readSetupConnection(path);
    const QString connection = withoutPassword(m_setup.connectionString).trimmed();
    QStringList changes;
    const auto change = [&changes](const QString &what, const QString &from, const QString &to) {
        if (from != to)
            changes << QStringLiteral("%1: %2 -> %3").arg(what, from, to);
    };
    change(QStringLiteral("Destination table"), tableCaption(held.tableId), tableCaption(m_setup.tableId));
    change(QStringLiteral("Text file"), shownFile(held.textFile),
           shownFile(m_setup.textFile.isEmpty() ? QString() : QFileInfo(m_setup.textFile).absoluteFilePath()));
    change(QStringLiteral("Database"), shownConnection(heldConnection), shownConnection(connection));
    if (changes.isEmpty())
        return true;
    return m_prompts.question(QStringLiteral("The settings file %1 holds another set-up:\r\n\r\n%2\r\n\r\n"
                                             "Replace it? To keep it, answer No and use Save As...")
                                  .arg(QDir::toNativeSeparators(path), changes.join(QStringLiteral("\r\n"))));
}

bool SessionSettings::write(const QString &path)
{
    QString error;
    if (!writeSetupFile(QDir::fromNativeSeparators(path), m_setup, m_fields, &error)) {
        m_prompts.message(MessageKind::Critical, QStringLiteral("Your settings could not be saved to ") + path
                                                     + (error.isEmpty() ? QString() : QStringLiteral("\r\n") + sentence(error)));
        return false;
    }
    m_prompts.message(MessageKind::Plain, QStringLiteral("Your settings have been saved to ") + path);
    markSaved();
    return true;
}

} // namespace vxr

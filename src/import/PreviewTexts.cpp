#include "PreviewTexts.h"

namespace vxr::previewTexts {

QString readAsEmpty(const QString &caption, const QString &text)
{
    return QStringLiteral("\"%1\" is no value for %2: it is stored as 0 or empty "
                          "(with strict values the line fails).")
        .arg(text, caption);
}

QString cut(const QString &caption, int columnSize)
{
    return QStringLiteral("Too long for %1: cut to the %2 characters its column holds.").arg(caption).arg(columnSize);
}

QString newReference(const QString &table)
{
    return QStringLiteral("Not in the store yet: the import adds it to %1.").arg(table);
}

QString noSuchCode(const QString &table, const QString &code)
{
    return QStringLiteral("No %1 has the code \"%2\": the line fails.").arg(table, code);
}

QString codeDiffers(const QString &table, const QString &code)
{
    return QStringLiteral("The %1 found is stored with a code that differs from \"%2\" in case or blanks: "
                          "no %1 is linked (0 is stored).")
        .arg(table, code);
}

QString keyStored(bool updates)
{
    return updates ? QStringLiteral("This key is in the store already: the line updates that row.")
                   : QStringLiteral("This key is in the store already: the line fails as a duplicate.");
}

QString keyRepeated()
{
    return QStringLiteral("An earlier line has this key: this line fails as a duplicate.");
}

QString tooManyFields()
{
    return QStringLiteral("The line has more than 100 fields: the import rejects it.");
}

QString notChecked()
{
    return QStringLiteral("Only the database can refuse a number too large for its column, a CHECK rule or a "
                          "trigger: a Test Run finds those too.");
}

} // namespace vxr::previewTexts

#include "PreviewTexts.h"

#include "ProblemsReport.h"

#include "database/DbError.h"
#include "database/ErrorWords.h"
#include "database/ValueResolver.h"

namespace vxr::previewTexts {

QString changed(const ValueNote &note)
{
    return ProblemsReport::problemOf(note);
}

QString fails(const DbError &error)
{
    const QString words = errorSentence(error.number);
    return error.description.isEmpty() ? words : error.description + QLatin1Char('\n') + words;
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

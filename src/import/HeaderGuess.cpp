#include "HeaderGuess.h"

#include "catalogue/FieldTable.h"

namespace vxr {

namespace {

// A word as it is commonly cut short in column names, and written out.
struct Abbreviation
{
    QLatin1String word;
    QLatin1String meaning;
};

constexpr Abbreviation Abbreviations[] = {
    {QLatin1String("no"), QLatin1String("number")},       {QLatin1String("nr"), QLatin1String("number")},
    {QLatin1String("nbr"), QLatin1String("number")},      {QLatin1String("num"), QLatin1String("number")},
    {QLatin1String("qty"), QLatin1String("quantity")},    {QLatin1String("desc"), QLatin1String("description")},
    {QLatin1String("descr"), QLatin1String("description")}, {QLatin1String("dept"), QLatin1String("department")},
    {QLatin1String("amt"), QLatin1String("amount")},      {QLatin1String("addr"), QLatin1String("address")},
    {QLatin1String("acct"), QLatin1String("account")},
};

QString writtenOut(const QString &word)
{
    for (const Abbreviation &abbreviation : Abbreviations) {
        if (word == abbreviation.word)
            return abbreviation.meaning;
    }
    return word;
}

// A new word starts after a lower-case letter followed by a capital
// ("ItemNumber") and where letters and digits meet ("Address2").
bool startsWord(QChar previous, QChar c)
{
    return (previous.isLower() && c.isUpper()) || (previous.isDigit() != c.isDigit());
}

QStringList words(const QString &name)
{
    QStringList found;
    QString word;
    const auto endWord = [&] {
        if (!word.isEmpty())
            found.append(writtenOut(word.toCaseFolded()));
        word.clear();
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (!c.isLetterOrNumber()) {
            endWord();
            if (c == u'#')
                found.append(QStringLiteral("number"));
            continue;
        }
        if (!word.isEmpty() && startsWord(name.at(i - 1), c))
            endWord();
        word += c;
    }
    endWord();
    return found;
}

void addOnce(QList<int> &ids, int id)
{
    if (!ids.contains(id))
        ids.append(id);
}

} // namespace

QString wordKey(const QString &name)
{
    return words(name).join(QString());
}

QList<int> guessedFieldIds(const FieldTable &fields, const QList<int> &offered, const QString &name)
{
    const QString key = wordKey(name);
    QList<int> found;
    if (key.isEmpty())
        return found;
    for (const int index : offered) {
        const FieldDef &field = fields[index];
        if (wordKey(field.displayName) == key || wordKey(field.columnName) == key)
            addOnce(found, field.fieldId);
    }
    if (!found.isEmpty())
        return found;
    for (const int index : offered) {
        const int fieldId = fields[index].fieldId;
        for (const QString &exportName : exportNamesOf(fieldId)) {
            if (wordKey(exportName) == key)
                addOnce(found, fieldId);
        }
    }
    return found;
}

} // namespace vxr
